// The log panel: every line the program sends is kept, in order, until the panel is shown again
// for the next run.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'log';

  function init(root) {
    const lines = root.querySelector('#log-lines');
    const view = root.querySelector('#log-view');

    // A run may send thousands of lines: the panel scrolls to the last once a frame, not once a
    // line, which would lay the whole list out again for each.
    let scrolling = 0;
    player.on(MOVIE, '_root.LogFile', (text, fromProgram) => {
      if (!fromProgram || text === '') return;
      const line = document.createElement('li');
      line.textContent = text;
      lines.append(line);
      if (!scrolling) scrolling = requestAnimationFrame(() => { scrolling = 0; lines.scrollTop = lines.scrollHeight; });
    });
    // The view button is enabled only once a run has finished and its last line is the closing text.
    player.on(MOVIE, '_root.ViewLogBtn', (value) => {
      view.disabled = value !== '1';
      const last = lines.lastElementChild;
      if (value === '1' && last) last.classList.add('notice');
    });
    root.addEventListener('tavrin-shown', () => lines.replaceChildren());
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).log = init;
})();
