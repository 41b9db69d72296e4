// The message box: the program sets the title, the text and the button labels, and moves two
// clips: `sign` to the icon's frame and `NumberOfButtons` to the frame of the button set. A pressed
// button is reported as a command named by the shown title, with the button's label as argument.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'msgbox';

  // Frame of `sign` -> the picture: a notice, a failure, a finished job, a question.
  const ICONS = {
    0: { glyph: '!', tone: 'notice' },
    1: { glyph: '\u00d7', tone: 'failure' },
    2: { glyph: '\u2713', tone: 'done' },
    3: { glyph: '?', tone: 'question' },
  };

  // Frame of `NumberOfButtons` -> which of the three label slots show a button.
  const BUTTON_SETS = {
    0: ['_root.Middle'],
    1: ['_root.Left', '_root.Right'],
    2: ['_root.Left', '_root.Middle', '_root.Right'],
  };

  function init(root) {
    const icon = root.querySelector('#msgbox-icon');
    const buttons = [...root.querySelectorAll('.msgbox-button')];

    function drawIcon() {
      const frame = player.frame(MOVIE, 'sign');
      const picture = ICONS[frame] || ICONS[0];
      icon.dataset.tone = picture.tone;
      icon.querySelector('text').textContent = picture.glyph;
    }

    function drawButtons() {
      const frame = player.frame(MOVIE, 'NumberOfButtons');
      const shown = BUTTON_SETS[frame] || BUTTON_SETS[0];
      for (const button of buttons) {
        const slot = button.dataset.slot;
        button.textContent = player.value(MOVIE, slot);
        button.hidden = !shown.includes(slot);
      }
      // The affirmative button leads; with a single button that one does.
      const first = buttons.find((button) => !button.hidden);
      buttons.forEach((button) => button.classList.toggle('primary', button === first));
    }

    for (const button of buttons) {
      player.on(MOVIE, button.dataset.slot, drawButtons);
      button.addEventListener('click', () => {
        // One answer per question: a double click must not answer the next box as well.
        buttons.forEach((other) => { other.disabled = true; });
        setTimeout(() => buttons.forEach((other) => { other.disabled = false; }), 1000);
        player.command(MOVIE, player.value(MOVIE, '_root.title1'), button.textContent);
      });
    }
    player.onEvent('goto', ({ movie, clip }) => {
      if (movie !== MOVIE) return;
      if (clip === 'sign') drawIcon();
      if (clip === 'NumberOfButtons') drawButtons();
    });
    root.addEventListener('tavrin-shown', () => {
      buttons.forEach((button) => { button.disabled = false; });
      drawIcon();
      drawButtons();
      const first = buttons.find((button) => !button.hidden);
      if (first) first.focus();
    });
    drawIcon();
    drawButtons();
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).msgbox = init;
})();
