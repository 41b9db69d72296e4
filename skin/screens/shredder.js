// The shredder screen. The program checks and announces each added file or folder; the page keeps
// the lists the user will shred and sends them whole with the shred command, or with its Preview
// beside it to see first what the shred would remove.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // One pending list: files or folders. The variable names differ only by their suffix.
  function pendingList(root, kind, suffix, commands) {
    const list = root.querySelector(`#${kind}-list`);
    const count = root.querySelector(`#${kind}-count`);
    const remove = root.querySelector(`#${kind}-remove`);
    const shred = root.querySelector(`#${kind}-shred`);
    const preview = root.querySelector(`#${kind}-preview`);
    // Kept for this run of the program, so that reloading the page does not lose the lists the
    // program still remembers (it refuses to add a name twice).
    const storageKey = `tavrin.${player.token}.${kind}`;
    let items = JSON.parse(sessionStorage.getItem(storageKey) || '[]');
    let selected = null;

    function render() {
      list.replaceChildren(...items.map((path) => {
        const item = document.createElement('li');
        const button = Object.assign(document.createElement('button'),
          { type: 'button', textContent: path, title: path, className: path === selected ? 'selected' : '' });
        button.addEventListener('click', () => { selected = path; render(); });
        item.append(button);
        return item;
      }));
      sessionStorage.setItem(storageKey, JSON.stringify(items));
      count.textContent = String(items.length);
      remove.disabled = !items.includes(selected);
      shred.disabled = preview.disabled = items.length === 0;
    }

    // The program announces an accepted item by setting the item and then the flag.
    player.on(MOVIE, `_root.DoAdd_${suffix}`, (value, fromProgram) => {
      if (!fromProgram || !truthy(value)) return;
      const path = player.value(MOVIE, `_root.CurrentItem_${suffix}`);
      if (path && !items.includes(path)) items.push(path);
      player.change(MOVIE, `_root.DoAdd_${suffix}`, 'false');
      player.change(MOVIE, `_root.myCounter_${suffix}`, String(items.length));
      render();
    });
    // Set after a shred: the list has been handed over and is done with.
    player.on(MOVIE, `shred_${suffix}_Now`, (value, fromProgram) => {
      if (!fromProgram || value !== '1') return;
      items = [];
      selected = null;
      // Lowered again so that a later snapshot does not empty the next list.
      player.change(MOVIE, `shred_${suffix}_Now`, '0');
      player.change(MOVIE, `_root.myCounter_${suffix}`, '0');
      render();
    });

    remove.addEventListener('click', () => {
      if (!items.includes(selected)) return;
      items = items.filter((path) => path !== selected);
      player.command(MOVIE, commands.remove, selected);
      player.change(MOVIE, `_root.myCounter_${suffix}`, String(items.length));
      selected = null;
      render();
    });
    shred.addEventListener('click', () => {
      if (items.length) player.command(MOVIE, commands.shred, items.join('|'));
    });
    // The list as Shred would send it, shredded over a dry run: the log window lists what would
    // go, and the list stays for the real shred.
    preview.addEventListener('click', () => {
      if (items.length) window.Tavrin.preview(commands.shred, items.join('|'));
    });
    render();
  }

  function drives(root) {
    const select = root.querySelector('#drive-select');
    window.Tavrin.followDrives(select);

    const freeSpace = root.querySelector('#drive-free-space');
    freeSpace.addEventListener('change', () => {
      player.command(MOVIE, 'IDC_FS_SH_SFSO', freeSpace.checked ? 'true' : 'false');
    });
    // The program's drive and free-space choice start out empty and false while the box may show a
    // tick restored from the profile: both are sent again right before the shred, so what is
    // shredded is always what the screen shows.
    root.querySelector('#drive-shred').addEventListener('click', () => {
      player.command(MOVIE, 'IDC_FS_SH_SFSO', freeSpace.checked ? 'true' : 'false');
      player.command(MOVIE, 'IDC_FS_HD_SHRED', select.value);
      player.command(MOVIE, 'IDC_FS_SHREDDRIVE', '');
    });
    select.addEventListener('change', () => {
      if (select.value) player.command(MOVIE, 'IDC_FS_HD_SHRED', select.value);
    });

    const progress = root.querySelector('#drive-progress');
    const bar = progress.querySelector('span');
    player.on(MOVIE, '_root.ProgressBarState', (value) => {
      progress.hidden = value !== '1';
      // Each run starts sweeping until the free-space wipe says how far it is.
      if (value === '1') bar.removeAttribute('style');
    });
    player.on(MOVIE, '_root.ProgressPercent', (value) => {
      Object.assign(bar.style, { width: `${Number(value) || 0}%`, animation: 'none' });
    });
  }

  function filesOfOneType(root) {
    const min = root.querySelector('#type-min');
    const max = root.querySelector('#type-max');
    root.querySelector('#type-shred').addEventListener('click', () => {
      const folder = player.value(MOVIE, '_root.PathValue').trim();
      const type = player.value(MOVIE, '_root.FileTypeValue').trim() || '*';
      if (!folder) {
        root.querySelector('#type-folder').focus();
        return;
      }
      const smallest = Number(min.value) || 0;
      const largest = Number(max.value) || 0;
      window.Tavrin.confirmLocal(
        { en: `Shred every "${type}" file directly in ${folder}?`, de: `Alle "${type}"-Dateien direkt in ${folder} schreddern?` },
        () => {
          // An empty type would match nothing the user meant; the program takes "*" for all.
          if (player.value(MOVIE, '_root.FileTypeValue') !== type) player.change(MOVIE, '_root.FileTypeValue', type);
          player.command(MOVIE, 'IDC_FS_DELETE', ['0', '0', largest, smallest].join(','));
        });
    });
  }

  function init(root) {
    pendingList(root, 'files', 'SFI', { remove: 'IDC_FS_SHREDFILESDEL', shred: 'IDC_FS_SHREDFILES' });
    pendingList(root, 'folders', 'SFO', { remove: 'IDC_FS_SHREDFOLDERSDEL', shred: 'IDC_FS_SHREDFOLDERS' });
    drives(root);
    filesOfOneType(root);
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).shredder = init;
})();
