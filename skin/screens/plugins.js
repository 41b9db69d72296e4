// The plug-in screen: the list the program pushes (installed applications only, or all plug-ins)
// with a tick box per plug-in, the clean of the ticked ones, and the form that adds a plug-in.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy, barItems, fillTickList } = window.Tavrin;
  const MOVIE = 'main';

  // The list fields of the form, one entry a line on the page and joined by "|" for the program.
  const LIST_FIELDS = [
    ['#plugin-registry', '_root.ListOneValues3'],
    ['#plugin-files', '_root.ListOneValues4'],
    ['#plugin-folders', '_root.ListOneValues5'],
  ];

  const linesOf = (textarea) => textarea.value.split('\n').map((line) => line.trim()).filter(Boolean);

  function pluginList(root) {
    const list = root.querySelector('#plugins-list');
    const count = root.querySelector('#plugins-count');
    const clean = root.querySelector('#plugins-clean');
    const preview = root.querySelector('#plugins-preview');
    const installedOnly = root.querySelector('#plugins-installed');
    let names = [];

    const tickVariable = (index) => `_root.valueOfItems${index}`;
    const ticked = () => names.filter((name, index) => truthy(player.value(MOVIE, tickVariable(index))));
    const refreshClean = () => { clean.disabled = preview.disabled = ticked().length === 0; };

    function render() {
      const total = Number(player.value(MOVIE, '_root.NumberOfItems')) || 0;
      names = barItems(player.value(MOVIE, '_root.NamesOfItems')).slice(0, total);
      fillTickList(list, names, (index) => truthy(player.value(MOVIE, tickVariable(index))), (index, name, checked) => {
        player.change(MOVIE, tickVariable(index), checked ? 'true' : 'false');
        refreshClean();
      });
      // Each plug-in's category beside its name, as the program lists them.
      const categories = barItems(player.value(MOVIE, '_root.CategoriesOfItems'));
      list.querySelectorAll('li').forEach((item, index) => {
        if (categories[index]) item.append(Object.assign(document.createElement('span'), { className: 'muted category', textContent: categories[index] }));
      });
      count.textContent = String(names.length);
      refreshClean();
    }

    const askForList = () => player.command(MOVIE, installedOnly.checked ? 'IDC_FS_HPLUGINS' : 'IDC_FS_SPLUGINS', '');
    root.querySelectorAll('input[name="plugin-filter"]').forEach((radio) => radio.addEventListener('change', askForList));

    // Set last by the program, once the count, the names and the ticks are in place.
    player.on(MOVIE, '_root.ReLoadThePluginList', (value, fromProgram) => {
      if (!fromProgram || value !== '1') return;
      player.change(MOVIE, '_root.ReLoadThePluginList', '0');
      render();
    });
    // Each name ends with "|": the program takes only the names that a bar ends.
    const cleanArgs = () => ticked().map((name) => `${name}|`).join('');
    clean.addEventListener('click', () => {
      if (ticked().length) player.command(MOVIE, 'IDC_FS_CLEANPLUGIN', cleanArgs());
    });
    preview.addEventListener('click', () => {
      if (ticked().length) window.Tavrin.preview('IDC_FS_CLEANPLUGIN', cleanArgs());
    });
    // The program pushes the list shown (installed only, or all) once the import is done.
    root.querySelector('#plugins-import').addEventListener('click', () => {
      player.command(MOVIE, 'IDC_FS_IMPORT_RULES', installedOnly.checked ? 'installed' : 'all');
    });
    render();
    return { askForList };
  }

  function pluginForm(root, list) {
    const form = root.querySelector('#plugin-form');
    const append = (selector, value) => {
      const textarea = root.querySelector(selector);
      textarea.value = [...linesOf(textarea), value].join('\n');
    };
    // A chosen file or folder arrives as its name, then the flag that says it is there.
    const chosen = (flag, nameVariable, selector) => player.on(MOVIE, flag, (value, fromProgram) => {
      if (!fromProgram || value !== '1') return;
      player.change(MOVIE, flag, '0');
      append(selector, player.value(MOVIE, nameVariable));
    });
    chosen('_root.AddFFNow', '_root.FileName_FF', '#plugin-files');
    chosen('_root.AddFFNow2', '_root.FolderName_FF', '#plugin-folders');

    form.addEventListener('submit', (event) => {
      event.preventDefault();
      for (const [selector, variable] of LIST_FIELDS) player.change(MOVIE, variable, linesOf(root.querySelector(selector)).join('|'));
      player.command(MOVIE, 'IDC_FS_PLUGIN_NEW', '');
      list.askForList();
    });
  }

  function init(root) {
    pluginForm(root, pluginList(root));
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).plugins = init;
})();
