// The uninstall screen: the installed programs and the start of the chosen one's uninstaller.
(function () {
  'use strict';

  function init(root) {
    window.Tavrin.pickList({
      list: root.querySelector('#uninstall-list'),
      count: root.querySelector('#uninstall-count'),
      button: root.querySelector('#uninstall-start'),
      stem: 'Items_UP',
      group: 1,
      command: 'IDC_FS_UNISTALLPROGRAMS',
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).uninstall = init;
})();
