// The choice of the Windows user on an installation with several profiles: the program pushes
// their folder names as a list; the page answers with the chosen one.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'users';

  function init(root) {
    const list = root.querySelector('#user-list');
    const open = root.querySelector('#user-open');
    let selected = '';

    function select(name) {
      selected = name;
      open.disabled = !selected;
    }

    function render() {
      const names = window.Tavrin.barItems(player.value(MOVIE, '_root.NamesOfUsers'));
      if (!names.includes(selected)) select('');
      list.replaceChildren(...names.map((name) => {
        const item = document.createElement('li');
        const label = document.createElement('label');
        const radio = Object.assign(document.createElement('input'),
          { type: 'radio', name: 'windows-user', value: name, checked: name === selected });
        radio.addEventListener('change', () => select(name));
        label.append(radio, Object.assign(document.createElement('span'), { textContent: name }));
        label.addEventListener('dblclick', () => { select(name); open.click(); });
        item.append(label);
        return item;
      }));
    }

    // Read once the trigger has come, and after a whole snapshot has been stored, never half-way.
    player.on(MOVIE, '_root.ShowUsers', () => setTimeout(render, 0));
    open.addEventListener('click', () => { if (selected) player.command(MOVIE, 'IDC_FS_USER', selected); });
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).users = init;
})();
