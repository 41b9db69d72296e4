// A Windows installation with several user profiles, started for the screens without --user: the
// first window lists the profiles in the screens' language; one whose hive cannot be read is
// refused on the list, the next choice opens (its own TEMP is what a preview finds, not the
// other's), and the choice writes nothing into the installation.
const crypto = require('crypto');
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir } = require('../support/program');
const { filesBelow } = require('../support/machine_files');
const { makeInstallation, startOnInstallation, userTemp } = require('../support/windows_installation');
const { openProgram, settle, variables } = require('../support/screens');

// Every file below the folder with the hash of its contents.
function hashes(dir) {
  const files = {};
  for (const file of filesBelow(dir))
    if (fs.lstatSync(file).isFile()) files[path.relative(dir, file)] = crypto.createHash('sha256').update(fs.readFileSync(file)).digest('hex');
  return files;
}

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`the screens offer the installation's user profiles and open the chosen one (${language}, ${width}x${height})`, async ({ page }, testInfo) => {
    const installation = newMachineDir('user-choice');
    test.skip(!makeInstallation(installation, ['Alice', 'Bob']), 'no NTUSER.DAT written by Windows in ../shared/corpora/windows/regf');
    for (const user of ['Alice', 'Bob']) fs.writeFileSync(path.join(userTemp(installation, user), `${user}-trace.tmp`), user);
    const broken = path.join(installation, 'Documents and Settings', 'Carol', 'NTUSER.DAT');
    fs.mkdirSync(path.dirname(broken));
    fs.writeFileSync(broken, 'not a hive');
    const before = hashes(installation);
    const german = language === 'Deutsch';
    const program = await startOnInstallation(installation, german);
    try {
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      const chooser = page.locator('[data-window="users"]');
      await expect(chooser).toBeVisible();
      await expect(page.locator('[data-window="main"]')).toBeHidden();
      await expect(chooser.locator('h1')).toHaveText(german ? 'Windows-Benutzer wählen' : 'Choose the Windows user');
      await expect(chooser.locator('#user-prompt')).toContainText(installation);
      await expect(chooser.locator('#user-prompt')).toContainText(german ? 'mehrere Benutzerprofile' : 'several user profiles');
      await expect(chooser.locator('#user-list li')).toHaveText(['Alice', 'Bob', 'Carol']);
      const open = chooser.getByRole('button', { name: german ? 'Öffnen' : 'Open' });
      await expect(open).toBeDisabled();
      await page.screenshot({ path: testInfo.outputPath(`user-choice-${language}-${width}x${height}.png`) });
      const box = await open.boundingBox();
      expect(box.x + box.width).toBeLessThanOrEqual(width);
      expect(box.y + box.height).toBeLessThanOrEqual(height);

      await expect(chooser.locator('#user-refusal')).toBeHidden();
      await chooser.getByText('Carol', { exact: true }).click();
      await open.click();
      await settle(page, program);
      await expect(chooser.locator('#user-refusal')).toContainText(broken);
      await expect(chooser.locator('#user-list li')).toHaveText(['Alice', 'Bob', 'Carol']);

      await chooser.getByText('Bob', { exact: true }).click();
      await open.click();
      await settle(page, program);
      await expect(chooser).toBeHidden();
      await expect(page.locator('[data-window="main"]')).toBeVisible();
      expect(hashes(installation), 'the choice wrote into the installation').toEqual(before);

      // The temporary files of the profile that was opened are the ones the Windows screen finds.
      await page.locator('.nav-item[data-target="windows"]').click();
      const screen = page.locator('[data-screen="windows"]');
      await screen.locator('#windows-none').click();
      await screen.locator('input[data-var="_root.WIN_TF"]').check();
      await screen.locator('.category-preview').click();
      await settle(page, program);
      await expect(page.locator('#preview-view')).toBeVisible();
      const rows = ((await variables(page, program, 'main'))['_root.NamesOfPreviewRows'] || '').split('|');
      const traces = rows.map((row) => row.split('\t')).filter(([kind]) => kind === 'file')
        .map(([, file]) => file).filter((file) => /-trace\.tmp$/.test(file));
      expect(traces).toEqual(['C:\\Documents and Settings\\Bob\\AppData\\Local\\Temp\\Bob-trace.tmp']);
    } finally {
      await program.stop();
    }
    expect(hashes(installation), 'the program wrote into the installation').toEqual(before);
  });
}
