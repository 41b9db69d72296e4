// The profile chooser: the program pushes the count and one variable per name; the page answers
// with the chosen name.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'profiles';

  function names() {
    const count = parseInt(player.value(MOVIE, '_root.NumberOfTheListItems'), 10) || 0;
    const list = [];
    for (let i = 0; i < count; i += 1) list.push(player.value(MOVIE, '_root.ItemNo' + i));
    return list;
  }

  function init(root) {
    const list = root.querySelector('#profile-list');
    const open = root.querySelector('#profile-open');
    const remove = root.querySelector('#profile-delete');
    let selected = '';

    function select(name) {
      selected = name;
      open.disabled = remove.disabled = !selected;
    }

    function render() {
      const current = names();
      if (!current.includes(selected)) select('');
      if (!current.length) {
        list.replaceChildren(Object.assign(document.createElement('li'),
          { className: 'empty', textContent: 'No profiles stored.' }));
        return;
      }
      list.replaceChildren(...current.map((name) => {
        const item = document.createElement('li');
        const label = document.createElement('label');
        const radio = Object.assign(document.createElement('input'),
          { type: 'radio', name: 'profile', value: name, checked: name === selected });
        radio.addEventListener('change', () => select(name));
        const text = Object.assign(document.createElement('span'), { textContent: name });
        label.append(radio, text);
        label.addEventListener('dblclick', () => { select(name); open.click(); });
        item.append(label);
        return item;
      }));
    }

    // The count and the names arrive as separate variables; drawing once they have all come in
    // avoids a flicker of half lists.
    let pending = false;
    function renderSoon() {
      if (pending) return;
      pending = true;
      setTimeout(() => { pending = false; render(); }, 0);
    }
    player.onEvent('var', ({ movie, name }) => {
      if (movie === MOVIE && (name === '_root.NumberOfTheListItems' || name.startsWith('_root.ItemNo'))) renderSoon();
    });
    player.on(MOVIE, '_root.RemoveProfile', (value) => { if (value === '1') select(''); });

    open.addEventListener('click', () => { if (selected) player.command(MOVIE, 'IDC_FS_PROFILE', selected); });
    remove.addEventListener('click', () => { if (selected) player.command(MOVIE, 'IDC_FS_DELETE', selected); });
    root.querySelector('#profile-exit').addEventListener('click', () => player.command(MOVIE, 'EXIT', ''));
    render();
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).profiles = init;
})();
