// The main window: the navigation to every screen and the title bar (memory, language, tray,
// close). A screen in SCREENS is a file pair of its own: skin/screens/<id>.html holds its markup
// and skin/screens/<id>.js registers window.Tavrin.screens[<id>], which sets the screen up once
// its markup is in the page. A cleaning screen with nothing but ticks has no files: it is drawn
// from the program's cleaning catalogue (skin/js/category_screen.js).
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // Every screen of the product, in the order of the navigation. `kind` is 'category' for a cleaning
  // screen with markup but no script of its own (set up as every cleaning screen is), 'drawn' for
  // one drawn from the cleaning catalogue.
  const SCREENS = [
    { group: ['Privacy', 'Datenschutz'] },
    { id: 'ie', name: ['Internet Explorer', 'Internet Explorer'], kind: 'category' },
    { id: 'ietools', name: ['IE privacy tools', 'IE-Werkzeuge'] },
    { id: 'windows', name: ['Windows', 'Windows'] },
    { group: ['Browsers', 'Browser'] },
    { id: 'netscape', name: ['Netscape / Mozilla', 'Netscape / Mozilla'], kind: 'drawn' },
    { id: 'firefox', name: ['Firefox', 'Firefox'], kind: 'drawn' },
    { id: 'chromium', name: ['Chrome, Edge & co.', 'Chrome, Edge & Co.'], kind: 'drawn' },
    { id: 'opera', name: ['Opera', 'Opera'], kind: 'drawn' },
    { id: 'aol', name: ['AOL', 'AOL'], kind: 'drawn' },
    { group: ['Messengers', 'Messenger'] },
    { id: 'msn', name: ['MSN Messenger', 'MSN Messenger'], kind: 'drawn' },
    { id: 'yahoo', name: ['Yahoo Messenger', 'Yahoo Messenger'], kind: 'drawn' },
    { id: 'icq', name: ['ICQ', 'ICQ'], kind: 'drawn' },
    { id: 'office', name: ['Office', 'Office'], kind: 'drawn' },
    { group: ['System', 'System'] },
    { id: 'registry', name: ['Registry cleaner', 'Registry-Reiniger'] },
    { id: 'dll', name: ['DLL cleaner', 'DLL-Reiniger'] },
    { id: 'dllrestore', name: ['DLL backups', 'DLL-Sicherungen'] },
    { id: 'startup', name: ['Startup programs', 'Autostart'] },
    { id: 'uninstall', name: ['Uninstall programs', 'Programme entfernen'] },
    { id: 'memory', name: ['Memory', 'Arbeitsspeicher'] },
    { group: ['Tools', 'Werkzeuge'] },
    { id: 'shredder', name: ['Shredder', 'Schredder'] },
    { id: 'plugins', name: ['Plug-ins', 'Plug-ins'] },
    { id: 'schedule', name: ['Schedule', 'Zeitplan'] },
    { id: 'booster', name: ['Connection booster', 'Verbindungs-Booster'] },
    { id: 'options', name: ['Options', 'Optionen'] },
  ];
  // A person opens the program to clean: it starts on the first privacy screen, and a reload of
  // the page keeps the screen the user was on.
  const FIRST_SCREEN = SCREENS.find((screen) => screen.id).id;
  const LAST_SCREEN_KEY = 'tavrin-last-screen';

  let german = false;
  const text = (pair) => pair[german ? 1 : 0];

  // What stands in a screen's place when its files cannot be loaded: its title and the reason.
  function unloadedScreen(screen, error) {
    const section = Object.assign(document.createElement('section'), { className: 'screen', hidden: true });
    section.dataset.screen = screen.id;
    const title = Object.assign(document.createElement('h1'), { textContent: screen.name[0] });
    title.dataset.de = screen.name[1];
    const reason = Object.assign(document.createElement('p'), { className: 'card', textContent: error.message });
    section.append(title, reason);
    return section;
  }

  function loadScript(src) {
    return new Promise((resolve, reject) => {
      const script = Object.assign(document.createElement('script'), { src });
      script.addEventListener('load', resolve);
      script.addEventListener('error', () => reject(new Error(`The screen script ${src} could not be loaded.`)));
      document.head.append(script);
    });
  }

  // The markup of a screen, with its script loaded (and so its set-up registered) where it has one.
  async function loadScreen(screen) {
    const script = screen.kind ? Promise.resolve() : loadScript(`/skin/screens/${screen.id}.js`);
    const [response] = await Promise.all([fetch(`/skin/screens/${screen.id}.html`), script]);
    if (!response.ok) throw new Error(`The screen ${screen.id} could not be loaded (${response.status}).`);
    const holder = document.createElement('template');
    holder.innerHTML = (await response.text()).trim();
    return holder.content.firstElementChild;
  }

  async function makeScreen(screen) {
    return screen.kind === 'drawn' ? window.Tavrin.drawCategoryScreen(screen.id) : loadScreen(screen);
  }

  // Every screen in the order of the navigation, bound to its variables and set up by its own
  // script. A screen whose files cannot be loaded says why in its place; the others still work.
  async function addScreens(root) {
    const screens = root.querySelector('#screens');
    const pages = SCREENS.filter((screen) => !screen.group);
    const loaded = await Promise.all(pages.map((screen) => makeScreen(screen).catch((error) => error)));
    pages.forEach((screen, index) => {
      const section = loaded[index];
      if (section instanceof Error) {
        console.error(section);
        screens.append(unloadedScreen(screen, section));
        return;
      }
      screens.append(section);
      window.Tavrin.bindings.bindAll(section);
      // A drawn screen sets itself up once the catalogue has given it its boxes.
      if (screen.kind === 'category') window.Tavrin.categoryScreen(section);
      else if (!screen.kind) window.Tavrin.screens[screen.id](section);
    });
  }

  function buildNavigation(root) {
    const sidebar = root.querySelector('#sidebar');
    for (const screen of SCREENS) {
      if (screen.group) {
        const heading = document.createElement('h3');
        heading.textContent = screen.group[0];
        heading.dataset.de = screen.group[1];
        sidebar.append(heading);
        continue;
      }
      const item = document.createElement('button');
      item.type = 'button';
      item.className = 'nav-item';
      item.dataset.target = screen.id;
      const label = Object.assign(document.createElement('span'), { className: 'label', textContent: screen.name[0] });
      label.dataset.de = screen.name[1];
      item.append(label);
      // A cleaning category's enable variable, which the program sets to "0" when the
      // application is not installed, comes with the category from the program.
      window.Tavrin.withCategory(screen.id, ({ enabled }) => {
        if (!enabled) return;
        player.on(MOVIE, enabled, (value) => {
          item.classList.toggle('not-installed', value === '0');
          item.title = value === '0' ? text(['Not installed', 'Nicht installiert']) : '';
        });
      });
      item.addEventListener('click', () => showScreen(root, screen.id));
      sidebar.append(item);
    }
  }

  function showScreen(root, id) {
    sessionStorage.setItem(LAST_SCREEN_KEY, id);
    root.querySelectorAll('.screen').forEach((section) => { section.hidden = section.dataset.screen !== id; });
    root.querySelectorAll('.nav-item').forEach((item) => item.classList.toggle('active', item.dataset.target === id));
    root.querySelector('#screens').scrollTop = 0;
  }

  function setupTitlebar(root) {
    const language = root.querySelector('#language');
    player.on(MOVIE, '_root.strCurrentLanguage', (name) => {
      language.value = window.Tavrin.bindings.isGerman(name) ? 'Deutsch' : 'English';
    });
    language.addEventListener('change', () => player.command(MOVIE, 'IDC_FS_LANGUAGE', language.value));
    root.addEventListener('tavrin-language', (event) => { german = event.detail.german; });
    root.querySelector('#ram-chip').addEventListener('click', () => showScreen(root, 'memory'));
    // Written only on a machine the program may only read, with the reason in the screens' language.
    const readOnly = root.querySelector('#read-only-banner');
    player.on(MOVIE, '_root.ReadOnlyMachine', (reason) => { readOnly.hidden = !reason; });
  }

  // The memory load the program reports, as the title bar's chip and the memory screen show it.
  window.Tavrin.memoryLoad = (value) => {
    const percent = Math.max(0, Math.min(100, parseFloat(value) || 0));
    return { percent, shown: value === '' ? '–' : `${Math.round(percent)} %` };
  };

  function setupMemoryChip(root) {
    const chipFill = root.querySelector('#ram-chip-fill');
    const chipValue = root.querySelector('#ram-chip-value');
    player.on(MOVIE, '_root.RamValue', (value) => {
      const load = window.Tavrin.memoryLoad(value);
      chipFill.style.width = `${load.percent}%`;
      chipValue.textContent = load.shown;
    });
  }

  // While the screen is locked for a run that Cancel can stop, the lock shows how far the run is,
  // the time left once the program can estimate it, and Cancel.
  function setupLock(root) {
    const lock = root.querySelector('#gui-lock');
    player.on(MOVIE, '_root.MakeTheGUIDisable', (value) => { lock.hidden = !truthy(value); });
    const panel = root.querySelector('#run-panel');
    const cancel = root.querySelector('#run-cancel');
    const percent = root.querySelector('#run-percent');
    const bar = root.querySelector('#run-bar');
    player.on(MOVIE, '_root.RunCancellable', (value) => {
      if (value === '1' && panel.hidden) {
        // A new run sweeps until it says how far it is.
        percent.textContent = '';
        bar.removeAttribute('style');
      }
      panel.hidden = value !== '1';
      cancel.disabled = false;
    });
    player.on(MOVIE, '_root.ProgressPercent', (value) => {
      if (panel.hidden) return;
      percent.textContent = `${Number(value) || 0} %`;
      Object.assign(bar.style, { width: `${Number(value) || 0}%`, animation: 'none' });
    });
    cancel.addEventListener('click', () => {
      cancel.disabled = true;
      player.cancelRun();
    });
  }

  async function init(root) {
    window.Tavrin.screens = window.Tavrin.screens || {};
    buildNavigation(root);
    setupTitlebar(root);
    setupMemoryChip(root);
    setupLock(root);
    await addScreens(root);
    window.Tavrin.showScreen = (id) => showScreen(root, id);
    window.Tavrin.previewView(root);
    const last = sessionStorage.getItem(LAST_SCREEN_KEY);
    showScreen(root, SCREENS.some((screen) => screen.id === last) ? last : FIRST_SCREEN);
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).main = init;
})();
