// A list the program pushes as a highest index and a bar list, in which the user picks one entry
// and presses the screen's button to send the entry's name back (startup and uninstall screens).
// An entry is `group` items of the bar list: its name first, then what the screen shows beside it.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';

  function pickList({ list, count, button, stem, group, command, confirm }) {
    let entries = [];
    let chosen = null;

    function render() {
      list.replaceChildren(...entries.map((entry) => {
        const item = document.createElement('li');
        const pick = Object.assign(document.createElement('button'), {
          type: 'button', title: entry.join('\n'), className: entry === chosen ? 'selected' : '',
        });
        pick.setAttribute('aria-pressed', String(entry === chosen));
        pick.append(Object.assign(document.createElement('span'), { className: 'entry-name', textContent: entry[0] }));
        for (const detail of entry.slice(1)) {
          pick.append(Object.assign(document.createElement('span'), { className: 'entry-detail', textContent: detail }));
        }
        pick.addEventListener('click', () => { chosen = entry; render(); });
        item.append(pick);
        return item;
      }));
      count.textContent = String(entries.length);
      button.disabled = chosen === null;
    }

    // The program sets the highest index, then the names; a snapshot brings them in any order, so
    // the list is read again when either arrives.
    function load() {
      const highest = Number(player.value(MOVIE, `_root.NumberOf${stem}`));
      const items = window.Tavrin.barItems(player.value(MOVIE, `_root.NamesOf${stem}`));
      const total = Number.isInteger(highest) && highest >= 0 ? highest + 1 : 0;
      const previous = chosen && chosen[0];
      entries = [];
      for (let i = 0; i < total; i++) entries.push(items.slice(i * group, (i + 1) * group));
      chosen = entries.find((entry) => entry[0] === previous) || null;
      render();
    }

    player.on(MOVIE, `_root.NamesOf${stem}`, load);
    player.on(MOVIE, `_root.NumberOf${stem}`, load);
    button.addEventListener('click', () => {
      if (!chosen) return;
      const name = chosen[0];
      const send = () => player.command(MOVIE, command, name);
      if (confirm) window.Tavrin.confirmLocal(confirm(name), send);
      else send();
    });
    load();
  }

  window.Tavrin.pickList = pickList;
})();
