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
    const result = screen.querySelector('#free-memory-result');
    const showResult = () => {
      const value = player.value(MOVIE, '_root.FreedMemory');
      result.hidden = !value;
      if (value) result.textContent = freedMemoryText(value, window.Tavrin.bindings.pageIsGerman());
    };
    player.on(MOVIE, '_root.FreedMemory', showResult);
    screen.closest('[data-movie]').addEventListener('tavrin-language', showResult);
    // An offline installation has no memory in use to show or free: the note stands in for the gauge.
    player.on(MOVIE, '_root.OfflineInstallation', (value) => {
      const offline = value === '1';
      screen.querySelector('#memory-offline').hidden = !offline;
      gauge.hidden = offline;
      percent.disabled = offline;
      screen.querySelector('#free-memory').disabled = offline;
    });
  }

  // "taken|free before|free after" in bytes, as the program reports the slider's work.
  function freedMemoryText(value, german) {
    const [taken = 0, before = 0, after = 0] = window.Tavrin.barItems(value).map((part) => Number(part) || 0);
    const mb = (bytes) => `${Math.round(bytes / 1048576).toLocaleString(german ? 'de-DE' : 'en-GB')} MB`;
    if (taken <= 0) {
      return german
        ? `Es konnte kein Speicher belegt werden: gerade ist zu wenig frei (${mb(after)}).`
        : `No memory could be taken: too little is free right now (${mb(after)}).`;
    }
    return german
      ? `${mb(taken)} kurz belegt und wieder freigegeben. Freier Speicher: vorher ${mb(before)}, jetzt ${mb(after)}.`
      : `Took ${mb(taken)} for a moment and gave it back. Free memory: ${mb(before)} before, ${mb(after)} now.`;
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).memory = init;
})();
