// The schedule screen: shows the stored schedule, lets the user change it and saves it with the
// ticks of the current profile. Only the fields of the chosen type are shown.
(function () {
  'use strict';
  const player = window.tavrin;
  const MOVIE = 'main';

  // A whole number from low to high, as typed; null for anything else.
  function numberIn(text, low, high) {
    const trimmed = String(text).trim();
    if (!/^\d{1,2}$/.test(trimmed)) return null;
    const number = Number(trimmed);
    return number >= low && number <= high ? number : null;
  }

  function init(screen) {
    const field = (id) => screen.querySelector(`#schedule-${id}`);
    const type = field('type');
    const problem = field('problem');
    const german = () => window.Tavrin.bindings.pageIsGerman();

    const showFieldsOfType = () => {
      for (const part of screen.querySelectorAll('[data-for]')) {
        part.hidden = !part.dataset.for.split(' ').includes(type.value);
      }
    };
    type.addEventListener('change', () => { problem.hidden = true; showFieldsOfType(); });

    // The stored schedule, as the program pushes it at start-up.
    player.on(MOVIE, '_root.TypeOfSchedule', (value) => {
      const known = [...type.options].find((option) => option.value.toUpperCase() === String(value).toUpperCase());
      type.value = known ? known.value : 'NONE';
      showFieldsOfType();
    });
    player.on(MOVIE, '_root.CurrentDayName', (value) => {
      const known = [...field('day').options].find((option) => option.value.toUpperCase() === String(value).toUpperCase());
      if (known) field('day').value = known.value;
    });
    const showText = (name, input) => player.on(MOVIE, name, (value) => { input.value = value; });
    showText('_root.CurrentDayNumber', field('date'));
    showText('_root.CurrentHour', field('hour'));
    showText('_root.CurrentMinute', field('minute'));
    showText('_root.CurrentCustom', field('interval'));
    player.on(MOVIE, '_root.CurrentAm', (value) => { if (value === '1') field('am').checked = true; });
    player.on(MOVIE, '_root.CurrentPm', (value) => { if (value === '1') field('pm').checked = true; });
    showFieldsOfType();

    // What is wrong with the fields of the chosen type, in the page's language; '' when nothing.
    const whatIsWrong = () => {
      const kind = type.value;
      const say = (english, deutsch) => (german() ? deutsch : english);
      if (['Daily', 'Weekly', 'Monthly'].includes(kind)) {
        if (numberIn(field('hour').value, 1, 12) === null) return say('The hour must be from 1 to 12.', 'Die Stunde muss zwischen 1 und 12 liegen.');
        if (numberIn(field('minute').value, 0, 59) === null) return say('The minute must be from 0 to 59.', 'Die Minute muss zwischen 0 und 59 liegen.');
        if (!field('am').checked && !field('pm').checked) return say('Choose AM or PM.', 'Wählen Sie AM oder PM.');
      }
      if (kind === 'Monthly' && numberIn(field('date').value, 1, 31) === null) {
        return say('The day of the month must be from 1 to 31.', 'Der Tag des Monats muss zwischen 1 und 31 liegen.');
      }
      if (kind === 'Custom' && numberIn(field('interval').value, 1, 23) === null) {
        return say('The number of hours must be from 1 to 23.', 'Die Zahl der Stunden muss zwischen 1 und 23 liegen.');
      }
      return '';
    };

    field('save').addEventListener('click', () => {
      const wrong = whatIsWrong();
      problem.hidden = !wrong;
      problem.textContent = wrong;
      if (wrong) return;
      // The command's arguments are a comma list: no field may add a comma of its own.
      const plain = (text) => String(text).replaceAll(',', '').trim();
      const args = [type.value, field('day').value, plain(field('date').value), plain(field('hour').value),
        plain(field('minute').value), field('am').checked ? 'true' : 'false', field('pm').checked ? 'true' : 'false',
        plain(field('interval').value)];
      player.command(MOVIE, 'IDC_FS_SAVESCHEDULEOPTIONS', args.join(','));
    });
  }

  (window.Tavrin.screens = window.Tavrin.screens || {}).schedule = init;
})();
