// The Internet Explorer screen (what to clean, the start page, Clean) and the Internet Explorer
// tools screen (hide and show typed addresses, favorites and saved passwords). Their markup lives
// here with their behaviour; both are screens of the main movie.
(function () {
  'use strict';
  const player = window.tavrin;
  const { truthy } = window.Tavrin;
  const MOVIE = 'main';

  // In the order of the option list the clean command sends.
  const ITEMS = [
    ['_root.IE_TU', 'Typed addresses', 'Eingetippte Adressen', 'The addresses typed into the address bar.', 'Die in die Adressleiste eingetippten Adressen.'],
    ['_root.IE_AC', 'Turn off auto-complete', 'AutoVervollständigen ausschalten', 'Left unticked, auto-complete is switched on.', 'Ohne Haken wird AutoVervollständigen eingeschaltet.'],
    ['_root.IE_DF', 'Download folder', 'Download-Ordner', 'Everything in the download folder is shredded.', 'Alles im Download-Ordner wird geschreddert.'],
    ['_root.IE_CA', 'Temporary Internet files', 'Temporäre Internetdateien', 'The cached pages and pictures.', 'Die zwischengespeicherten Seiten und Bilder.'],
    ['_root.IE_HI', 'History', 'Verlauf', 'The list of visited pages.', 'Die Liste der besuchten Seiten.'],
    ['_root.IE_CO', 'Cookies', 'Cookies', 'The cookie files are shredded.', 'Die Cookie-Dateien werden geschreddert.'],
  ];

  // Each pair: the button variables and the commands of its two buttons.
  const PAIRS = [
    ['TypedUrls', 'Typed addresses', 'Eingetippte Adressen', 'IDC_FS_HIDETYPEDURLS', 'IDC_FS_SHOWTYPEDURLS'],
    ['Favorites', 'Favorites', 'Favoriten', 'IDC_FS_HIDEFAVORITES', 'IDC_FS_SHOWFAVORITES'],
    ['Password', 'Saved passwords', 'Gespeicherte Kennwörter', 'IDC_FS_HIDEPASSWORD', 'IDC_FS_SHOWPASSWORD'],
  ];

  const escape = (text) => text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/"/g, '&quot;');

  function cleanScreen() {
    const items = ITEMS.map(([name, label, labelDe, about, aboutDe]) => `
      <label class="check"><input type="checkbox" data-var="${name}">
        <span><span data-de="${escape(labelDe)}">${escape(label)}</span><small data-de="${escape(aboutDe)}">${escape(about)}</small></span></label>`).join('');
    return `
      <section class="screen" data-screen="ie" hidden>
        <header class="screen-head">
          <h1>Internet Explorer</h1>
          <p class="muted" data-de="Entfernt die Spuren des Surfens mit Internet Explorer.">Removes the traces browsing with Internet Explorer leaves behind.</p>
        </header>
        <div class="screen-grid">
          <section class="card" id="ie-items">
            <h2 data-de="Was wird gereinigt">What to clean</h2>
            ${items}
          </section>
          <section class="card">
            <h2 data-de="Startseite">Start page</h2>
            <div class="field-row">
              <label for="ie-home-page" data-de="Adresse">Address</label>
              <input type="text" id="ie-home-page" data-var="_root.HomePage" spellcheck="false">
            </div>
            <p class="muted hint" data-de="Wird bei jeder Reinigung als Startseite gesetzt.">Set as the start page with every clean.</p>
            <div class="button-row">
              <button type="button" id="ie-clean" class="primary" data-de="Reinigen">Clean</button>
            </div>
          </section>
        </div>
      </section>`;
  }

  function toolsScreen() {
    const pairs = PAIRS.map(([stem, label, labelDe, hide, show]) => `
      <section class="card ie-pair" data-pair="${stem}">
        <h2 data-de="${escape(labelDe)}">${escape(label)}</h2>
        <div class="button-row">
          <button type="button" data-pair-command="${hide}" data-pair-side="Hide" data-de="Verstecken">Hide</button>
          <button type="button" data-pair-command="${show}" data-pair-side="Show" data-de="Anzeigen">Show</button>
        </div>
      </section>`).join('');
    return `
      <section class="screen" data-screen="ietools" hidden>
        <header class="screen-head">
          <h1 data-de="IE-Werkzeuge">IE privacy tools</h1>
          <p class="muted" data-de="Versteckt Daten hinter einer Sicherung und holt sie wieder zurück.">Hides data behind a backup and brings it back.</p>
        </header>
        <div class="screen-grid">${pairs}</div>
      </section>`;
  }

  function setupClean(root) {
    root.querySelector('#ie-clean').addEventListener('click', () => {
      const flags = ITEMS.map(([name]) => (truthy(player.value(MOVIE, name)) ? '1' : '0'));
      player.command(MOVIE, 'IDC_FS_IE', flags.join(','));
    });
  }

  // The active button of a pair is the one that can be pressed; pressing it makes the other one
  // active. The program keeps these states with the profile ("true" is what it stores as on).
  function setupPairs(root) {
    for (const card of root.querySelectorAll('.ie-pair')) {
      const stem = card.dataset.pair;
      const buttons = [...card.querySelectorAll('[data-pair-command]')];
      const variable = (side) => `_root.${stem}_${side}`;
      const render = () => {
        for (const button of buttons) button.disabled = !truthy(player.value(MOVIE, variable(button.dataset.pairSide)));
      };
      player.on(MOVIE, variable('Hide'), render);
      player.on(MOVIE, variable('Show'), render);
      for (const button of buttons) {
        button.addEventListener('click', () => {
          const pressed = button.dataset.pairSide;
          player.change(MOVIE, variable(pressed), 'false');
          player.change(MOVIE, variable(pressed === 'Hide' ? 'Show' : 'Hide'), 'true');
          player.command(MOVIE, button.dataset.pairCommand, '');
        });
      }
    }
  }

  function init(root) {
    const later = root.querySelector('#screen-later');
    for (const markup of [cleanScreen(), toolsScreen()]) {
      const holder = document.createElement('template');
      holder.innerHTML = markup.trim();
      const section = holder.content.firstElementChild;
      later.before(section);
      window.Tavrin.bindings.bindAll(section);
    }
    setupClean(root);
    setupPairs(root);
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).ie = init;
})();
