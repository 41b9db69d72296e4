// The screen of one cleaning category (Internet Explorer, Windows, a browser, a messenger,
// Office): its tick boxes in the order of the option list, the Clean button that sends them, the
// Preview button beside it, and, where the program found the application missing (its enable
// variable is "0"), the greyed-out state in which nothing can be ticked or cleaned. The markup
// names the command (data-clean-command on the Clean button) and the enable variable
// (data-enabled on the screen).
//
// The look-alike screens of the browsers, messengers and Office have no markup of their own: each
// is drawn here from the program's cleaning catalogue (_root.CleaningScreen_<id>: its command, its
// enable variable and its boxes in order), with the words of skin/js/category_texts.js.
//
// Preview sends IDC_FS_PREVIEW with the clean command and its argument joined by "|": the
// program runs that command without removing anything and lists what it would remove.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy, bindings } = window.Tavrin;
  const MOVIE = 'main';

  function preview(command, args) {
    player.command(MOVIE, 'IDC_FS_PREVIEW', `${command}|${args}`);
  }

  // Items that remove what the user may want to keep (_root.CautionItems: their tick variables)
  // carry a mark; a Clean that includes them asks first.
  function markCautious(boxes, list) {
    const cautious = new Set(window.Tavrin.barItems(list || ''));
    for (const box of boxes) {
      const label = box.closest('label');
      if (!label || label.querySelector('.caution-mark') || !cautious.has(box.dataset.var)) continue;
      const mark = Object.assign(document.createElement('span'), { className: 'caution-mark', textContent: 'Cannot be undone' });
      mark.dataset.de = 'Nicht umkehrbar';
      mark.title = 'Removes what you may want to keep; Clean asks first.';
      label.classList.add('caution');
      // Beside the item's name, before its hint.
      (label.querySelector('.drawn-label') || label.querySelector('span > span') || label.lastElementChild).after(mark);
      bindings.applyLanguage(mark, player.value(MOVIE, '_root.strCurrentLanguage'));
    }
  }

  function setUp(screen) {
    const boxes = [...screen.querySelectorAll('.category-items input[data-var]')];
    player.on(MOVIE, '_root.CautionItems', (list) => markCautious(boxes, list));
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

  function fromTemplate(id) {
    return document.getElementById(id).content.firstElementChild.cloneNode(true);
  }

  // An element's English and German text; the page's language picks one.
  function words(element, [english, german]) {
    element.textContent = english;
    element.dataset.de = german;
  }

  function tick(variable) {
    const label = fromTemplate('drawn-tick');
    const box = label.querySelector('input');
    box.dataset.var = variable;
    const texts = window.Tavrin.categoryTexts.items[variable] || { label: [variable, variable], hint: ['', ''] };
    words(label.querySelector('.drawn-label'), texts.label);
    words(label.querySelector('.drawn-hint'), texts.hint);
    return label;
  }

  // The category of a screen as the program's cleaning catalogue gives it, once it has arrived:
  // fn({ command, enabled, variables }). The catalogue is fixed for a run of the program, so a
  // snapshot sending it again changes nothing.
  function withCategory(id, fn) {
    let known = false;
    player.on(MOVIE, `_root.CleaningScreen_${id}`, (text) => {
      if (known || !text) return;
      known = true;
      const [command, enabled, ...variables] = window.Tavrin.barItems(text);
      fn({ command, enabled, variables });
    });
  }

  // The boxes, the command and the enable variable of the screen's category, then the set-up
  // every category screen has.
  function drawCategory(screen, { command, enabled, variables }) {
    const items = screen.querySelector('.category-items');
    const buttons = items.querySelector('.button-row');
    for (const variable of variables) items.insertBefore(tick(variable), buttons);
    screen.querySelector('.category-clean').dataset.cleanCommand = command;
    if (enabled) screen.dataset.enabled = enabled;
    bindings.bindAll(items);
    bindings.applyLanguage(screen, player.value(MOVIE, '_root.strCurrentLanguage'));
    setUp(screen);
  }

  // A look-alike screen: its heading at once, the rest when the program has sent the catalogue.
  function draw(id) {
    const screen = fromTemplate('drawn-screen');
    screen.dataset.screen = id;
    const texts = window.Tavrin.categoryTexts.screens[id];
    words(screen.querySelector('.drawn-title'), texts.title);
    words(screen.querySelector('.drawn-about'), texts.about);
    withCategory(id, (category) => drawCategory(screen, category));
    return screen;
  }

  window.Tavrin.categoryScreen = setUp;
  window.Tavrin.drawCategoryScreen = draw;
  window.Tavrin.withCategory = withCategory;
  window.Tavrin.preview = preview;
})();
