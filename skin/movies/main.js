// The main window: the navigation to every screen and the title bar (memory, language, tray,
// close). Each screen marked ready in SCREENS is a file pair of its own: skin/screens/<id>.html
// holds its markup and skin/screens/<id>.js registers window.Tavrin.screens[<id>], which sets the
// screen up once its markup is in the page. The others show the "later" card.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // Every screen of the product, in the order of the navigation. `enabled` names the variable the
  // program sets to "0" when the application is not installed. A feature that gets its screen
  // adds skin/screens/<id>.html and .js and marks its line `ready: true`.
  const SCREENS = [
    { group: ['Privacy', 'Datenschutz'] },
    { id: 'ie', name: ['Internet Explorer', 'Internet Explorer'], ready: true },
    { id: 'ietools', name: ['IE privacy tools', 'IE-Werkzeuge'], ready: true },
    { id: 'windows', name: ['Windows', 'Windows'], ready: true },
    { group: ['Browsers', 'Browser'] },
    { id: 'netscape', name: ['Netscape / Mozilla', 'Netscape / Mozilla'], enabled: '_root.NS_Enabled', ready: true },
    { id: 'firefox', name: ['Firefox', 'Firefox'], enabled: '_root.FF_Enabled', ready: true },
    { id: 'opera', name: ['Opera', 'Opera'], enabled: '_root.OP_Enabled', ready: true },
    { id: 'aol', name: ['AOL', 'AOL'], enabled: '_root.AOL_Enabled', ready: true },
    { group: ['Messengers', 'Messenger'] },
    { id: 'msn', name: ['MSN Messenger', 'MSN Messenger'], enabled: '_root.MSN_Enabled', ready: true },
    { id: 'yahoo', name: ['Yahoo Messenger', 'Yahoo Messenger'], enabled: '_root.YAHOO_Enabled', ready: true },
    { id: 'icq', name: ['ICQ', 'ICQ'], enabled: '_root.ICQ_Enabled', ready: true },
    { id: 'office', name: ['Office', 'Office'], ready: true },
    { group: ['System', 'System'] },
    { id: 'registry', name: ['Registry cleaner', 'Registry-Reiniger'], ready: true },
    { id: 'dll', name: ['DLL cleaner', 'DLL-Reiniger'], ready: true },
    { id: 'dllrestore', name: ['DLL backups', 'DLL-Sicherungen'], ready: true },
    { id: 'startup', name: ['Startup programs', 'Autostart'], ready: true },
    { id: 'uninstall', name: ['Uninstall programs', 'Programme entfernen'], ready: true },
    { id: 'memory', name: ['Memory', 'Arbeitsspeicher'], ready: true },
    { group: ['Tools', 'Werkzeuge'] },
    { id: 'shredder', name: ['Shredder', 'Schredder'], ready: true },
    { id: 'plugins', name: ['Plug-ins', 'Plug-ins'], ready: true },
    { id: 'schedule', name: ['Schedule', 'Zeitplan'], ready: true },
    { id: 'booster', name: ['Connection booster', 'Verbindungs-Booster'], ready: true },
    { id: 'options', name: ['Options', 'Optionen'], ready: true },
  ];
  const FIRST_SCREEN = 'shredder';

  let german = false;
  const text = (pair) => pair[german ? 1 : 0];

  function laterScreen(screens, screen) {
    const section = screens.querySelector('#screen-later').content.firstElementChild.cloneNode(true);
    section.dataset.screen = screen.id;
    const title = section.querySelector('.later-title');
    title.textContent = screen.name[0];
    title.dataset.de = screen.name[1];
    section.querySelector('.later-description').textContent = screen.about;
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

  // The markup of a ready screen, with its script loaded (and so its set-up registered).
  async function loadScreen(id) {
    const [response] = await Promise.all([fetch(`/skin/screens/${id}.html`), loadScript(`/skin/screens/${id}.js`)]);
    if (!response.ok) throw new Error(`The screen ${id} could not be loaded (${response.status}).`);
    const holder = document.createElement('template');
    holder.innerHTML = (await response.text()).trim();
    return holder.content.firstElementChild;
  }

  // A screen whose files cannot be loaded shows the "later" card; the other screens still work.
  function loadScreenOrNothing(id) {
    return loadScreen(id).catch((error) => {
      console.error(error);
      return null;
    });
  }

  // Every screen in the order of the navigation: a ready one bound to its variables and set up by
  // its own script, any other one the "later" card.
  async function addScreens(root) {
    const screens = root.querySelector('#screens');
    const ready = SCREENS.filter((screen) => screen.ready);
    const loaded = new Map(await Promise.all(ready.map(async (screen) => [screen.id, await loadScreenOrNothing(screen.id)])));
    for (const screen of SCREENS) {
      if (screen.group) continue;
      const section = loaded.get(screen.id);
      if (!section) {
        screens.append(laterScreen(screens, screen));
        continue;
      }
      screens.append(section);
      window.Tavrin.bindings.bindAll(section);
      window.Tavrin.screens[screen.id](section);
    }
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
      if (!screen.ready) {
        const badge = Object.assign(document.createElement('span'), { className: 'badge', textContent: 'later' });
        badge.dataset.de = 'später';
        item.append(badge);
      }
      if (screen.enabled) {
        player.on(MOVIE, screen.enabled, (value) => {
          item.classList.toggle('not-installed', value === '0');
          item.title = value === '0' ? text(['Not installed', 'Nicht installiert']) : '';
        });
      }
      item.addEventListener('click', () => showScreen(root, screen.id));
      sidebar.append(item);
    }
  }

  function showScreen(root, id) {
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

  function setupLock(root) {
    const lock = root.querySelector('#gui-lock');
    player.on(MOVIE, '_root.MakeTheGUIDisable', (value) => { lock.hidden = !truthy(value); });
  }

  async function init(root) {
    window.Tavrin.screens = window.Tavrin.screens || {};
    buildNavigation(root);
    setupTitlebar(root);
    setupMemoryChip(root);
    setupLock(root);
    await addScreens(root);
    showScreen(root, FIRST_SCREEN);
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).main = init;
})();
