// Preview on the Internet Explorer screen of a fresh sandbox: the demo traces with their sizes
// and a total, nothing changed on the machine; then Clean removes exactly what was listed and
// reports the same totals.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { filesBelow } = require('../support/machine_files');
const { agreeToCaution, openProgram, settle } = require('../support/screens');

// Every file of the machine folder with its contents.
function machineFiles(machineDir) {
  const files = {};
  for (const file of filesBelow(machineDir)) {
    if (fs.lstatSync(file).isFile()) files[path.relative(machineDir, file)] = fs.readFileSync(file, 'latin1');
  }
  return files;
}

// "    C:\Documents and Settings\...\x.txt  (35 B)" -> the host path of that file.
function listedFile(machineDir, line) {
  const found = /^\s+C:\\(.*)\s\s\(\d+(\.\d)? [KMGT]?B\)$/.exec(line);
  return found ? driveC(machineDir, ...found[1].split('\\')) : null;
}

test('Preview lists the demo traces with sizes and a total, and Clean then removes exactly them', async ({ page }) => {
  const program = await startProgram(newMachineDir('preview'));
  try {
    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Internet Explorer' }).click();
    const screen = page.locator('[data-screen="ie"]');
    await expect(screen).toBeVisible();
    for (const label of ['Typed addresses', 'Turn off auto-complete', 'Download folder', 'Temporary Internet files', 'History', 'Cookies'])
      await screen.getByRole('checkbox', { name: label }).check();
    await settle(page, program);
    const before = machineFiles(program.machineDir);

    await screen.getByRole('button', { name: 'Preview' }).click();
    await settle(page, program);
    const log = page.locator('[data-window="log"]');
    await expect(log).toBeVisible();
    const lines = log.locator('#log-lines li');
    // The log window speaks the stored language, German until the user picks another.
    await expect(lines.first()).toHaveText(/^(Preview|Vorschau), /);
    await expect(lines.last()).toHaveText(/^(In all|Insgesamt): /);
    const preview = await lines.allTextContents();
    const totals = /^(?:In all|Insgesamt): (.*)$/.exec(preview[preview.length - 1])[1];
    expect(totals).toMatch(/\d+ (B|KB)$/);
    for (const item of ['ie.typed-urls', 'ie.downloads', 'ie.cache', 'ie.history', 'ie.cookies'])
      expect(preview.some((line) => line.startsWith(`${item}: `)), item).toBe(true);
    expect(preview.some((line) => /TypedURLs\\url1 {2}\(\d+ B\)$/.test(line))).toBe(true);
    const listed = preview.map((line) => listedFile(program.machineDir, line)).filter(Boolean);
    expect(listed.length).toBeGreaterThan(3);

    // Nothing changed: every file is as it was, the listed ones too.
    expect(machineFiles(program.machineDir)).toEqual(before);
    for (const file of listed) expect(fs.existsSync(file), file).toBe(true);

    const shownBefore = await lines.count();
    await screen.getByRole('button', { name: 'Clean' }).click();
    await agreeToCaution(page, program);  // the download folder is ticked
    await expect(lines.last()).toHaveText(/^(All done|Fertig): (removed|entfernt) /);
    const completion = await lines.last().textContent();
    expect(completion.replace(/^(All done|Fertig): (removed|entfernt) /, '')).toBe(totals);
    expect(await lines.count()).toBeGreaterThan(shownBefore);

    // Exactly the listed files are gone; the favourites, which no item takes, are still there.
    for (const file of listed) expect(fs.existsSync(file), file).toBe(false);
    const after = machineFiles(program.machineDir);
    // Windows compares names without case: so does this.
    const listedNames = listed.map((file) => file.toLowerCase());
    for (const file of Object.keys(before).filter((name) => !(name in after)))
      expect(listedNames, `${file} went without being listed`).toContain(path.join(program.machineDir, file).toLowerCase());
    expect(Object.keys(after).some((file) => file.includes('Favorites'))).toBe(true);
  } finally {
    await program.stop();
  }
});
