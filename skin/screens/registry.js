// The registry cleaner screen. The program pushes the invalid entries (one by one while a scan
// runs, then the whole list), each with a readable label and the reason it is invalid, and the
// list of backups; the ticks live in the page, which sends the ticked entries or backups, as the
// program wrote them, joined by "|" with the repair or restore command.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';
  const NO_ERRORS = '...No Errors...';

  const german = () => window.Tavrin.bindings.pageIsGerman();

  // One list with a tick box per entry, a "select all" box, and the button that acts on the ticks.
  function tickList(root, prefix, command) {
    const list = root.querySelector(`#${prefix}-list`);
    const count = root.querySelector(`#${prefix}-count`);
    const all = root.querySelector(`#${prefix}-all`);
    const act = root.querySelector(`#${prefix}-act`);
    let items = [];
    let ticked = new Set();
    const shown = new Map();  // entry -> { label, note }

    function render() {
      list.replaceChildren(...items.map((entry) => {
        const item = document.createElement('li');
        const { label: text = entry, note = '' } = shown.get(entry) || {};
        const label = Object.assign(document.createElement('label'), { title: note ? `${text}\n${note}` : text });
        const box = Object.assign(document.createElement('input'), { type: 'checkbox', checked: ticked.has(entry) });
        box.addEventListener('change', () => {
          if (box.checked) ticked.add(entry); else ticked.delete(entry);
          update();
        });
        const words = Object.assign(document.createElement('span'), { className: 'entry-text' });
        words.append(Object.assign(document.createElement('span'), { className: 'entry-label', textContent: text }));
        if (note) words.append(Object.assign(document.createElement('span'), { className: 'entry-note', textContent: note }));
        label.append(box, words);
        item.append(label);
        return item;
      }));
      update();
    }
    function update() {
      count.textContent = String(items.length);
      act.disabled = ticked.size === 0;
      all.checked = items.length > 0 && ticked.size === items.length;
    }
    all.addEventListener('change', () => {
      ticked = all.checked ? new Set(items) : new Set();
      render();
    });
    act.addEventListener('click', () => {
      const chosen = items.filter((entry) => ticked.has(entry));
      if (chosen.length) player.command(MOVIE, command, chosen.join('|'));
    });

    // Labels and notes come in lists beside the entries, one each, when the program sends them.
    function remember(entries, labels, notes) {
      entries.forEach((entry, i) => shown.set(entry, { label: labels[i] || entry, note: notes[i] || '' }));
    }

    return {
      // A new list keeps the ticks of the entries that are still in it.
      set(entries, labels = [], notes = []) {
        remember(entries, labels, notes);
        items = entries;
        ticked = new Set(entries.filter((entry) => ticked.has(entry)));
        render();
      },
      // Returns how many entries the list holds now.
      add(entries, labels = [], notes = []) {
        remember(entries, labels, notes);
        items = items.concat(entries.filter((entry) => !items.includes(entry)));
        render();
        return items.length;
      },
    };
  }

  const entriesOf = (names) => (names === NO_ERRORS ? [] : window.Tavrin.barItems(names).filter(Boolean));
  // One per entry, empty ones kept in place.
  const besideEntries = (name) => window.Tavrin.barItems(player.value(MOVIE, name) || '');
  const labelsAndNotes = () => [besideEntries('_root.LabelsOfRegItems'), besideEntries('_root.NotesOfRegItems')];

  function foundEntries(root) {
    const found = tickList(root, 'reg-found', 'IDC_FS_CLEAN_REG');
    const state = root.querySelector('#reg-found-state');
    let scanning = false;

    function showState(entries) {
      const names = player.value(MOVIE, '_root.NamesOfRegItems');
      if (scanning) {
        state.textContent = german() ? `Prüfung läuft … ${entries} gefunden` : `Scanning … ${entries} found so far`;
      } else if (names === NO_ERRORS) {
        state.textContent = NO_ERRORS;
      } else {
        state.textContent = german() ? `${entries} ungültige Einträge` : `${entries} invalid entries`;
      }
    }
    function showWholeList() {
      const entries = entriesOf(player.value(MOVIE, '_root.NamesOfRegItems'));
      found.set(entries, ...labelsAndNotes());
      showState(entries.length);
    }

    // While a scan runs each find arrives alone and is added; otherwise the list is the whole list.
    player.on(MOVIE, '_root.RegScanRunning', (value, fromProgram) => {
      if (!fromProgram) return;
      scanning = value === '1';
      if (scanning) {
        found.set([]);
        showState(0);
      } else {
        showWholeList();
      }
    });
    player.on(MOVIE, '_root.ShowRegItems', (value) => {
      if (!truthy(value)) return;
      if (!scanning) {
        showWholeList();
        return;
      }
      const entries = entriesOf(player.value(MOVIE, '_root.NamesOfRegItems'));
      showState(found.add(entries, ...labelsAndNotes()));
    });
  }

  function backups(root) {
    const list = tickList(root, 'reg-backup', 'IDC_FS_RESTOREREG');
    player.on(MOVIE, '_root.ShowRegItems_restore', (value) => {
      if (value !== '1') return;
      list.set(entriesOf(player.value(MOVIE, '_root.NamesOfRegItems_Restore')));
    });
  }

  function init(root) {
    foundEntries(root);
    backups(root);
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).registry = init;
})();
