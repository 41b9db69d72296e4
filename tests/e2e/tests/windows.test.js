// Cleaning the Windows traces on a fresh sandbox, from the 24 ticks on the screen to the log file.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { profileDir, filesBelow, todaysLog } = require('../support/machine_files');
const { agreeToCaution, openProgram, readCleaningLog } = require('../support/screens');

// The labels of the 24 boxes, in the order of the option list.
const ITEMS = ['Temporary files', 'CD burning folder', 'Templates folder', 'Recycle bin', 'Direct3D recent programs',
  'DirectInput recent programs', 'DirectDraw recent programs', 'Clipboard', 'Programs started',
  'Open and save dialog history', 'Paint recent files', 'WordPad recent files', 'Media Player recent files',
  'Run dialog history', 'Search history', 'Recent documents', 'Network connections', 'Printer connections',
  'Registry editor history', 'Registry editor favourites', 'Windows log files', 'Explorer typed paths',
  'Explorer search history', 'Jump lists'];

// Keys of the demo traces as user.reg writes them.
const DEMO_KEYS = ['Direct3D\\\\MostRecentApplication', 'DirectInput\\\\MostRecentApplication',
  'DirectDraw\\\\MostRecentApplication', 'Paint\\\\Recent File List', 'Wordpad\\\\Recent File List',
  'Player\\\\RecentFileList', 'Player\\\\RecentURLList', 'Search Assistant\\\\ACMru', 'Explorer\\\\RunMRU',
  'Explorer\\\\ComDlg32', '\\\\Count]', 'Explorer\\\\RecentDocs', 'Explorer\\\\StreamMRU', 'Explorer\\\\Streams',
  '[Network\\\\Connections', '[Printers\\\\Connections', 'Applets\\\\Regedit'];

test('ticking all 24 Windows items cleans every demo trace, logs each as it happens, and leaves the rest', async ({ page }, testInfo) => {
  const program = await startProgram(newMachineDir('windows'));
  try {
    const machine = program.machineDir;
    const profile = profileDir(machine);
    const folders = [path.join(profile, 'Local Settings', 'Temp'), driveC(machine, 'WINDOWS', 'Temp'),
      path.join(profile, 'Local Settings', 'Application Data', 'Microsoft', 'CD Burning'),
      path.join(profile, 'Templates'), driveC(machine, 'RECYCLER'), path.join(profile, 'Recent')];
    const plantedFiles = folders.flatMap(filesBelow);
    const logFiles = filesBelow(driveC(machine, 'WINDOWS')).filter((file) => file.endsWith('.log'));
    for (const folder of folders) expect(filesBelow(folder).length, folder).toBeGreaterThan(0);
    expect(logFiles.length).toBe(3);
    const userRegBefore = fs.readFileSync(path.join(machine, 'user.reg'), 'utf8');
    for (const key of DEMO_KEYS) expect(userRegBefore, key).toContain(key);
    const cookiesBefore = filesBelow(path.join(profile, 'Cookies'));

    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Windows' }).click();
    const screen = page.locator('[data-screen="windows"]');
    await expect(screen).toBeVisible();
    await expect(screen.getByRole('checkbox')).toHaveCount(24);
    for (const label of ITEMS) await screen.getByRole('checkbox', { name: label, exact: false }).first().check();
    await screen.locator('#windows-clean').click();
    await agreeToCaution(page, program);  // the Templates folder cannot be brought back
    const { log, shown } = await readCleaningLog(page, program);
    const expected = ['~DF3A21.tmp', 'Dc1.txt', 'winword.doc', 'beach.jpg', 'setupapi.log', 'userenv.log',
      'Paint\\Recent File List\\File1', 'RunMRU', 'ComDlg32', 'Applets\\Regedit\\LastKey', 'Printers\\Connections'];
    for (const part of expected) expect(shown.some((line) => line.includes(part)), part).toBe(true);
    // As they happened: the temporary files (position 0) before the registry editor (position 18).
    const first = (part) => shown.findIndex((line) => line.includes(part));
    expect(first('~DF3A21.tmp')).toBeLessThan(first('Applets\\Regedit'));
    await expect(log.locator('#log-view')).toBeEnabled();

    const logFile = todaysLog(machine);
    for (const part of expected) expect(logFile, part).toContain(part);

    // Every demo trace is gone; the folders a machine keeps are still there.
    for (const file of [...plantedFiles, ...logFiles]) expect(fs.existsSync(file), file).toBe(false);
    expect(fs.existsSync(driveC(machine, 'RECYCLER'))).toBe(true);
    expect(fs.existsSync(path.join(profile, 'Recent'))).toBe(true);
    const userReg = fs.readFileSync(path.join(machine, 'user.reg'), 'utf8');
    for (const key of DEMO_KEYS) expect(userReg, key).not.toContain(key);

    // What was not ticked is untouched: the Internet Explorer traces.
    expect(userReg).toContain('mail.example.org/inbox');
    expect(filesBelow(path.join(profile, 'Cookies'))).toEqual(cookiesBefore);

    await page.screenshot({ path: testInfo.outputPath('windows-screen.png') });
    await testInfo.attach('windows screen', { path: testInfo.outputPath('windows-screen.png'), contentType: 'image/png' });
  } finally {
    await program.stop();
  }
});
