// Cancel during a registry scan. The scans look at the demo's shared DLLs first, then its uninstall
// list, whose "Demo Writer" entry names a program in a folder the kernel holds open
// (support/hold_open.py) until the test lets it go, so Cancel is pressed while the scan is surely
// under way. The scan stops there: it lists the stale shared DLLs and the uninstall entry before it
// (the list is sorted), none of the later uninstall, application path and dialog history entries,
// says the rest was not checked, and no entry of the registry changed.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { DEMO_REGISTRY_KEYS, valueLines } = require('../support/machine_files');
const { cancelWhileHeld, helperSaid, holdOpen } = require('../support/held_open');
const { keepScreenshot, openProgram, settle, messageBox, answerMessageBox } = require('../support/screens');

const FOUND_BEFORE = ['paintfx.dll', 'oldcodec.ocx', 'CodecPackUpdate'];

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'English', width: 800, height: 600 },
  { language: 'Deutsch', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`Cancel stops a registry scan, which lists what it found until then (${language}, ${width}x${height})`, async ({ page }) => {
    const program = await startProgram(newMachineDir('registry-cancel'));
    let helper = null;
    try {
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.selectOption('#language', language);
      const german = language === 'Deutsch';
      await page.locator('.nav-item[data-target="registry"]').click();
      await settle(page, program);
      const before = DEMO_REGISTRY_KEYS.map(([hive, key]) => valueLines(program.machineDir, hive, key));

      helper = holdOpen(driveC(program.machineDir, 'Program Files', 'Demo Writer'));
      try {
        await helperSaid(helper, 'ready');
      } catch (error) {
        test.skip(true, `no open can be held here (fanotify permission events need root): ${error.message}`);
      }
      const screen = page.locator('[data-screen="registry"]');
      await cancelWhileHeld(page, helper, {
        start: screen.locator('[data-command="IDC_FS_SCAN_REG"]'),
        german,
        shot: `registry-scan-running-${language}-${width}x${height}`,
      });
      await expect(messageBox(page)).toContainText(german
        ? `Abgebrochen: ${FOUND_BEFORE.length} ungültige Einträge wurden im bis dahin geprüften Teil`
        : `Cancelled: ${FOUND_BEFORE.length} invalid entries were found in the part of the registry checked`);
      await expect(messageBox(page)).toContainText(german ? 'Der Rest wurde nicht geprüft.' : 'The rest was not checked.');
      await keepScreenshot(page, `registry-scan-cancelled-${language}-${width}x${height}`);
      await answerMessageBox(page, program, 'OK');
      const found = screen.locator('#reg-found-list li');
      await expect(found).toHaveCount(FOUND_BEFORE.length);
      for (const stale of FOUND_BEFORE) await expect(found.filter({ hasText: stale })).toHaveCount(1);
      await program.stop();
      // A scan changes nothing: every stale entry is in the registry as it was.
      expect(DEMO_REGISTRY_KEYS.map(([hive, key]) => valueLines(program.machineDir, hive, key))).toEqual(before);
    } finally {
      if (helper) { helper.stdin.end(); helper.kill(); }
      await program.stop();
    }
  });
}
