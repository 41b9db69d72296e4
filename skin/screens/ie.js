// The Internet Explorer screen: what to clean, the start page, and Clean.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  function init(screen) {
    // The boxes in the order the option list of the clean command names them.
    const items = [...screen.querySelectorAll('#ie-items input[data-var]')].map((box) => box.dataset.var);
    screen.querySelector('#ie-clean').addEventListener('click', () => {
      const flags = items.map((name) => (truthy(player.value(MOVIE, name)) ? '1' : '0'));
      player.command(MOVIE, 'IDC_FS_IE', flags.join(','));
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).ie = init;
})();
