// An offline Windows installation in the screens: the memory screen says that its memory is used
// and freed only while that Windows runs, shows none of this computer's load as its and offers
// nothing to free, the connection booster says up front that it changes nothing there, and a
// Windows settings button says the setting belongs to that Windows.
const { test, expect } = require('@playwright/test');
const { newMachineDir } = require('../support/program');
const { makeInstallation, startOnInstallation } = require('../support/windows_installation');
const { answerMessageBox, openProgram, settle, variables } = require('../support/screens');

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`an offline installation's memory and Windows settings say they need that Windows running (${language}, ${width}x${height})`, async ({ page }, testInfo) => {
    const installation = newMachineDir('offline');
    test.skip(!makeInstallation(installation, ['Alice']), 'no NTUSER.DAT written by Windows in ../shared/corpora/windows/regf');
    const german = language === 'Deutsch';
    const program = await startOnInstallation(installation, german);
    try {
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.locator('.nav-item[data-target="memory"]').click();
      const screen = page.locator('[data-screen="memory"]');
      const note = screen.locator('#memory-offline');
      await expect(note).toBeVisible();
      await expect(note).toContainText(german ? 'Der Speicher dieses Computers ist nicht ihrer' : "This computer's memory is not its");
      await expect(screen.locator('#ram-gauge')).toBeHidden();
      await expect(screen.locator('#free-memory')).toBeDisabled();
      await expect(screen.locator('#free-percent')).toBeDisabled();
      const box = await note.boundingBox();
      expect(box.x + box.width).toBeLessThanOrEqual(width);
      expect(box.y + box.height).toBeLessThanOrEqual(height);
      // Long after the gauge's first tick: the title bar shows no load, the program sent none.
      await page.waitForTimeout(1200);
      await settle(page, program);
      await expect(page.locator('#ram-chip-value')).toHaveText('–');
      await page.screenshot({ path: testInfo.outputPath(`offline-memory-${language}-${width}x${height}.png`) });
      const main = await variables(page, program, 'main');
      expect(main['_root.RamValue']).toBeUndefined();
      expect(main['_root.OfflineInstallation']).toBe('1');

      await page.locator('.nav-item[data-target="booster"]').click();
      await expect(page.locator('#booster-offline')).toBeVisible();
      await page.locator('[data-screen="booster"] [data-command="IDC_FS_SYSTEM PROPERTIES"]').click();
      await settle(page, program);
      const notice = await variables(page, program, 'msgbox');
      expect(notice['_root.title1']).toBe(german ? 'Braucht ein laufendes Windows' : 'Needs a running Windows');
      expect(notice['_root.message']).toContain(german ? 'in diesem Windows ändern, während es läuft' : 'can be changed in that Windows while it runs');
      await answerMessageBox(page, program, 'OK');
    } finally {
      await program.stop();
    }
  });
}
