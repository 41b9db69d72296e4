// The memory screen: the gauge of the memory in use and the slider that frees memory.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';

  function init(screen) {
    const gauge = screen.querySelector('#ram-gauge');
    player.on(MOVIE, '_root.RamValue', (value) => {
      const load = window.Tavrin.memoryLoad(value);
      gauge.querySelector('.gauge-fill').style.height = `${load.percent}%`;
      gauge.querySelector('.gauge-value').textContent = load.shown;
      gauge.dataset.level = load.percent >= 85 ? 'high' : load.percent >= 60 ? 'medium' : 'low';
    });
    const percent = screen.querySelector('#free-percent');
    const percentValue = screen.querySelector('#free-percent-value');
    percent.addEventListener('input', () => { percentValue.textContent = `${percent.value} %`; });
    screen.querySelector('#free-memory').addEventListener('click', () => {
      player.command(MOVIE, 'IDC_FS_SCROLL', percent.value);
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).memory = init;
})();
