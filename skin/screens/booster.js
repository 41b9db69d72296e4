// The connection booster: the connection type asks the program for its default values, a mode is
// applied by its own command, and the value and ping forms report that they are finished.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';
  const TYPES = ['Dial', 'Cable', 'Dsl', 'Lan'];

  function init(root) {
    // An offline installation has no network to tune: the screen says so before a mode is chosen.
    player.on(MOVIE, '_root.OfflineInstallation', (value) => { root.querySelector('#booster-offline').hidden = value !== '1'; });
    for (const radio of root.querySelectorAll('#connection-types input')) {
      radio.addEventListener('change', () => {
        if (!radio.checked) return;
        const flags = TYPES.map((type) => String(type === radio.dataset.value));
        player.command(MOVIE, 'IDC_FS_CONNECTION', flags.join(','));
      });
    }

    const modes = [...root.querySelectorAll('#booster-modes input')];
    const apply = root.querySelector('#apply-mode');
    const refresh = () => { apply.disabled = !modes.some((radio) => radio.checked); };
    modes.forEach((radio) => {
      radio.addEventListener('change', refresh);
      player.on(MOVIE, radio.dataset.var, refresh);
    });
    apply.addEventListener('click', () => {
      const chosen = modes.find((radio) => radio.checked);
      if (!chosen) return;
      player.command(MOVIE, chosen.dataset.modeCommand, '');
      player.command(MOVIE, 'IDC_FS_ISB_WIZARDMODE', '');
    });

    root.querySelector('#ping-save').addEventListener('click', () => {
      player.command(MOVIE, 'ID_FS_MINSTEPPER', player.value(MOVIE, '_root.minStepper'));
      player.command(MOVIE, 'IDC_FS_PINGSETTINGS', '');
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).booster = init;
})();
