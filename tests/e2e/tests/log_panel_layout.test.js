// The log panel never covers a control: after a clean has opened it, every field and button of the
// screens that show long runs (the shredder with its files of one type, the DLL and registry
// cleaners, the plug-ins), brought into sight as a user scrolls to it, lies clear of the panel, at
// 1280x800 and 800x600, in both languages. Screenshots of each, and of the registry scan's notice,
// are kept in tests/e2e/screenshots.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { answerMessageBox, keepScreenshot, messageBox, openProgram, readCleaningLog, settle } = require('../support/screens');

const SCREENS = ['shredder', 'dll', 'registry', 'plugins'];

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'English', width: 800, height: 600 },
  { language: 'Deutsch', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`the log panel covers no control (${language}, ${width}x${height})`, async ({ page }) => {
    const program = await startProgram(newMachineDir('log-layout'));
    try {
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.selectOption('#language', language);
      await page.locator('.nav-item[data-target="windows"]').click();
      const windows = page.locator('[data-screen="windows"]');
      await windows.locator('#windows-none').click();
      await windows.locator('input[data-var="_root.WIN_TF"]').check();
      await windows.locator('.category-clean').click();
      const { log } = await readCleaningLog(page, program);
      const panel = await log.boundingBox();

      for (const id of SCREENS) {
        await page.locator(`.nav-item[data-target="${id}"]`).click();
        const screen = page.locator(`[data-screen="${id}"]`);
        await expect(screen).toBeVisible();
        await settle(page, program);
        const covered = await screen.evaluate((element, box) => {
          const hits = [];
          for (const control of element.querySelectorAll('button, input, select, textarea')) {
            if (!control.getClientRects().length) continue;  // not shown
            control.scrollIntoView({ block: 'nearest' });
            const place = control.getBoundingClientRect();
            const overlaps = place.right > box.x && place.left < box.x + box.width &&
              place.bottom > box.y && place.top < box.y + box.height;
            if (overlaps) hits.push(control.id || control.textContent.trim() || control.outerHTML.slice(0, 80));
          }
          return hits;
        }, panel);
        expect(covered, `${id}: controls under the log panel`).toEqual([]);
        await screen.evaluate((element) => element.closest('.screens').scrollTo(0, 0));
        await keepScreenshot(page, `${id}-with-log-${language}-${width}x${height}`);
      }

      // The registry scan ends with how many entries it found (the demo machine has nine).
      await page.locator('.nav-item[data-target="registry"]').click();
      await page.locator('[data-screen="registry"] [data-command="IDC_FS_SCAN_REG"]').click();
      await expect(messageBox(page)).toContainText(language === 'Deutsch' ? 'Ungültige Einträge gefunden: 9' : 'Invalid entries found: 9');
      await keepScreenshot(page, `registry-scanned-${language}-${width}x${height}`);
      await answerMessageBox(page, program, 'OK');
    } finally {
      await program.stop();
    }
  });
}
