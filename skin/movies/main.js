// The main window: the navigation to every screen, the title bar (memory, language, tray, close),
// and the screens that need more than markup bindings (options, memory).
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // Every screen of the product, in the order of the navigation. `enabled` names the variable the
  // program sets to "0" when the application is not installed.
  const SCREENS = [
    { group: ['Privacy', 'Datenschutz'] },
    { id: 'ie', name: ['Internet Explorer', 'Internet Explorer'], ready: true },
    { id: 'ietools', name: ['IE privacy tools', 'IE-Werkzeuge'], ready: true },
    { id: 'windows', name: ['Windows', 'Windows'], about: 'Temporary files, recycle bin, recent documents, run and search histories, the clipboard and more.' },
    { group: ['Browsers', 'Browser'] },
    { id: 'netscape', name: ['Netscape / Mozilla', 'Netscape / Mozilla'], enabled: '_root.NS_Enabled', about: 'Cache, history, cookies and auto-complete of Netscape and Mozilla.' },
    { id: 'firefox', name: ['Firefox', 'Firefox'], enabled: '_root.FF_Enabled', about: 'History, typed addresses, cache, cookies and bookmarks of Firefox.' },
    { id: 'opera', name: ['Opera', 'Opera'], enabled: '_root.OP_Enabled', about: 'History, cookies, cache and visited pages of Opera.' },
    { id: 'aol', name: ['AOL', 'AOL'], enabled: '_root.AOL_Enabled', about: 'Cache and download folder of AOL.' },
    { group: ['Messengers', 'Messenger'] },
    { id: 'msn', name: ['MSN Messenger', 'MSN Messenger'], enabled: '_root.MSN_Enabled', about: 'Received files and account traces of MSN Messenger.' },
    { id: 'yahoo', name: ['Yahoo Messenger', 'Yahoo Messenger'], enabled: '_root.YAHOO_Enabled', about: 'Saved passwords and profiles of Yahoo Messenger.' },
    { id: 'icq', name: ['ICQ', 'ICQ'], enabled: '_root.ICQ_Enabled', about: 'Received files, chat histories and contact traces of ICQ.' },
    { id: 'office', name: ['Office', 'Office'], about: 'Recently used files of Word, Excel, PowerPoint, Access and the other Office programs.' },
    { group: ['System', 'System'] },
    { id: 'registry', name: ['Registry cleaner', 'Registry-Reiniger'], about: 'Finds invalid registry entries, removes them with a backup and restores backups.' },
    { id: 'dll', name: ['DLL cleaner', 'DLL-Reiniger'], about: 'Finds stray copies of registered libraries, removes them with a backup and restores them.' },
    { id: 'startup', name: ['Startup programs', 'Autostart'], about: 'Programs that start with Windows.' },
    { id: 'uninstall', name: ['Uninstall programs', 'Programme entfernen'], about: 'Starts the uninstaller of an installed program.' },
    { id: 'memory', name: ['Memory', 'Arbeitsspeicher'], ready: true },
    { group: ['Tools', 'Werkzeuge'] },
    { id: 'shredder', name: ['Shredder', 'Schredder'], ready: true },
    { id: 'plugins', name: ['Plug-ins', 'Plug-ins'], about: 'Your own cleaning items: files, folders and registry entries.' },
    { id: 'schedule', name: ['Schedule', 'Zeitplan'], about: 'Cleans the items of a profile daily, weekly, monthly or at a custom interval.' },
    { id: 'booster', name: ['Connection booster', 'Verbindungs-Booster'], ready: true },
    { id: 'options', name: ['Options', 'Optionen'], ready: true },
  ];
  const FIRST_SCREEN = 'shredder';

  // The order of the Windows tweaks in the options command.
  const TWEAKS = ['_root.WIN_USS', '_root.WIN_BF', '_root.WIN_EAS', '_root.WIN_EB', '_root.WIN_CWTF', '_root.WIN_OHWI'];

  let german = false;
  const text = (pair) => pair[german ? 1 : 0];

  function addLaterScreen(screens, screen) {
    const section = screens.querySelector('#screen-later').content.firstElementChild.cloneNode(true);
    section.dataset.screen = screen.id;
    const title = section.querySelector('.later-title');
    title.textContent = screen.name[0];
    title.dataset.de = screen.name[1];
    section.querySelector('.later-description').textContent = screen.about;
    screens.append(section);
  }

  function buildNavigation(root) {
    const sidebar = root.querySelector('#sidebar');
    const screens = root.querySelector('#screens');
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
        addLaterScreen(screens, screen);
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

  function setupMemory(root) {
    const chipFill = root.querySelector('#ram-chip-fill');
    const chipValue = root.querySelector('#ram-chip-value');
    const gauge = root.querySelector('#ram-gauge');
    player.on(MOVIE, '_root.RamValue', (value) => {
      const load = Math.max(0, Math.min(100, parseFloat(value) || 0));
      const shown = value === '' ? '–' : `${Math.round(load)} %`;
      chipFill.style.width = gauge.querySelector('.gauge-fill').style.height = `${load}%`;
      chipValue.textContent = gauge.querySelector('.gauge-value').textContent = shown;
      gauge.dataset.level = load >= 85 ? 'high' : load >= 60 ? 'medium' : 'low';
    });
    const percent = root.querySelector('#free-percent');
    const percentValue = root.querySelector('#free-percent-value');
    percent.addEventListener('input', () => { percentValue.textContent = `${percent.value} %`; });
    root.querySelector('#free-memory').addEventListener('click', () => {
      player.command(MOVIE, 'IDC_FS_SCROLL', percent.value);
    });
  }

  function setupOptions(root) {
    root.querySelector('#apply-options').addEventListener('click', () => {
      const flags = TWEAKS.map((name) => (truthy(player.value(MOVIE, name)) ? '1' : '0'));
      player.command(MOVIE, 'IDC_FS_OPT', flags.join(','));
    });
  }

  function setupLock(root) {
    const lock = root.querySelector('#gui-lock');
    player.on(MOVIE, '_root.MakeTheGUIDisable', (value) => { lock.hidden = !truthy(value); });
  }

  function init(root) {
    buildNavigation(root);
    setupTitlebar(root);
    setupMemory(root);
    setupOptions(root);
    setupLock(root);
    // Screens with scripts of their own (shredder, booster) live in the main movie too.
    for (const initScreen of Object.values(window.Tavrin.screens || {})) initScreen(root);
    showScreen(root, FIRST_SCREEN);
  }

  (window.Tavrin.movies = window.Tavrin.movies || {}).main = init;
})();
