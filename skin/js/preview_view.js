// The preview view: what a preview found, in the main window's content area instead of a screen.
// The program pushes it as the list PreviewRows (one row a line, its fields joined by a tab: an
// item with its totals, then the item's files, setting changes and kept paths) with its heading,
// its totals and the command it previewed. The view draws only the rows in sight, so twenty
// thousand files open and scroll at once. "Clean these" sends the previewed command with the
// argument it was previewed with: the same ticks, or the same list of the shredder. "Back", or any
// screen of the navigation, leaves the view.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';
  const ROW_HEIGHT = 28;  // px, as .preview-row in screens.css
  const SPARE_ROWS = 10;  // drawn above and below the visible ones, so a fast scroll shows no gap

  // The words the screen shows for a tick box, in the page's language now; the item's name
  // where no screen has the box (a plug-in, a file of the shredder's list).
  function labelOf(variable, name) {
    const box = variable && document.querySelector(`#screens input[data-var="${CSS.escape(variable)}"]`);
    const words = box && box.closest('label').querySelector('span > span');
    if (words && words.textContent.trim()) return words.textContent.trim();
    return name.startsWith('plugins.') ? name.slice('plugins.'.length) : name;
  }

  function cell(className, text) {
    return Object.assign(document.createElement('span'), { className, textContent: text, title: text });
  }

  // A path as its folder, which gives way when the line is short, and its last part, which stays.
  function pathCells(path) {
    const cut = path.lastIndexOf('\\', path.length - 2) + 1;
    return [cell('preview-folder', path.slice(0, cut)), cell('preview-name', path.slice(cut))];
  }

  function drawRow(fields) {
    const [kind, ...rest] = fields;
    const line = Object.assign(document.createElement('div'), { className: `preview-row preview-${kind}` });
    if (kind === 'item') {
      const [variable, name, totals] = rest;
      line.append(cell('preview-label', labelOf(variable, name)), cell('preview-size', totals));
    } else {
      const [path, note] = rest;
      line.append(...pathCells(path), cell('preview-size', note || ''));
    }
    return line;
  }

  function setUp(root) {
    const view = root.querySelector('#preview-view');
    const scroller = view.querySelector('.preview-rows');
    const spacer = view.querySelector('.preview-spacer');
    const clean = view.querySelector('.preview-clean');
    let rows = [];
    let drawn = { first: -1, last: -1 };
    let cameFrom = null;

    function draw(force) {
      const first = Math.max(0, Math.floor(scroller.scrollTop / ROW_HEIGHT) - SPARE_ROWS);
      const last = Math.min(rows.length, Math.ceil((scroller.scrollTop + scroller.clientHeight) / ROW_HEIGHT) + SPARE_ROWS);
      if (!force && first === drawn.first && last === drawn.last) return;
      drawn = { first, last };
      const lines = [];
      for (let index = first; index < last; ++index) {
        const line = drawRow(rows[index].split('\t'));
        line.style.top = `${index * ROW_HEIGHT}px`;
        lines.push(line);
      }
      spacer.replaceChildren(...lines);
    }

    let frame = 0;
    scroller.addEventListener('scroll', () => {
      if (!frame) frame = requestAnimationFrame(() => { frame = 0; draw(false); });
    });
    new ResizeObserver(() => draw(false)).observe(scroller);
    root.addEventListener('tavrin-language', () => { if (!view.hidden) draw(true); });

    function open() {
      const shown = root.querySelector('.screen:not([hidden]):not(#preview-view)');
      if (shown) cameFrom = shown.dataset.screen;
      rows = window.Tavrin.barItems(player.value(MOVIE, '_root.NamesOfPreviewRows'));
      spacer.style.height = `${rows.length * ROW_HEIGHT}px`;
      view.querySelector('.preview-empty').hidden = rows.length > 0;
      clean.disabled = rows.length === 0;
      window.Tavrin.showScreen('preview');
      scroller.scrollTop = 0;
      draw(true);
    }

    function back() {
      window.Tavrin.showScreen(cameFrom || root.querySelector('.nav-item').dataset.target);
    }

    // Lowered once read, so that a snapshot after a reload does not open an old preview again.
    player.on(MOVIE, '_root.ShowPreviewRows', (value, fromProgram) => {
      if (!fromProgram || !window.Tavrin.truthy(value)) return;
      player.change(MOVIE, '_root.ShowPreviewRows', 'false');
      open();
    });
    view.querySelector('.preview-back').addEventListener('click', back);
    clean.addEventListener('click', () => {
      const previewed = player.value(MOVIE, '_root.PreviewCommand');
      const bar = previewed.indexOf('|');
      back();
      player.command(MOVIE, previewed.slice(0, bar), previewed.slice(bar + 1));
    });
  }

  window.Tavrin.previewView = setUp;
})();
