// Cancel during a DLL scan. The scan reads each DLL of the drive; one copy of the demo library is
// held open by the kernel (support/hold_open.py) until the test lets it go, so Cancel is pressed
// while the scan is surely under way, whatever the speed of the machine. The held copy lies beside
// five more copies in subfolders, which the walk reaches only after it: the scan stops before
// them, offers what it found until then, says so, and every file on the drive stays.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { cancelWhileHeld, helperSaid, holdOpen } = require('../support/held_open');
const { keepScreenshot, openProgram, settle, messageBox, answerMessageBox } = require('../support/screens');

const STRAY = 'Downloads/viewer-setup-1.2/viewctl.dll';
const LATER = ['a', 'b', 'c', 'd', 'e'].map((name) => `Downloads/copies/${name}/viewctl.dll`);
const HELD = 'Downloads/copies/viewctl.dll';
const windowsPath = (relative) => `C:\\${relative.replaceAll('/', '\\')}`;

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'English', width: 800, height: 600 },
  { language: 'Deutsch', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`Cancel stops a DLL scan, which offers what it found until then (${language}, ${width}x${height})`, async ({ page }) => {
    const machineDir = newMachineDir('dll-cancel');
    // A new machine is made in an empty folder when the program first opens it.
    await (await startProgram(machineDir)).stop();
    const original = fs.readFileSync(driveC(machineDir, STRAY));
    for (const copy of [HELD, ...LATER]) {
      fs.mkdirSync(path.dirname(driveC(machineDir, copy)), { recursive: true });
      fs.writeFileSync(driveC(machineDir, copy), original);
    }
    const helper = holdOpen(driveC(machineDir, HELD));
    let program = null;
    try {
      try {
        await helperSaid(helper, 'ready');
      } catch (error) {
        test.skip(true, `no open can be held here (fanotify permission events need root): ${error.message}`);
      }
      program = await startProgram(machineDir);
      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.selectOption('#language', language);
      const german = language === 'Deutsch';
      await page.locator('.nav-item[data-target="dll"]').click();
      const screen = page.locator('[data-screen="dll"]');
      await screen.locator('#dll-drive').selectOption('C:\\');
      await settle(page, program);

      await cancelWhileHeld(page, helper, {
        start: screen.locator('#dll-scan'),
        german,
        shot: `dll-scan-running-${language}-${width}x${height}`,
        whileRunning: (panel) => expect(panel).toContainText(german ? / von \d+/ : / of \d+/),
      });
      await expect(messageBox(page)).toContainText(german
        ? /Abgebrochen, nachdem \d+ von \d+ DLLs geprüft waren: \d+ davon benutzt kein Programm/
        : /Cancelled after \d+ of \d+ DLLs were checked: \d+ of them no program uses/);
      await keepScreenshot(page, `dll-scan-cancelled-${language}-${width}x${height}`);
      await answerMessageBox(page, program, 'OK');
      const found = (await screen.locator('#dll-list li').allTextContents()).map((text) => text.trim());
      expect(found).toContain(windowsPath(HELD));
      for (const later of LATER) expect(found).not.toContain(windowsPath(later));
      // A scan changes nothing: every copy is there as it was.
      for (const copy of [STRAY, HELD, ...LATER]) expect(fs.readFileSync(driveC(machineDir, copy)).equals(original)).toBe(true);
    } finally {
      helper.stdin.end();
      helper.kill();
      if (program) await program.stop();
    }
  });
}
