// The Internet Explorer tools screen: hide and show typed addresses, favorites and saved passwords.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // The active button of a pair is the one that can be pressed; pressing it makes the other one
  // active. The program keeps these states with the profile ("true" is what it stores as on).
  function setupPair(card) {
    const stem = card.dataset.pair;
    const buttons = [...card.querySelectorAll('[data-pair-command]')];
    const variable = (side) => `_root.${stem}_${side}`;
    const render = () => {
      for (const button of buttons) button.disabled = !truthy(player.value(MOVIE, variable(button.dataset.pairSide)));
    };
    player.on(MOVIE, variable('Hide'), render);
    player.on(MOVIE, variable('Show'), render);
    for (const button of buttons) {
      button.addEventListener('click', () => {
        const pressed = button.dataset.pairSide;
        player.change(MOVIE, variable(pressed), 'false');
        player.change(MOVIE, variable(pressed === 'Hide' ? 'Show' : 'Hide'), 'true');
        player.command(MOVIE, button.dataset.pairCommand, '');
      });
    }
  }

  function init(screen) {
    screen.querySelectorAll('.ie-pair').forEach(setupPair);
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).ietools = init;
})();
