// The list under the path field of the file and folder dialogs: the machine's drives and folders
// as the program lists them. Typing a path by hand works as well; the list only helps.
(function () {
  'use strict';
  const player = window.tavrin;
  const $ = (selector) => document.querySelector(selector);

  let state = null;  // {kind, field, folder, patterns}

  function join(folder, name) {
    if (!folder) return name.endsWith('\\') ? name : name + '\\';
    return folder.endsWith('\\') ? folder + name : folder + '\\' + name;
  }

  function parent(folder) {
    const trimmed = folder.replace(/\\+$/, '');
    const cut = trimmed.lastIndexOf('\\');
    if (cut < 0) return '';  // a drive root: up goes to the list of drives
    return trimmed.slice(0, cut + 1);
  }

  // "Text files|*.txt;*.log|All Files|*.*": the patterns of the first pair, Windows style
  // (case-insensitive, "*.*" also matches names without a dot).
  function patternsOf(filter) {
    const parts = window.Tavrin.barItems(filter);
    const patterns = (parts[1] || '*.*').split(';').map((p) => p.trim()).filter(Boolean);
    return patterns.map((pattern) => {
      if (pattern === '*.*' || pattern === '*') return /^/;
      const source = pattern.replace(/[.+^${}()|[\]\\]/g, '\\$&').replace(/\*/g, '.*').replace(/\?/g, '.');
      return new RegExp('^' + source + '$', 'i');
    });
  }

  // Both dialogs treat an entry alike: a click (or Space) selects it, a double click (or Enter)
  // opens a folder or chooses a file. A selected folder fills the folder dialog's field, a
  // selected file the file dialog's. The arrow keys move through the list, Backspace goes up.
  function entryButton(entry, path) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'browse-entry ' + (entry.folder ? 'is-folder' : 'is-file');
    button.textContent = entry.name;
    button.addEventListener('click', () => select(button, entry, path));
    button.addEventListener('dblclick', () => activate(entry, path));
    button.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') {
        event.preventDefault();
        activate(entry, path);
      } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
        event.preventDefault();
        const next = event.key === 'ArrowDown' ? button.nextElementSibling : button.previousElementSibling;
        if (next) { next.focus(); next.click(); }
      }
    });
    return button;
  }

  function select(button, entry, path) {
    for (const other of $('#dialog-browse').querySelectorAll('.browse-entry')) {
      other.classList.toggle('selected', other === button);
    }
    if (entry.folder === (state.kind === 'folder')) state.field.value = path;
  }

  function activate(entry, path) {
    if (entry.folder) {
      list(path, { focusFirst: true });
      return;
    }
    state.field.value = path;
    state.field.form.requestSubmit();
  }

  async function list(folder, { focusFirst = false } = {}) {
    const box = $('#dialog-browse');
    let answer;
    try {
      const response = await fetch('/api/dir?path=' + encodeURIComponent(folder),
        { headers: { 'X-Tavrin-Token': player.token } });
      if (!response.ok) throw new Error(String(response.status));
      answer = await response.json();
    } catch (err) {
      box.replaceChildren(Object.assign(document.createElement('p'),
        { className: 'browse-note', textContent: 'This folder cannot be listed.' }));
      return;
    }
    if (!state) return;
    state.folder = answer.path ?? folder;
    $('#dialog-location').textContent = state.folder || 'Computer';
    $('#dialog-up').disabled = !state.folder;
    // The folder the user went into is the folder dialog's answer until another is selected.
    if (state.kind === 'folder' && state.folder) state.field.value = state.folder;
    const entries = (answer.entries || [])
      .filter((entry) => entry.folder || (state.kind === 'open' && state.patterns.some((p) => p.test(entry.name))))
      .sort((a, b) => (b.folder - a.folder) || a.name.localeCompare(b.name));
    box.replaceChildren(...entries.map((entry) => entryButton(entry, join(state.folder, entry.name))));
    if (focusFirst) (box.querySelector('.browse-entry') || state.field).focus();
  }

  function start(kind, field, filter) {
    const browse = kind === 'open' || kind === 'folder';
    $('#dialog-browser').hidden = !browse;
    state = browse ? { kind, field, folder: '', patterns: patternsOf(filter) } : null;
    if (browse) list('');
  }

  function setup() {
    $('#dialog-up').addEventListener('click', () => { if (state) list(parent(state.folder)); });
    $('#dialog-browse').addEventListener('keydown', (event) => {
      if (event.key === 'Backspace' && state && state.folder) {
        event.preventDefault();
        list(parent(state.folder), { focusFirst: true });
      }
    });
  }

  document.addEventListener('DOMContentLoaded', setup);
  window.Tavrin.folderBrowser = { start, stop: () => { state = null; } };
})();
