// Shows inside the page what the program opens for the user: a machine file (the day's log) as
// plain text, or a page of the skin (the help) in the language of the screens. Both need the
// session token or the page's language, which a plain new tab would not carry.
(function () {
  'use strict';
  const player = window.tavrin;
  const $ = (selector) => document.querySelector(selector);

  function open(title, pageShown) {
    $('#viewer-title').textContent = title;
    $('#viewer-text').hidden = pageShown;
    $('#viewer-page').hidden = !pageShown;
    $('#viewer-tab').hidden = !pageShown;
    $('#viewer').hidden = false;
  }

  async function showFile(url) {
    const path = new URL(url, location.href).searchParams.get('path') || url;
    open(path, false);
    $('#viewer-text').textContent = '…';
    try {
      const text = await player.fetchText(url);
      $('#viewer-text').textContent = text || '(empty)';
    } catch (err) {
      $('#viewer-text').textContent = `The file could not be opened: ${err.message}`;
    }
  }

  // A page with one article per language (lang="en", lang="de") shows the one asked for in its
  // address, else the one of the screens; any other page shows its body.
  async function showPage(url) {
    const address = new URL(url, location.href);
    const german = window.Tavrin.bindings.pageIsGerman();
    const language = address.searchParams.get('lang') || (german ? 'de' : 'en');
    const page = $('#viewer-page');
    open('…', true);
    $('#viewer-tab').href = address.pathname + '?lang=' + language;
    $('#viewer-tab').textContent = language === 'de' ? 'In neuem Tab öffnen' : 'Open in a new tab';
    page.replaceChildren();
    try {
      const html = await player.fetchText(address.pathname);
      const doc = new DOMParser().parseFromString(html, 'text/html');
      const content = doc.querySelector(`article[lang="${language}"]`) || doc.body;
      const heading = content.querySelector('h1');
      $('#viewer-title').textContent = heading ? heading.textContent : doc.title;
      page.replaceChildren(document.importNode(content, true));
      page.scrollTop = 0;
    } catch (err) {
      $('#viewer-title').textContent = address.pathname;
      page.textContent = `The page could not be opened: ${err.message}`;
    }
  }

  function show(url) {
    return url.startsWith('/skin/') ? showPage(url) : showFile(url);
  }

  function setup() {
    $('#viewer-close').addEventListener('click', () => { $('#viewer').hidden = true; });
    $('#viewer').addEventListener('keydown', (event) => { if (event.key === 'Escape') $('#viewer').hidden = true; });
  }

  document.addEventListener('DOMContentLoaded', setup);
  window.Tavrin.viewer = { show };
})();
