// The startup screen: the entries of the startup locations (name and command) and the removal
// of the chosen one.
(function () {
  'use strict';

  function init(root) {
    window.Tavrin.pickList({
      list: root.querySelector('#startup-list'),
      count: root.querySelector('#startup-count'),
      button: root.querySelector('#startup-remove'),
      stem: 'Items_SM',
      group: 2,
      command: 'IDC_FS_WHICHITEM',
      confirm: (name) => ({
        en: `Remove ${name} from the programs Windows starts at logon?`,
        de: `${name} aus den Programmen entfernen, die Windows bei der Anmeldung startet?`,
      }),
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).startup = init;
})();
