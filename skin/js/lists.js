// List pieces several screens share: the items of a bar list, a list of names with a tick box
// each, and the drive choice filled from the program's drive list.
(function () {
  'use strict';
  const player = window.tavrin;

  // The items of a text joined by "|", the one way the page splits such a text: an empty text
  // has no items, and every "|" separates two, so empty items keep their places.
  function barItems(text) {
    const value = String(text ?? '');
    return value === '' ? [] : value.split('|');
  }

  // Fills the list element with one ticked or unticked line per name; `ticked(index, name)` says
  // how a line starts, `changed(index, name, checked)` hears the user tick it.
  function fillTickList(list, names, ticked, changed) {
    list.replaceChildren(...names.map((name, index) => {
      const item = document.createElement('li');
      const label = Object.assign(document.createElement('label'), { className: 'check' });
      const box = Object.assign(document.createElement('input'), { type: 'checkbox', checked: ticked(index, name) });
      box.addEventListener('change', () => changed(index, name, box.checked));
      label.append(box, Object.assign(document.createElement('span'), { textContent: name }));
      item.append(label);
      return item;
    }));
  }

  // Keeps a select's options (after its first, "choose") the drives of _root.NamesOfDrives; the
  // choice stays while its drive is still listed.
  function followDrives(select) {
    const fill = () => {
      const names = barItems(player.value('main', '_root.NamesOfDrives')).filter(Boolean);
      const keep = select.value;
      select.replaceChildren(select.options[0], ...names.map((name) => new Option(name, name)));
      select.value = names.includes(keep) ? keep : '';
    };
    player.on('main', '_root.NamesOfDrives', fill);
  }

  Object.assign(window.Tavrin, { barItems, fillTickList, followDrives });
})();
