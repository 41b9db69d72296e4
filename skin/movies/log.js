// The log panel: every line the program sends is kept, in order, until the panel is shown again
// for the next run. A run may send tens of thousands of lines, so the panel holds them all in a
// list but draws only a window of them (all of a short run): lines that arrive together are drawn
// in one frame, the panel follows the last line unless the user has scrolled up, and scrolling
// draws the window that comes into sight. Each line is one row of fixed height, so that where a
// line lies follows from its number; a long line scrolls sideways, and the closing text wraps.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'log';
  const ROW = 18;       // px: the rows' height in windows.css
  const DRAWN = 400;    // rows drawn at most; a short run has every line in the page
  const EDGE = 8;       // px: the list's padding above its rows (windows.css)

  function init(root) {
    const lines = root.querySelector('#log-lines');
    const view = root.querySelector('#log-view');
    let all = [];         // every line of the run
    let closing = -1;     // the number of the closing text, once the run has finished
    let first = 0;        // the drawn rows are all[first, first + lines.children.length)
    let following = true; // the user has not scrolled away from the end
    let frame = 0;

    // Each drawn row says where it stands in the whole log, as a list drawn in part should.
    function row(index) {
      const line = document.createElement('li');
      line.textContent = all[index];
      line.setAttribute('aria-posinset', index + 1);
      if (index === closing) line.className = 'notice';
      return line;
    }
    // The space of the rows not drawn, as margins of the first and the last row drawn (padding
    // would let the list grow instead of scrolling).
    function pad() {
      for (const line of lines.children) {
        line.style.margin = '';
        line.setAttribute('aria-setsize', all.length);
      }
      if (!lines.children.length) return;
      if (first) lines.firstElementChild.style.marginTop = `${first * ROW}px`;
      const below = all.length - first - lines.children.length;
      if (below) lines.lastElementChild.style.marginBottom = `${below * ROW}px`;
    }
    // The window around `top` (px), drawn afresh.
    function drawAround(top) {
      const wanted = Math.floor((top - EDGE) / ROW) - Math.floor(DRAWN / 3);
      first = Math.max(0, Math.min(wanted, all.length - DRAWN));
      const rows = [];
      for (let index = first; index < Math.min(all.length, first + DRAWN); ++index) rows.push(row(index));
      lines.replaceChildren(...rows);
      pad();
    }
    // New lines at the end: drawn on, and as many of the oldest dropped as the window asks.
    function drawOn() {
      const drawnEnd = first + lines.children.length;
      if (!following || drawnEnd < all.length - DRAWN) {
        if (following) drawAround(all.length * ROW);
        else pad();
        return;
      }
      const added = document.createDocumentFragment();
      for (let index = drawnEnd; index < all.length; ++index) added.append(row(index));
      lines.append(added);
      while (lines.children.length > DRAWN) {
        lines.firstElementChild.remove();
        ++first;
      }
      pad();
    }
    function drawSoon() {
      if (frame) return;
      frame = requestAnimationFrame(() => {
        frame = 0;
        drawOn();
        if (following) lines.scrollTop = lines.scrollHeight;
      });
    }

    player.on(MOVIE, '_root.LogFile', (text, fromProgram) => {
      if (!fromProgram || text === '') return;
      all.push(text);
      drawSoon();
    });
    lines.addEventListener('scroll', () => {
      following = lines.scrollTop + lines.clientHeight >= lines.scrollHeight - ROW;
      // The padding shows no rows: only a row in sight that is not drawn asks for a new window.
      const top = Math.max(lines.scrollTop, EDGE), bottom = Math.min(lines.scrollTop + lines.clientHeight, EDGE + all.length * ROW);
      const drawnTop = EDGE + first * ROW, drawnBottom = drawnTop + lines.children.length * ROW;
      if (top < drawnTop || bottom > drawnBottom) drawAround(lines.scrollTop);
    });
    // The view button is enabled only once a run has finished and its last line is the closing text.
    player.on(MOVIE, '_root.ViewLogBtn', (value) => {
      view.disabled = value !== '1';
      if (value !== '1' || !all.length) return;
      closing = all.length - 1;
      const drawn = lines.children[closing - first];
      if (drawn) drawn.className = 'notice';
    });
    root.addEventListener('tavrin-shown', () => {
      all = [];
      closing = -1;
      first = 0;
      following = true;
      lines.replaceChildren();
      pad();
    });
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).log = init;
})();
