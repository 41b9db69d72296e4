// The program's own dialogs (file open, folder picker, input box): it asks, the page shows the
// dialog, and the answer goes back as /api/dialog. Cancel answers null, which the program
// treats as "nothing chosen".
(function () {
  'use strict';
  const player = window.tavrin;
  const $ = (selector) => document.querySelector(selector);

  const TITLES = {
    open: ['Choose a file', 'Datei wählen'],
    folder: ['Choose a folder', 'Ordner wählen'],
    input: ['Tavrin', 'Tavrin'],
  };

  let current = null;

  function close() {
    current = null;
    window.Tavrin.folderBrowser.stop();
    $('#dialog').hidden = true;
    document.body.classList.remove('dialog-open');
    window.Tavrin.refreshOverlay();
  }

  function answer(result) {
    if (!current) return;
    const { id } = current;
    close();
    player.answerDialog(id, result);
  }

  function open(request) {
    const kind = String(request.kind || 'input').toLowerCase();
    current = { id: request.id, kind };
    const titles = TITLES[kind] || TITLES.input;
    $('#dialog-title').textContent = titles[window.Tavrin.bindings.pageIsGerman() ? 1 : 0];
    $('#dialog-prompt').textContent = request.prompt || '';
    $('#dialog-prompt').hidden = !request.prompt;
    const field = $('#dialog-field');
    field.value = request.default || '';
    $('#dialog-filter').textContent = kind === 'open' && request.filter ? window.Tavrin.barItems(request.filter)[0] : '';
    $('#dialog').dataset.kind = kind;
    $('#dialog').hidden = false;
    document.body.classList.add('dialog-open');
    window.Tavrin.refreshOverlay();
    window.Tavrin.folderBrowser.start(kind, field, request.filter);
    field.focus();
  }

  function setup() {
    $('#dialog-form').addEventListener('submit', (event) => {
      event.preventDefault();
      answer($('#dialog-field').value);
    });
    $('#dialog-cancel').addEventListener('click', () => answer(null));
    $('#dialog').addEventListener('keydown', (event) => {
      if (event.key === 'Escape') answer(null);
    });
    player.onEvent('dialog', open);
    // Answered elsewhere (another tab) or given up by the program.
    player.onEvent('dialog-closed', ({ id }) => { if (current && current.id === id) close(); });
    // A snapshot without a dialog means no question is open any more.
    player.onEvent('dialog-reset', () => { if (current) close(); });
  }

  document.addEventListener('DOMContentLoaded', setup);
})();
