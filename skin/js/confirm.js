// A question the page asks by itself, before a command whose effect cannot be undone and for
// which the program asks nothing.
(function () {
  'use strict';
  const $ = (selector) => document.querySelector(selector);
  let onYes = null;

  function close() {
    onYes = null;
    $('#confirm').hidden = true;
    document.body.classList.remove('dialog-open');
    window.Tavrin.refreshOverlay();
  }

  function confirmLocal(text, yes) {
    onYes = yes;
    $('#confirm-text').textContent = window.Tavrin.bindings.pageIsGerman() ? text.de : text.en;
    $('#confirm').hidden = false;
    document.body.classList.add('dialog-open');
    window.Tavrin.refreshOverlay();
    $('#confirm-no').focus();
  }

  function setup() {
    $('#confirm-yes').addEventListener('click', () => {
      const yes = onYes;
      close();
      if (yes) yes();
    });
    $('#confirm-no').addEventListener('click', close);
    $('#confirm').addEventListener('keydown', (event) => { if (event.key === 'Escape') close(); });
  }

  document.addEventListener('DOMContentLoaded', setup);
  window.Tavrin.confirmLocal = confirmLocal;
})();
