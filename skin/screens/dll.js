// The DLL cleaner screen: the drive to scan, the backup tick, the stray copies the scan found with
// a tick box each, and their removal. While a scan or a removal runs the screen takes no input.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy, barItems, fillTickList, followDrives } = window.Tavrin;
  const MOVIE = 'main';

  function foundList(root) {
    const list = root.querySelector('#dll-list');
    const count = root.querySelector('#dll-count');
    const remove = root.querySelector('#dll-remove');
    let names = [];

    const tickVariable = (index) => `_root.valueOfDLLItems${index}`;
    const ticked = () => names.filter((name, index) => truthy(player.value(MOVIE, tickVariable(index))));
    const refreshRemove = () => { remove.disabled = ticked().length === 0; };

    function render() {
      const total = Number(player.value(MOVIE, '_root.NumberOfDllItems')) || 0;
      names = barItems(player.value(MOVIE, '_root.NamesOfDllItems')).slice(0, total);
      fillTickList(list, names, (index) => truthy(player.value(MOVIE, tickVariable(index))), (index, name, checked) => {
        player.change(MOVIE, tickVariable(index), checked ? 'true' : 'false');
        refreshRemove();
      });
      count.textContent = String(names.length);
      refreshRemove();
    }
    // The list is read only when its trigger arrives, never half-way.
    player.on(MOVIE, '_root.ShowDllItems', (value, fromProgram) => { if (fromProgram && value === '1') render(); });
    player.on(MOVIE, '_root.RemoveDllList', (value, fromProgram) => {
      if (!fromProgram || value !== '1') return;
      player.change(MOVIE, '_root.RemoveDllList', '0');
      names = [];
      list.replaceChildren();
    });
    render();
    return { ticked, remove };
  }

  function init(root) {
    const select = root.querySelector('#dll-drive');
    followDrives(select);
    const found = foundList(root);
    const backup = root.querySelector('#dll-backup');
    const scan = root.querySelector('#dll-scan');
    const sendBackup = () => player.command(MOVIE, 'IDC_FS_DLL_BBD', backup.checked ? 'true' : 'false');
    backup.addEventListener('change', sendBackup);

    scan.addEventListener('click', () => {
      player.command(MOVIE, 'IDC_FS_DLL_HD', select.value);
      player.command(MOVIE, 'IDC_FS_DLLCLEANER', '');
    });
    // The tick is sent again right before the removal, so what happens is what the screen shows.
    found.remove.addEventListener('click', () => {
      const chosen = found.ticked();
      if (!chosen.length) return;
      sendBackup();
      player.command(MOVIE, 'IDC_FS_DLL', chosen.join('|'));
    });
    player.on(MOVIE, '_root.MakeTheGUIDisable', (value) => {
      const busy = value === 'true';
      for (const control of [scan, select, backup]) control.disabled = busy;
      root.setAttribute('aria-busy', busy ? 'true' : 'false');
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).dll = init;
})();
