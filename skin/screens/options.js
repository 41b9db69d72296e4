// The options screen: the Windows tweaks and what is known about the program.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // The order of the Windows tweaks in the options command.
  const TWEAKS = ['_root.WIN_USS', '_root.WIN_BF', '_root.WIN_EAS', '_root.WIN_EB', '_root.WIN_CWTF', '_root.WIN_OHWI'];

  function init(screen) {
    screen.querySelector('#apply-options').addEventListener('click', () => {
      const flags = TWEAKS.map((name) => (truthy(player.value(MOVIE, name)) ? '1' : '0'));
      player.command(MOVIE, 'IDC_FS_OPT', flags.join(','));
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).options = init;
})();
