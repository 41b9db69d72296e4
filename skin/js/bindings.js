// Ties page elements to movie variables by markup alone, so a screen is mostly HTML:
//   data-var="_root.X"        a field, check box or radio that shows and changes the variable
//   data-on / data-off        the texts a check box writes (default "1" / "0")
//   data-value                the text a radio of a one-variable group stands for
//   data-text="_root.X"       an element that displays the variable
//   data-command="CMD"        a button that posts that command (data-args for its argument)
// The movie of an element is the data-movie of its window.
(function () {
  'use strict';
  const { truthy } = window.Tavrin;
  const player = window.tavrin;

  function movieOf(element) {
    const holder = element.closest('[data-movie]');
    return holder ? holder.dataset.movie : 'main';
  }

  function isRadioGroupOfOneVariable(element) {
    return element.type === 'radio' && element.dataset.value !== undefined;
  }

  function show(element, value) {
    if (element.type === 'checkbox') {
      element.checked = truthy(value);
    } else if (element.type === 'radio') {
      element.checked = isRadioGroupOfOneVariable(element)
        ? value.toLowerCase() === element.dataset.value.toLowerCase()
        : truthy(value);
    } else if (document.activeElement !== element) {
      // The user's own typing is never overwritten by an older echo of it.
      element.value = value;
    }
  }

  // A radio with its own variable (the booster modes) clears its siblings' variables, as the
  // settings store keeps one variable per mode.
  function radioChanged(element, movie) {
    if (isRadioGroupOfOneVariable(element)) {
      player.change(movie, element.dataset.var, element.dataset.value);
      return;
    }
    const form = element.closest('form, fieldset, [role=radiogroup]') || document;
    for (const sibling of form.querySelectorAll(`input[type=radio][name="${element.name}"][data-var]`)) {
      player.change(movie, sibling.dataset.var, sibling === element ? 'true' : 'false');
    }
    if (element.dataset.selector) player.change(movie, element.dataset.selector, element.dataset.var);
  }

  function bindField(element) {
    const movie = movieOf(element);
    const name = element.dataset.var;
    player.on(movie, name, (value) => show(element, value));
    const userChanged = () => {
      if (element.type === 'checkbox') {
        player.change(movie, name, element.checked ? (element.dataset.on ?? '1') : (element.dataset.off ?? '0'));
      } else if (element.type === 'radio') {
        if (element.checked) radioChanged(element, movie);
      } else {
        player.change(movie, name, element.value);
      }
    };
    const isText = element.tagName === 'TEXTAREA' ||
      (element.tagName === 'INPUT' && !['checkbox', 'radio', 'range'].includes(element.type));
    element.addEventListener(isText ? 'input' : 'change', userChanged);
  }

  function bindText(element) {
    player.on(movieOf(element), element.dataset.text, (value) => { element.textContent = value; });
  }

  function bindCommand(element) {
    element.addEventListener('click', () => {
      player.command(movieOf(element), element.dataset.command, element.dataset.args ?? '');
    });
  }

  function bindAll(root) {
    root.querySelectorAll('[data-var]').forEach(bindField);
    root.querySelectorAll('[data-text]').forEach(bindText);
    root.querySelectorAll('[data-command]').forEach(bindCommand);
  }

  // Labels carry their German text beside the English one (data-de). Each window speaks the
  // language its own movie was told; parts of the page outside any movie follow the main window.
  function isGerman(name) {
    // Exactly as the program decides which message file to read, so texts never disagree.
    const upper = String(name || '').toUpperCase();
    return upper === 'DEUTSCH' || upper === 'DUETSCH';
  }

  // Texts the page makes up itself (dialog titles, its own questions) follow the main window.
  function pageIsGerman() {
    return isGerman(player.value('main', '_root.strCurrentLanguage'));
  }

  function applyLanguage(root, name) {
    const german = isGerman(name);
    root.lang = german ? 'de' : 'en';
    const within = (selector) => [...(root.matches(selector) ? [root] : []), ...root.querySelectorAll(selector)];
    within('[data-de]').forEach((element) => {
      if (element.dataset.en === undefined) element.dataset.en = element.textContent;
      element.textContent = german ? element.dataset.de : element.dataset.en;
    });
    within('[data-de-placeholder]').forEach((element) => {
      if (element.dataset.enPlaceholder === undefined) element.dataset.enPlaceholder = element.placeholder;
      element.placeholder = german ? element.dataset.dePlaceholder : element.dataset.enPlaceholder;
    });
    root.dispatchEvent(new CustomEvent('tavrin-language', { bubbles: true, detail: { german } }));
  }

  function followLanguage() {
    player.onEvent('var', ({ movie, name, value }) => {
      if (name !== '_root.strCurrentLanguage') return;
      const roots = document.querySelectorAll(
        movie === 'main' ? '[data-movie="main"], [data-language-of="main"]' : `[data-movie="${movie}"]`);
      roots.forEach((root) => applyLanguage(root, value));
    });
  }

  window.Tavrin.bindings = { bindAll, applyLanguage, followLanguage, isGerman, pageIsGerman };
})();
