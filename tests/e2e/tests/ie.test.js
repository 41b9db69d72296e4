// Cleaning Internet Explorer on a fresh sandbox, from the ticks on the screen to the log file.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { profileDir, filesBelow, todaysLog } = require('../support/machine_files');
const { agreeToCaution, openProgram, answerMessageBox, messageBox, readCleaningLog, settle } = require('../support/screens');

test.describe('Internet Explorer screen', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('ie')); });
  test.afterAll(async () => { await program.stop(); });

  test('cleaning all six items removes them, logs each as it happens, and leaves the rest', async ({ page }, testInfo) => {
    const profile = profileDir(program.machineDir);
    const cookies = path.join(profile, 'Cookies');
    const cache = path.join(profile, 'Local Settings', 'Temporary Internet Files');
    const favorites = path.join(profile, 'Favorites');
    const cookieFiles = filesBelow(cookies).filter((file) => file.endsWith('.txt'));
    const cacheIndex = path.join(cache, 'Content.IE5', 'index.dat');
    const cachedFiles = filesBelow(path.join(cache, 'Content.IE5')).filter((file) => file !== cacheIndex);
    expect(cookieFiles.length).toBeGreaterThan(0);
    expect(cachedFiles.length).toBeGreaterThan(0);
    expect(fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8')).toContain('mail.example.org/inbox');

    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Internet Explorer' }).click();
    const screen = page.locator('[data-screen="ie"]');
    await expect(screen).toBeVisible();
    for (const label of ['Typed addresses', 'Turn off auto-complete', 'Download folder', 'Temporary Internet files', 'History', 'Cookies'])
      await screen.getByRole('checkbox', { name: label }).check();
    await expect(screen.locator('#ie-home-page')).toHaveValue('http://www.news-example.com/');
    // The download folder is marked, and the clean asks first, naming it.
    await expect(screen.locator('.caution-mark')).toHaveCount(1);
    await expect(screen.locator('label.caution')).toContainText(/Download folder|Download-Ordner/);
    await screen.getByRole('button', { name: 'Clean' }).click();
    await expect(messageBox(page)).toContainText(/Internet Explorer's download folder|Download-Ordner des Internet Explorers/);
    await agreeToCaution(page, program, { dontAskAgain: true });
    // The log window speaks the stored language, German until the user picks another.
    const { log, shown } = await readCleaningLog(page, program);
    const expected = ['TypedURLs\\url1', 'TypedURLs\\url2', 'TypedURLs\\url3', 'setup-demo.exe', 'beach.jpg',
      ...cookieFiles.map((file) => path.basename(file))];
    for (const part of expected) expect(shown.some((line) => line.includes(part)), part).toBe(true);
    await expect(log.locator('#log-view')).toBeEnabled();

    // The day's log file has a line for each of them.
    const logFile = todaysLog(program.machineDir);
    for (const part of expected) expect(logFile).toContain(part);

    // Gone from the machine folder: typed URLs, cookies, cache entries and their files.
    const userReg = fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8');
    expect(userReg).not.toContain('mail.example.org/inbox');
    expect(filesBelow(cookies).filter((file) => file.endsWith('.txt'))).toEqual([]);
    for (const file of cachedFiles) expect(fs.existsSync(file), file).toBe(false);
    // The indexes stay, with no URL and no site's name left in them.
    for (const index of [cacheIndex, path.join(cookies, 'index.dat'),
      path.join(profile, 'Local Settings', 'History', 'History.IE5', 'index.dat')]) {
      const bytes = fs.readFileSync(index, 'latin1');
      for (const trace of ['http', 'example']) expect(bytes, index).not.toContain(trace);
    }

    // What was not ticked is still there: favourites, saved form data, the start page.
    expect(fs.existsSync(path.join(favorites, 'News of the day.url'))).toBe(true);
    expect(fs.readFileSync(path.join(program.machineDir, 'system.reg'), 'utf8')).toMatch(/Intelliforms\\\\SPW\][^[]*mail\.example\.org/);
    expect(userReg).toContain('http://www.news-example.com/');

    // Told not to ask again, the next Clean with the download folder ticked just cleans.
    await screen.getByRole('button', { name: 'Clean' }).click();
    expect((await settle(page, program)).modal).toBeNull();

    await page.screenshot({ path: testInfo.outputPath('ie-screen.png') });
    await testInfo.attach('ie screen', { path: testInfo.outputPath('ie-screen.png'), contentType: 'image/png' });
  });

  test('hiding typed addresses moves them behind the backup and makes Show the active button', async ({ page }) => {
    // A sandbox of its own: the test above cleaned the typed addresses of the shared one.
    const program = await startProgram(newMachineDir('ie-tools'));
    try {
      await openProgram(page, program);
      await page.locator('.nav-item', { hasText: 'IE privacy tools' }).click();
      const pair = page.locator('[data-pair="TypedUrls"]');
      const hide = pair.locator('[data-pair-side="Hide"]');
      const show = pair.locator('[data-pair-side="Show"]');
      await expect(hide).toBeEnabled();
      await expect(show).toBeDisabled();

      await hide.click();
      await answerMessageBox(page, program, 'OK');
      await expect(show).toBeEnabled();
      await expect(hide).toBeDisabled();
      const userReg = fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8');
      expect(userReg).toMatch(/lumarq2\\\\TypedUrls\][^[]*"url1"/);

      await show.click();
      await answerMessageBox(page, program, 'OK');
      await expect(hide).toBeEnabled();
    } finally {
      await program.stop();
    }
  });
});
