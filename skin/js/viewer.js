// Shows a machine file the program opens for the user (the day's log) inside the page: the
// program's files need the session token, which a plain new tab would not carry.
(function () {
  'use strict';
  const player = window.tavrin;
  const $ = (selector) => document.querySelector(selector);

  async function show(url) {
    const path = new URL(url, location.href).searchParams.get('path') || url;
    $('#viewer-title').textContent = path;
    $('#viewer-text').textContent = '…';
    $('#viewer').hidden = false;
    try {
      const text = await player.fetchText(url);
      $('#viewer-text').textContent = text || '(empty)';
    } catch (err) {
      $('#viewer-text').textContent = `The file could not be opened: ${err.message}`;
    }
  }

  function setup() {
    $('#viewer-close').addEventListener('click', () => { $('#viewer').hidden = true; });
  }

  document.addEventListener('DOMContentLoaded', setup);
  window.Tavrin.viewer = { show };
})();
