// A hibernated Windows installation in the screens: they start, say under the title bar why it is
// only read, and a Clean is refused before it begins with that reason, while its preview still
// lists the trace the Clean would remove; the trace stays.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir } = require('../support/program');
const { makeInstallation, startOnInstallation, userTemp } = require('../support/windows_installation');
const { answerMessageBox, openProgram, settle, variables } = require('../support/screens');

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`a hibernated installation is only read, and the screens say why (${language}, ${width}x${height})`, async ({ page }, testInfo) => {
    const installation = newMachineDir('hibernated');
    test.skip(!makeInstallation(installation, ['Alice']), 'no NTUSER.DAT written by Windows in ../shared/corpora/windows/regf');
    const trace = path.join(userTemp(installation, 'Alice'), 'trace.tmp');
    fs.writeFileSync(trace, 'a trace');
    fs.writeFileSync(path.join(installation, 'hiberfil.sys'), Buffer.concat([Buffer.from('hibr'), Buffer.alloc(4092)]));
    const german = language === 'Deutsch';
    const program = await startOnInstallation(installation, german);
    try {
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      const banner = page.locator('#read-only-banner');
      await expect(banner).toBeVisible();
      await expect(banner).toContainText(german ? 'im Ruhezustand' : 'is hibernated');
      // The whole reason, up to its last sentence: a long message is not cut.
      await expect(banner).toContainText(german ? 'Bis dahin wird es nur gelesen.' : 'Until then it is only read.');
      const box = await banner.boundingBox();
      expect(box.y + box.height).toBeLessThanOrEqual(height / 2);

      await page.locator('.nav-item[data-target="windows"]').click();
      const screen = page.locator('[data-screen="windows"]');
      await screen.locator('#windows-none').click();
      await screen.locator('input[data-var="_root.WIN_TF"]').check();
      await screen.locator('.category-clean').click();
      await settle(page, program);
      const notice = await variables(page, program, 'msgbox');
      expect(notice['_root.title1']).toBe(german ? 'Diese Installation wird nur gelesen' : 'This installation is only read');
      expect(notice['_root.message']).toContain(german ? 'Nichts wurde geändert.' : 'Nothing was changed.');
      await page.screenshot({ path: testInfo.outputPath(`read-only-${language}-${width}x${height}.png`) });
      await answerMessageBox(page, program, 'OK');
      expect(fs.existsSync(trace), 'the refused Clean removed the trace').toBe(true);

      await screen.locator('.category-preview').click();
      await settle(page, program);
      await expect(page.locator('#preview-view')).toBeVisible();
      const rows = ((await variables(page, program, 'main'))['_root.NamesOfPreviewRows'] || '').split('|');
      expect(rows.some((row) => row.startsWith('file\t') && row.includes('trace.tmp'))).toBe(true);
    } finally {
      await program.stop();
    }
    expect(fs.existsSync(trace)).toBe(true);
  });
}
