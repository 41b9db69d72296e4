// The host page: puts each movie into its window, shows and hides the windows as the program
// says, keeps the modal overlay, the busy pointer, the tray, and the end of the program.
(function () {
  'use strict';
  const player = window.tavrin;
  const { bindings } = window.Tavrin;
  const movieScripts = (window.Tavrin.movies = window.Tavrin.movies || {});

  // How the tray menu reaches the program: a command of its own small movie.
  const TRAY = { movie: 'tray', show: 'smenu', exit: 'emenu' };

  const $ = (selector) => document.querySelector(selector);

  async function loadMovies() {
    const holders = [...document.querySelectorAll('[data-fragment]')];
    await Promise.all(holders.map(async (holder) => {
      const response = await fetch('/skin/movies/' + holder.dataset.fragment + '.html');
      holder.innerHTML = await response.text();
    }));
    bindings.bindAll(document);
    // A movie may fetch parts of its own (the main movie its screens); the page connects once all
    // of them are in place.
    for (const holder of holders) {
      const init = movieScripts[holder.dataset.fragment];
      if (init) await init(holder.closest('[data-movie]') || holder);
    }
  }

  function windowElement(name) {
    return document.querySelector(`[data-window="${name}"]`);
  }

  function refreshOverlay() {
    const modalOpen = Object.entries(player.windows)
      .some(([, state]) => state.visible && state.modal) || document.body.classList.contains('dialog-open');
    $('#modal-overlay').hidden = !modalOpen;
  }

  function showWindow({ window: name, visible, modal }) {
    const element = windowElement(name);
    if (element) {
      const wasHidden = element.hidden;
      element.hidden = !visible;
      element.classList.toggle('modal', modal);
      if (visible && wasHidden) element.dispatchEvent(new CustomEvent('tavrin-shown'));
    }
    refreshTray();
    refreshOverlay();
  }

  // The program hides the main window when it goes to the tray; a hidden main window of a running
  // program that has been shown once is exactly that state.
  // An icon the engine's tray class added shows the tray as well, with the icon's tip.
  let mainShown = false;
  function refreshTray() {
    const main = player.windows.main;
    if (main && main.visible) mainShown = true;
    const iconAdded = player.value(TRAY.movie, 'icon') === '1';
    const inTray = ((mainShown && !(main && main.visible)) || iconAdded) && !player.ended;
    $('#tray').hidden = !inTray;
    document.body.classList.toggle('in-tray', inTray);
    if (!inTray) $('#tray-menu').hidden = true;
  }

  function setupTray() {
    const menu = $('#tray-menu');
    $('#tray-icon').addEventListener('click', () => { menu.hidden = !menu.hidden; });
    $('#tray-show').addEventListener('click', () => {
      menu.hidden = true;
      player.command(TRAY.movie, TRAY.show, '');
    });
    $('#tray-exit').addEventListener('click', () => {
      menu.hidden = true;
      player.command(TRAY.movie, TRAY.exit, '');
    });
    // The tray captions are the program's texts when it sends them.
    player.on(TRAY.movie, 'smenu', (text) => { if (text) $('#tray-show').textContent = text; });
    player.on(TRAY.movie, 'emenu', (text) => { if (text) $('#tray-exit').textContent = text; });
    player.on(TRAY.movie, 'tip', (text) => { $('#tray-icon').title = text || 'Tavrin'; });
    player.on(TRAY.movie, 'icon', refreshTray);
    refreshTray();
  }

  // The splash shows the file the program loaded into it, once per page, for a moment; it never
  // takes a click. A file that cannot be read leaves it empty, so nothing shows.
  const SPLASH_TIME_MS = 1800;
  function setupSplash() {
    const splash = $('#splash');
    let file = 'splash.spl';
    let shown = false;
    player.onEvent('reset', (snapshot) => { if (snapshot.loaded && snapshot.loaded.splash) file = snapshot.loaded.splash; });
    player.onEvent('load', (event) => { if (event.movie === 'splash') file = event.file; });
    splash.addEventListener('tavrin-shown', async () => {
      if (shown) { splash.hidden = true; return; }
      shown = true;
      const response = await fetch('/skin/' + encodeURIComponent(file)).catch(() => null);
      if (!response || !response.ok) { splash.hidden = true; return; }
      splash.innerHTML = await response.text();
      if (bindings.pageIsGerman()) splash.querySelectorAll('[data-de]').forEach((line) => { line.textContent = line.dataset.de; });
      setTimeout(() => { splash.hidden = true; }, SPLASH_TIME_MS);
    });
  }

  // The program's own addresses (a machine file, a page of the skin) open inside the page.
  function openUrl(url) {
    if (url.startsWith('/api/') || url.startsWith('/skin/')) {
      window.Tavrin.viewer.show(url);
    } else {
      window.open(url, '_blank', 'noopener');
    }
  }

  function setupStatus() {
    const banner = $('#connection-banner');
    player.onEvent('connection', (up) => { banner.hidden = up || player.ended; });
    let problemTimer = null;
    player.onEvent('problem', (text) => {
      const toast = $('#problem-toast');
      toast.textContent = text;
      toast.hidden = false;
      clearTimeout(problemTimer);
      problemTimer = setTimeout(() => { toast.hidden = true; }, 6000);
    });
    player.onEvent('cursor', (busy) => document.body.classList.toggle('busy', busy));
    player.onEvent('open', openUrl);
    player.onEvent('exit', () => {
      document.body.classList.remove('busy');
      refreshTray();
      banner.hidden = true;
      $('#ended').hidden = false;
    });
    player.onEvent('reset', () => {
      for (const element of document.querySelectorAll('[data-window]')) element.hidden = true;
      player.windows = {};
      refreshOverlay();
    });
  }

  async function start() {
    setupTray();
    setupSplash();
    setupStatus();
    player.onEvent('window', showWindow);
    window.Tavrin.refreshOverlay = refreshOverlay;
    bindings.followLanguage();
    await loadMovies();
    if (!player.token) {
      $('#connection-banner').textContent = 'This page needs the address Tavrin printed when it started.';
      $('#connection-banner').hidden = false;
      return;
    }
    player.connect();
  }

  document.addEventListener('DOMContentLoaded', start);
})();
