// The preview view: what a preview found, in the content area with the labels the screen shows,
// the settings a clean changes, the sizes and totals; nothing changed on the machine; then "Clean
// these" removes exactly what was listed. Twenty thousand files open and scroll at once, and the
// log panel takes the clean's twenty thousand lines in seconds and keeps them all readable.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { filesBelow, profileDir } = require('../support/machine_files');
const { agreeToCaution, keepScreenshot, openProgram, settle, variables } = require('../support/screens');

// Every file of the machine folder with its contents; one that goes while it is read is gone.
function machineFiles(machineDir) {
  const files = {};
  for (const file of filesBelow(machineDir)) {
    try {
      if (fs.lstatSync(file).isFile()) files[path.relative(machineDir, file)] = fs.readFileSync(file, 'latin1');
    } catch (error) {
      if (error.code !== 'ENOENT') throw error;
    }
  }
  return files;
}

// The rows of the view as the program pushed them: [kind, ...fields].
async function previewRows(page, program) {
  const vars = await variables(page, program, 'main');
  const text = vars['_root.NamesOfPreviewRows'];
  return text ? text.split('|').map((row) => row.split('\t')) : [];
}

// The host paths of the files a preview lists on drive C:, in lower case as Windows compares.
function listedFiles(machineDir, rows) {
  return rows.filter(([kind, windowsPath]) => kind === 'file' && /^C:\\/i.test(windowsPath))
    .map(([, windowsPath]) => driveC(machineDir, ...windowsPath.slice(3).split('\\')).toLowerCase());
}

// The labels of the items the view draws, scrolled through from top to bottom: it draws only the
// rows in sight.
async function itemLabels(view) {
  return view.locator('.preview-rows').evaluate(async (scroller) => {
    const labels = new Set();
    for (let top = 0; ; top += scroller.clientHeight) {
      scroller.scrollTop = top;
      await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
      scroller.querySelectorAll('.preview-item .preview-label').forEach((label) => labels.add(label.textContent));
      if (top + scroller.clientHeight >= scroller.scrollHeight) break;
    }
    scroller.scrollTop = 0;
    return [...labels];
  });
}

// Files of the machine that went between two looks, in lower case.
function goneFiles(machineDir, before) {
  const after = machineFiles(machineDir);
  return Object.keys(before).filter((file) => !(file in after)).map((file) => path.join(machineDir, file).toLowerCase());
}

test('the preview view lists the Internet Explorer traces under their labels with the auto-complete switch, and Clean these removes exactly them', async ({ page }, testInfo) => {
  const program = await startProgram(newMachineDir('preview'));
  try {
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await page.locator('.nav-item', { hasText: 'Internet Explorer' }).click();
    const screen = page.locator('[data-screen="ie"]');
    for (const label of ['Typed addresses', 'Download folder', 'Temporary Internet files', 'History', 'Cookies'])
      await screen.getByRole('checkbox', { name: label }).check();
    await screen.getByRole('checkbox', { name: 'Turn off auto-complete' }).uncheck();
    await settle(page, program);
    const before = machineFiles(program.machineDir);

    await screen.getByRole('button', { name: 'Preview' }).click();
    await settle(page, program);
    const view = page.locator('#preview-view');
    await expect(view).toBeVisible();
    await expect(screen).toBeHidden();
    await page.screenshot({ path: testInfo.outputPath('preview-ie.png') });
    expect((await itemLabels(view)).sort()).toEqual(
      ['Cookies', 'Download folder', 'History', 'Temporary Internet files', 'Turn off auto-complete', 'Typed addresses']);
    const rows = await previewRows(page, program);
    const changes = rows.filter(([kind]) => kind === 'change');
    expect(changes).toHaveLength(1);
    expect(changes[0][1]).toMatch(/\\AutoComplete\\Append Completion$/);
    expect(changes[0][2]).toMatch(/to “yes”$/);
    const total = await view.locator('.preview-total').textContent();
    expect(total).toMatch(/^In all: .*\d+ (B|KB), 1 change$/);

    const listed = listedFiles(program.machineDir, rows);
    expect(listed.length).toBeGreaterThan(3);
    expect(machineFiles(program.machineDir)).toEqual(before);

    await view.getByRole('button', { name: 'Clean these' }).click();
    await agreeToCaution(page, program);  // the download folder is ticked
    await expect(screen).toBeVisible();
    const lines = page.locator('[data-window="log"] #log-lines li');
    await expect(lines.last()).toHaveText(/^All done: removed /);
    expect(await lines.last().textContent()).toBe(`All done: removed ${total.replace(/^In all: /, '').replace(/, 1 change$/, '')}`);
    expect(goneFiles(program.machineDir, before).sort()).toEqual([...listed].sort());
  } finally {
    await program.stop();
  }
});

const MANY = 20_000;
for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`a preview of ${MANY} temporary files opens, scrolls and cleans exactly them (${language}, ${width}x${height})`, async ({ page }, testInfo) => {
    test.setTimeout(240_000);
    const program = await startProgram(newMachineDir('preview-many'));
    try {
      const many = path.join(profileDir(program.machineDir), 'Local Settings', 'Temp', 'many');
      fs.mkdirSync(many, { recursive: true });
      for (let index = 0; index < MANY; ++index)
        fs.writeFileSync(path.join(many, `trace-${String(index).padStart(5, '0')}.tmp`), `t${index}`);
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.selectOption('#language', language);
      const german = language === 'Deutsch';
      await page.locator('.nav-item[data-target="windows"]').click();
      const screen = page.locator('[data-screen="windows"]');
      await screen.locator('#windows-none').click();
      await screen.locator('input[data-var="_root.WIN_TF"]').check();
      await settle(page, program);
      const before = machineFiles(program.machineDir);

      await page.evaluate(() => {
        const timing = window.previewTiming = {};
        window.tavrin.onEvent('var', ({ name }) => {
          if (name === '_root.NamesOfPreviewRows') timing.arrived = performance.now();
          // The view opens in the trigger's own listener, before this one: the next frame shows it.
          if (name === '_root.ShowPreviewRows' && !timing.painted)
            requestAnimationFrame(() => setTimeout(() => { timing.painted = performance.now(); }));
        });
      });
      await screen.locator('.category-preview').click();
      await settle(page, program);
      const view = page.locator('#preview-view');
      await expect(view).toBeVisible();
      const firstPaint = await page.waitForFunction(() => window.previewTiming.painted && window.previewTiming.painted - window.previewTiming.arrived);
      const scroll = await page.evaluate(() => new Promise((resolve) => {
        const scroller = document.querySelector('#preview-view .preview-rows');
        const start = performance.now();
        scroller.scrollTop = scroller.scrollHeight;
        requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - start))));
      }));
      const last = `trace-${String(MANY - 1).padStart(5, '0')}.tmp`;
      await expect(view.locator('.preview-name', { hasText: last })).toBeVisible();
      console.log(`preview of ${MANY} files (${language}, ${width}x${height}): first paint ${Math.round(await firstPaint.jsonValue())} ms after the rows arrived, scroll to the end ${Math.round(scroll)} ms`);
      // A sanity bound only: a list drawn whole would take far longer.
      expect(await firstPaint.jsonValue()).toBeLessThan(5000);
      expect(scroll).toBeLessThan(5000);

      const total = await view.locator('.preview-total').textContent();
      const counted = new RegExp(`^${german ? 'Insgesamt' : 'In all'}: (\\d+) ${german ? 'Dateien' : 'files'}, `).exec(total);
      expect(Number(counted && counted[1]), total).toBeGreaterThanOrEqual(MANY);
      const clean = view.getByRole('button', { name: german ? 'Diese reinigen' : 'Clean these' });
      const back = view.getByRole('button', { name: german ? 'Zurück' : 'Back' });
      await page.screenshot({ path: testInfo.outputPath(`preview-${language}-${width}x${height}-end.png`) });
      await view.locator('.preview-rows').evaluate((scroller) => { scroller.scrollTop = 0; });
      await page.screenshot({ path: testInfo.outputPath(`preview-${language}-${width}x${height}-top.png`) });
      await expect(view.locator('.preview-item .preview-label').first()).toHaveText(german ? 'Temporäre Dateien' : 'Temporary files');
      // Nothing cut off: the buttons are inside the window.
      for (const button of [clean, back]) {
        const box = await button.boundingBox();
        expect(box.x + box.width).toBeLessThanOrEqual(width);
        expect(box.y + box.height).toBeLessThanOrEqual(height);
      }

      const listed = listedFiles(program.machineDir, await previewRows(page, program));
      expect(listed.filter((file) => file.startsWith(many.toLowerCase()))).toHaveLength(MANY);
      expect(machineFiles(program.machineDir)).toEqual(before);
      const started = Date.now();
      await clean.click();
      // The log panel takes every line of the run: one per file, then the closing text.
      const lines = page.locator('[data-window="log"] #log-lines li');
      await expect(lines.last()).toHaveText(german ? /^Fertig: entfernt / : /^All done: removed /, { timeout: 120_000 });
      const drawn = Date.now() - started;
      const count = Number(await lines.last().getAttribute('aria-setsize'));
      console.log(`log panel after Clean these (${language}, ${width}x${height}): ${count} lines in ${drawn} ms, ${await lines.count()} of them drawn`);
      expect(count).toBeGreaterThan(MANY);
      expect(await lines.last().getAttribute('aria-posinset')).toBe(String(count));
      // A sanity bound only: the page drew a line at a time in minutes.
      expect(drawn).toBeLessThan(60_000);
      // The whole log stays readable: scrolled to its top, then to its middle, the lines there are drawn.
      const shownAt = (share) => page.locator('[data-window="log"] #log-lines').evaluate(async (scroller, at) => {
        scroller.scrollTop = at * (scroller.scrollHeight - scroller.clientHeight);
        await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
        const box = scroller.getBoundingClientRect();
        const seen = [...scroller.children].filter((line) => {
          const place = line.getBoundingClientRect();
          return place.bottom > box.top && place.top < box.bottom;
        });
        return seen.map((line) => [Number(line.getAttribute('aria-posinset')), line.textContent]);
      }, share);
      const top = await shownAt(0);
      expect(top[0][0]).toBe(1);
      const middle = await shownAt(0.5);
      expect(middle.length).toBeGreaterThan(3);
      expect(Math.abs(middle[0][0] - count / 2)).toBeLessThan(count / 20);
      expect(middle.every(([, text]) => /trace-\d{5}\.tmp/.test(text))).toBe(true);
      await keepScreenshot(page, `log-panel-${count}-lines-middle-${language}-${width}x${height}`);
      const wanted = [...listed].sort();
      // A folder that goes while it is listed is looked at again at the next poll.
      const gone = () => { try { return goneFiles(program.machineDir, before).sort(); } catch (error) { return error.message; } };
      await expect.poll(gone, { timeout: 120_000 }).toEqual(wanted);
    } finally {
      await program.stop();
    }
  });
}
