// The DLL restore screen: the backups the program lists, a tick box each on the page alone, and
// the restore of the ticked ones.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';

  function init(root) {
    const list = root.querySelector('#dllrestore-list');
    const count = root.querySelector('#dllrestore-count');
    const restore = root.querySelector('#dllrestore-restore');
    const tickedNames = new Set();
    const refreshRestore = () => { restore.disabled = tickedNames.size === 0; };

    function render() {
      const total = Number(player.value(MOVIE, '_root.NumberOfRestoreItems')) || 0;
      const names = window.Tavrin.barItems(player.value(MOVIE, '_root.NamesOfRestoreItems')).slice(0, total);
      for (const name of [...tickedNames]) if (!names.includes(name)) tickedNames.delete(name);
      window.Tavrin.fillTickList(list, names, (index, name) => tickedNames.has(name), (index, name, checked) => {
        if (checked) tickedNames.add(name); else tickedNames.delete(name);
        refreshRestore();
      });
      count.textContent = String(names.length);
      refreshRestore();
    }
    player.on(MOVIE, '_root.ShowRestoreItems', (value, fromProgram) => { if (fromProgram && value === '1') render(); });
    restore.addEventListener('click', () => {
      if (tickedNames.size) player.command(MOVIE, 'IDC_FS_RESTORE', [...tickedNames].join('|'));
    });
    render();
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).dllrestore = init;
})();
