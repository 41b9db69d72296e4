// The Windows screen: the 21 Windows traces to clean, All and None, and Clean.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';

  function init(screen) {
    window.Tavrin.categoryScreen(screen);
    // All and None tick as the user would, box by box, so each is stored as a tick is.
    const names = [...screen.querySelectorAll('.category-items input[data-var]')].map((box) => box.dataset.var);
    const tickAll = (value) => names.forEach((name) => player.change(MOVIE, name, value));
    screen.querySelector('#windows-all').addEventListener('click', () => tickAll('1'));
    screen.querySelector('#windows-none').addEventListener('click', () => tickAll('0'));
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).windows = init;
})();
