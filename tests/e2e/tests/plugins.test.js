// The plug-in screen on a fresh sandbox: the user adds a plug-in for some of the demo traces,
// ticks it, cleans with it, and reads each removal in the log window.
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { openProgram, settle, answerDialog, answerMessageBox, variables } = require('../support/screens');

// OpenSSL takes a 16-byte key; the program's 8-byte key twice over schedules the same tables.
const OPENSSL_KEY = Buffer.from('QUILLMAXQUILLMAX').toString('hex');

function openSslDecrypt(file) {
  return execFileSync('openssl', ['enc', '-d', '-bf-cbc', '-provider', 'legacy', '-provider', 'default',
    '-K', OPENSSL_KEY, '-iv', '0000000000000000', '-nopad', '-in', file], { stdio: ['ignore', 'pipe', 'ignore'] });
}

function hasLegacyBlowfish() {
  try {
    execFileSync('openssl', ['enc', '-bf-cbc', '-provider', 'legacy', '-provider', 'default', '-K', '00',
      '-iv', '00', '-nopad', '-in', '/dev/null'], { stdio: 'ignore' });
    return true;
  } catch {
    return false;
  }
}

function appData(machineDir) {
  const base = driveC(machineDir, 'Documents and Settings');
  const user = fs.readdirSync(base).find((name) => name !== 'All Users' && name !== 'Default User');
  return path.join(base, user, 'Application Data');
}

test.describe('plug-in screen', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('plugins')); });
  test.afterAll(async () => { await program.stop(); });

  test('adding a plug-in for demo traces, ticking it and cleaning removes a file, a folder and a registry value',
    async ({ page }, testInfo) => {
      const vlc = path.join(appData(program.machineDir), 'vlc');
      expect(fs.existsSync(path.join(vlc, 'ml.xspf'))).toBe(true);
      expect(fs.existsSync(path.join(vlc, 'art'))).toBe(true);

      await openProgram(page, program);
      await page.selectOption('#language', 'English');
      await settle(page, program);
      await page.locator('.nav-item', { hasText: 'Plug-ins' }).click();
      const screen = page.locator('[data-screen="plugins"]');
      // The shipped plug-ins whose applications the sandbox has are listed from the start.
      await expect(screen.locator('#plugins-list')).toContainText('7-ZIP');

      await screen.getByLabel('Name', { exact: true }).fill('Demo traces');
      await screen.getByLabel('Application', { exact: true }).fill('Demo player and archiver');
      await screen.getByLabel('Category', { exact: true }).fill('Tests');
      await screen.getByLabel('Detected by').fill('HKEY_CURRENT_USER\\Software\\7-Zip');
      await screen.getByLabel('Registry entries (one a line)').fill('HKEY_CURRENT_USER\\Software\\7-Zip\\FM+ Value`= FolderHistory');
      await screen.getByLabel('Files (one a line)').fill('%APPDATA%\\vlc\\ml.xspf');
      await screen.getByLabel('Folders (one a line)').fill('%APPDATA%\\vlc\\art');
      await screen.getByRole('button', { name: 'Add plug-in' }).click();
      await settle(page, program);

      const entry = screen.locator('#plugins-list li', { hasText: 'DEMO TRACES' });
      await expect(entry).toHaveCount(1);
      await entry.getByRole('checkbox').check();
      await screen.getByRole('button', { name: 'Clean ticked' }).click();
      await settle(page, program);

      const log = page.locator('[data-window="log"]');
      await expect(log).toBeVisible();
      const lines = log.locator('#log-lines li');
      await expect(lines.last()).toHaveText(/^All done: removed /);
      await expect(lines.filter({ hasText: 'ml.xspf' })).toHaveCount(1);
      await expect(lines.filter({ hasText: 'cover.jpg' })).toHaveCount(1);
      await expect(lines.filter({ hasText: 'FolderHistory' })).toHaveCount(1);

      expect(fs.existsSync(path.join(vlc, 'ml.xspf'))).toBe(false);
      expect(fs.existsSync(path.join(vlc, 'art'))).toBe(false);
      expect(fs.existsSync(path.join(vlc, 'vlc-qt-interface.ini'))).toBe(true);
      const userHive = fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8');
      expect(userHive).not.toContain('"FolderHistory"');
      expect(userHive).toContain('"CopyHistory"');

      const stored = driveC(program.machineDir, 'Program Files', 'Orvane', 'plugins', 'plugins.dll');
      expect(fs.readFileSync(stored).includes('Demo traces')).toBe(false);
      if (!hasLegacyBlowfish()) {
        testInfo.annotations.push({ type: 'skipped check', description: 'openssl has no legacy provider with Blowfish' });
        return;
      }
      const plain = openSslDecrypt(stored).toString('latin1');
      const length = Buffer.from(plain, 'latin1').readUInt32LE(8);
      const text = plain.slice(12, 12 + length);
      expect(text).toContain('[Demo traces]');
      expect(text).toContain('RK1=HKEY_CURRENT_USER\\Software\\7-Zip\\FM+ Value`= FolderHistory');
      expect(text).toContain('FK1=%APPDATA%\\vlc\\ml.xspf');
      expect(text).toContain('FOK1=%APPDATA%\\vlc\\art');

      await log.screenshot({ path: testInfo.outputPath('log-window.png') });
      await testInfo.attach('log window', { path: testInfo.outputPath('log-window.png'), contentType: 'image/png' });
    });
});

test.describe('importing rules on the plug-in screen', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('plugin-import')); });
  test.afterAll(async () => { await program.stop(); });

  test('a rule file chosen in the dialog adds the installed entries in their categories, and one cleans', async ({ page }) => {
    const vlc = path.join(appData(program.machineDir), 'vlc');
    fs.mkdirSync(driveC(program.machineDir, 'rules'), { recursive: true });
    fs.writeFileSync(driveC(program.machineDir, 'rules', 'Winapp2.ini'), [
      '[Player Lists *]', 'Section=Media players', 'Warning=The play list goes too.', 'DetectFile=%AppData%\\vl?', 'FileKey1=%AppData%\\vlc|*.xspf', '',
      '[Archiver History *]', 'LangSecRef=3024', 'Detect=HKCU\\Software\\7-Zip', 'RegKey1=HKCU\\Software\\7-Zip\\FM|CopyHistory', '',
      '[Absent Tool *]', 'Detect=HKCU\\Software\\Absent Tool', 'FileKey1=%AppData%\\Absent|*', '',
    ].join('\r\n'));

    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await page.locator('.nav-item', { hasText: 'Plug-ins' }).click();
    const screen = page.locator('[data-screen="plugins"]');
    await screen.getByRole('button', { name: 'Import rules from a file…' }).click();
    await answerDialog(page, program, 'C:\\rules\\Winapp2.ini');
    const box = await variables(page, program, 'msgbox');
    expect(box['_root.message']).toBe('Imported from the rule file: 2 plug-ins. 1 entries were skipped, their programs are not installed here; 0 were refused.');
    await answerMessageBox(page, program, 'OK');

    const players = screen.locator('#plugins-list li', { hasText: 'PLAYER LISTS *' });
    await expect(players).toContainText('Media players');
    await expect(screen.locator('#plugins-list li', { hasText: 'ARCHIVER HISTORY *' })).toContainText('Utilities');
    await expect(screen.locator('#plugins-list li', { hasText: 'ABSENT TOOL *' })).toHaveCount(0);

    await players.getByRole('checkbox').check();
    await screen.getByRole('button', { name: 'Clean ticked' }).click();
    await settle(page, program);
    expect((await variables(page, program, 'msgbox'))['_root.message']).toBe(
      'Before its first run this plug-in warns: The play list goes too. Clean with it?');
    await answerMessageBox(page, program, 'Yes');
    const lines = page.locator('[data-window="log"] #log-lines li');
    await expect(lines.last()).toHaveText(/^All done: removed /);
    await expect(lines.filter({ hasText: 'ml.xspf' })).toHaveCount(1);
    expect(fs.existsSync(path.join(vlc, 'ml.xspf'))).toBe(false);
    expect(fs.existsSync(path.join(vlc, 'vlc-qt-interface.ini'))).toBe(true);
  });
});
