// The browser, messenger and Office screens on a fresh sandbox, from the ticks to the log; and
// the greyed-out categories of a machine without those applications.
const { execFileSync } = require('child_process');
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { agreeToCaution, openProgram, settle, variables, readCleaningLog } = require('../support/screens');

const FIXTURE = path.resolve(__dirname, '..', '..', 'fixtures', 'wine-prefix');
const ENABLE_VARIABLES = ['_root.NS_Enabled', '_root.OP_Enabled', '_root.AOL_Enabled', '_root.FF_Enabled',
  '_root.CR_Enabled', '_root.MSN_Enabled', '_root.YAHOO_Enabled', '_root.ICQ_Enabled'];
const GREYED_SCREENS = { 'Netscape / Mozilla': 'netscape', Firefox: 'firefox', 'Chrome, Edge & co.': 'chromium',
  Opera: 'opera', AOL: 'aol', 'MSN Messenger': 'msn', 'Yahoo Messenger': 'yahoo', ICQ: 'icq' };

function appData(machineDir) {
  const base = driveC(machineDir, 'Documents and Settings');
  const user = fs.readdirSync(base).find((name) => name !== 'All Users' && name !== 'Default User');
  return path.join(base, user, 'Application Data');
}

// Ticks every box of a category's screen, presses Clean, and answers the log window's lines.
async function cleanEverything(page, program, navName, screenId) {
  await page.locator('.nav-item', { hasText: navName }).first().click();
  const screen = page.locator(`[data-screen="${screenId}"]`);
  await expect(screen).toBeVisible();
  await expect(screen.locator('.not-installed-note')).toBeHidden();
  const boxes = screen.locator('.category-items input[type=checkbox]');
  for (let i = 0; i < await boxes.count(); i += 1) await boxes.nth(i).check();
  const cautious = await screen.locator('.caution-mark').count();
  await screen.getByRole('button', { name: 'Clean' }).click();
  // Bookmarks, mail and received files cannot be brought back: those screens ask first.
  if (cautious > 0) await agreeToCaution(page, program);
  const { log, shown } = await readCleaningLog(page, program);
  await log.locator('button[data-command="IDC_FS_CLOSE"]').click();
  await settle(page, program);
  await expect(log).toBeHidden();
  return shown;
}

test.describe('Browser, messenger and Office screens', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('applications')); });
  test.afterAll(async () => { await program.stop(); });

  test('every category is enabled on a new sandbox and cleans only its own traces', async ({ page }) => {
    const data = appData(program.machineDir);
    const firefox = path.join(data, 'Mozilla', 'Firefox', 'Profiles', 'x7k2m9qa.default');
    const icq = driveC(program.machineDir, 'Program Files', 'ICQLite');
    const netscapeCookies = path.join(data, 'Mozilla', 'Profiles', 'default', 'k3x8a2pq.slt', 'Cookies.txt');
    for (const file of [path.join(firefox, 'cookies.txt'), path.join(icq, 'Chats', 'chat-4711.txt'), netscapeCookies])
      expect(fs.existsSync(file), file).toBe(true);

    await openProgram(page, program);
    const vars = await variables(page, program, 'main');
    for (const name of ENABLE_VARIABLES) expect(vars[name], name).not.toBe('0');

    // Browsers: Firefox.
    let shown = await cleanEverything(page, program, 'Firefox', 'firefox');
    for (const part of ['cookies.txt', 'bookmarks.html', 'bookmarks.bak', '3F2A1B00d01'])
      expect(shown.some((line) => line.includes(part)), part).toBe(true);
    for (const name of ['history.dat', 'cookies.txt', 'bookmarks.html', 'bookmarks.bak'])
      expect(fs.existsSync(path.join(firefox, name)), name).toBe(false);
    expect(fs.existsSync(netscapeCookies)).toBe(true);

    // Browsers: Chrome, whose History the sqlite3 program reads afterwards.
    const chrome = path.join(data, '..', 'Local Settings', 'Application Data', 'Google', 'Chrome', 'User Data',
      'Default');
    shown = await cleanEverything(page, program, 'Chrome, Edge & co.', 'chromium');
    expect(shown.some((line) => line.includes('f_000001'))).toBe(true);
    expect(execFileSync('sqlite3', [path.join(chrome, 'History'),
      'PRAGMA integrity_check; SELECT count(*) FROM urls; SELECT count(*) FROM visits;'], { encoding: 'utf8' }))
      .toBe('ok\n0\n0\n');
    expect(execFileSync('sqlite3', [path.join(chrome, 'Network', 'Cookies'), 'SELECT count(*) FROM cookies;'],
      { encoding: 'utf8' })).toBe('0\n');
    expect(fs.existsSync(path.join(chrome, 'Cache', 'Cache_Data', 'f_000001'))).toBe(false);

    // Messengers: ICQ, whose folder only the program files search finds.
    shown = await cleanEverything(page, program, 'ICQ', 'icq');
    for (const part of ['chat-4711.txt', 'news.url', 'page.htm', 'transfer-1.xml'])
      expect(shown.some((line) => line.includes(part)), part).toBe(true);
    expect(fs.existsSync(path.join(icq, 'Chats', 'chat-4711.txt'))).toBe(false);
    expect(fs.existsSync(path.join(icq, 'Chats'))).toBe(true);
    expect(fs.existsSync(driveC(program.machineDir, 'Program Files', 'Yahoo!', 'Messenger', 'YPager.log'))).toBe(true);

    // Office: the registry lists of two versions.
    expect(fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8')).toContain('budget 2005.xls');
    shown = await cleanEverything(page, program, 'Office', 'office');
    expect(shown.some((line) => line.includes('recent files'))).toBe(true);
    expect(shown.some((line) => line.includes('MRU1'))).toBe(true);
    const userReg = fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8');
    expect(userReg).not.toContain('budget 2005.xls');
    expect(userReg).not.toContain('addresses.mdb');
    expect(fs.existsSync(netscapeCookies)).toBe(true);
  });
});

test.describe('A machine without those applications', () => {
  let program;
  let machineDir;
  test.beforeAll(async () => {
    machineDir = newMachineDir('no-applications');
    fs.mkdirSync(path.join(machineDir, 'dosdevices'));
    fs.mkdirSync(path.join(machineDir, 'drive_c', 'windows'), { recursive: true });
    fs.mkdirSync(path.join(machineDir, 'drive_c', 'users'));
    for (const hive of ['system.reg', 'user.reg', 'userdef.reg']) {
      fs.copyFileSync(path.join(FIXTURE, hive), path.join(machineDir, hive));
      fs.chmodSync(path.join(machineDir, hive), 0o644);
    }
    fs.symlinkSync('../drive_c', path.join(machineDir, 'dosdevices', 'c:'));
    program = await startProgram(machineDir);
  });
  test.afterAll(async () => { await program.stop(); });

  test('greys out every browser and messenger category, and a newly installed one comes back', async ({ page }) => {
    await openProgram(page, program);
    const vars = await variables(page, program, 'main');
    for (const name of ENABLE_VARIABLES) expect(vars[name], name).toBe('0');
    for (const [navName, id] of Object.entries(GREYED_SCREENS)) {
      await expect(page.locator('.nav-item', { hasText: navName }).first()).toHaveClass(/not-installed/);
      const screen = page.locator(`[data-screen="${id}"]`);
      await expect(screen).toHaveClass(/not-installed/);
    }
    await page.locator('.nav-item', { hasText: 'Firefox' }).first().click();
    const screen = page.locator('[data-screen="firefox"]');
    await expect(screen.locator('.not-installed-note')).toBeVisible();
    await expect(screen.getByRole('button', { name: 'Clean' })).toBeDisabled();
    await expect(screen.locator('input[type=checkbox]').first()).toBeDisabled();
    // Office has no installed-application check.
    await page.locator('.nav-item', { hasText: 'Office' }).first().click();
    await expect(page.locator('[data-screen="office"]').getByRole('button', { name: 'Clean' })).toBeEnabled();

    // Firefox is installed (its App Paths key written as an installer would) while the program is
    // stopped; on the next start its category is enabled and the others stay greyed out.
    await program.stop();
    fs.appendFileSync(path.join(machineDir, 'system.reg'),
      '\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\App Paths\\\\firefox.exe] 1700000000\n' +
      '@="C:\\\\Program Files\\\\Mozilla Firefox\\\\firefox.exe"\n');
    program = await startProgram(machineDir);
    await openProgram(page, program);
    const after = await variables(page, program, 'main');
    expect(after['_root.FF_Enabled']).not.toBe('0');
    expect(after['_root.NS_Enabled']).toBe('0');
    await expect(page.locator('[data-screen="firefox"]')).not.toHaveClass(/not-installed/);
  });
});
