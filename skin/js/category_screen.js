// The screen of one cleaning category (a browser, a messenger, Office): its tick boxes in the
// order of the option list, the Clean button that sends them, and, where the program found the
// application missing (its enable variable is "0"), the greyed-out state in which nothing can be
// ticked or cleaned. The markup names the command (data-clean-command on the button) and the
// enable variable (data-enabled on the screen).
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  function setUp(screen) {
    const boxes = [...screen.querySelectorAll('.category-items input[data-var]')];
    const clean = screen.querySelector('.category-clean');
    clean.addEventListener('click', () => {
      const flags = boxes.map((box) => (truthy(player.value(MOVIE, box.dataset.var)) ? '1' : '0'));
      player.command(MOVIE, clean.dataset.cleanCommand, flags.join(','));
    });
    const enabled = screen.dataset.enabled;
    if (!enabled) return;
    const note = screen.querySelector('.not-installed-note');
    player.on(MOVIE, enabled, (value) => {
      const absent = value === '0';
      screen.classList.toggle('not-installed', absent);
      note.hidden = !absent;
      for (const box of boxes) box.disabled = absent;
      clean.disabled = absent;
    });
  }

  window.Tavrin.categoryScreen = setUp;
})();
