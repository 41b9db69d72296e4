// The screen of one cleaning category (Internet Explorer, Windows, a browser, a messenger,
// Office): its tick boxes in the order of the option list, the Clean button that sends them, the
// Preview button beside it, and, where the program found the application missing (its enable
// variable is "0"), the greyed-out state in which nothing can be ticked or cleaned. The markup
// names the command (data-clean-command on the Clean button) and the enable variable
// (data-enabled on the screen).
//
// Preview sends IDC_FS_PREVIEW with the clean command and its argument joined by "|": the
// program runs that command without removing anything and lists what it would remove.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  function preview(command, args) {
    player.command(MOVIE, 'IDC_FS_PREVIEW', `${command}|${args}`);
  }

  function setUp(screen) {
    const boxes = [...screen.querySelectorAll('.category-items input[data-var]')];
    const clean = screen.querySelector('.category-clean');
    const previewButton = screen.querySelector('.category-preview');
    const flags = () => boxes.map((box) => (truthy(player.value(MOVIE, box.dataset.var)) ? '1' : '0')).join(',');
    clean.addEventListener('click', () => player.command(MOVIE, clean.dataset.cleanCommand, flags()));
    previewButton.addEventListener('click', () => preview(clean.dataset.cleanCommand, flags()));
    const enabled = screen.dataset.enabled;
    if (!enabled) return;
    const note = screen.querySelector('.not-installed-note');
    player.on(MOVIE, enabled, (value) => {
      const absent = value === '0';
      screen.classList.toggle('not-installed', absent);
      note.hidden = !absent;
      for (const box of boxes) box.disabled = absent;
      clean.disabled = absent;
      previewButton.disabled = absent;
    });
  }

  window.Tavrin.categoryScreen = setUp;
  window.Tavrin.preview = preview;
})();
