// Cancel during a free-space wipe of a real file system: a small ext4 image on a loop device as the
// machine's drive D:. The file system is frozen while the wipe starts, so Cancel is pressed while
// the wipe is surely under way, whatever the speed of the disk; thawed, the wipe stops before its
// next fill file, removes the ones it wrote, and the log and the completion line say it was
// cancelled. The user's own file on the drive stays as it was.
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle } = require('../support/screens');

function run(command, ...args) {
  execFileSync(command, args, { stdio: 'pipe' });
}

for (const { language, width, height } of [
  { language: 'English', width: 1280, height: 800 },
  { language: 'Deutsch', width: 800, height: 600 },
]) {
  test(`Cancel stops a free-space wipe and removes what it wrote (${language}, ${width}x${height})`, async ({ page }, testInfo) => {
    const machineDir = newMachineDir('wipe-cancel');
    // A new machine is made in an empty folder when the program first opens it.
    await (await startProgram(machineDir)).stop();
    const image = path.join(machineDir, 'device.img');
    const drive = path.join(machineDir, 'drive_d');
    fs.mkdirSync(drive);
    fs.writeFileSync(image, '');
    fs.truncateSync(image, 96 << 20);
    try {
      run('mkfs.ext4', '-q', '-F', '-m', '0', image);
      run('mount', '-o', 'loop', image, drive);
    } catch (error) {
      test.skip(true, `no ext4 image can be mounted here (mkfs.ext4 and loop mounts need e2fsprogs and root): ${error.message}`);
    }
    let frozen = false;
    const thaw = () => { if (frozen) { run('fsfreeze', '-u', drive); frozen = false; } };
    let program = null;
    try {
      fs.writeFileSync(path.join(drive, 'keep.txt'), 'the user\'s own file\n');
      fs.symlinkSync('../drive_d', path.join(machineDir, 'dosdevices', 'd:'));
      program = await startProgram(machineDir);

      await page.setViewportSize({ width, height });
      await openProgram(page, program);
      await page.selectOption('#language', language);
      const german = language === 'Deutsch';
      await page.locator('.nav-item[data-target="shredder"]').click();
      await page.selectOption('#drive-select', 'D:\\');
      await page.locator('#drive-free-space').check();
      await settle(page, program);

      run('fsfreeze', '-f', drive);
      frozen = true;
      await page.locator('#drive-shred').click();
      await page.locator('[data-window="msgbox"]').getByRole('button', { name: german ? 'Ja' : 'Yes', exact: true }).click();
      const panel = page.locator('#run-panel');
      await expect(panel).toBeVisible();
      await page.screenshot({ path: testInfo.outputPath(`wipe-running-${language}-${width}x${height}.png`) });
      const cancelled = page.waitForResponse((response) => response.url().endsWith('/api/cancel'));
      await panel.getByRole('button', { name: german ? 'Abbrechen' : 'Cancel' }).click();
      expect((await cancelled).status()).toBe(202);
      thaw();

      await expect(panel).toBeHidden({ timeout: 30_000 });
      const lines = page.locator('[data-window="log"] #log-lines li');
      const said = german ? /^Abgebrochen: Der freie Speicher von D: war zu \d+ % überschrieben/ : /^Cancelled: the free space of D: was overwritten up to \d+ %/;
      await expect(lines.last()).toHaveText(said);
      const left = fs.readdirSync(drive).filter((name) => name !== 'lost+found');
      expect(left).toEqual(['keep.txt']);
      expect(fs.readFileSync(path.join(drive, 'keep.txt'), 'utf8')).toBe('the user\'s own file\n');
      await page.screenshot({ path: testInfo.outputPath(`wipe-cancelled-${language}-${width}x${height}.png`) });
    } finally {
      thaw();
      if (program) await program.stop();
      try { run('umount', drive); } catch (error) { /* not mounted */ }
    }
  });
}
