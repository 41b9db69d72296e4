// One program per machine that a second start reaches, and a program started from the desktop
// entry that ends with its last page.
const { execFile } = require('child_process');
const { test, expect } = require('@playwright/test');
const { BIN, newMachineDir, startProgram } = require('../support/program');
const { openProgram } = require('../support/screens');

function runSecond(machineDir) {
  return new Promise((resolve) => {
    execFile(BIN, ['--machine', machineDir, '--no-browser'], { env: { ...process.env, DISPLAY: '', WAYLAND_DISPLAY: '' } },
      (error, stdout, stderr) => resolve({ code: error ? error.code : 0, stdout, stderr }));
  });
}

test('a second start on the same machine leads to the running program and ends with status 0', async ({ page }) => {
  const program = await startProgram(newMachineDir('second-start'));
  try {
    const second = await runSecond(program.machineDir);
    expect(second.code, second.stderr).toBe(0);
    const printed = second.stdout.match(/already running on this machine at (http:\/\/\S+)/);
    expect(printed, second.stdout).not.toBeNull();
    expect(printed[1]).toBe(program.url);
    await openProgram(page, { ...program, url: printed[1] });
    await expect(page.locator('[data-window="main"]')).toBeVisible();
  } finally {
    await program.stop();
  }
});

test('started to end with its last page, the program survives a reload and ends once the page is closed', async ({ context }) => {
  const program = await startProgram(newMachineDir('last-page'), { args: ['--end-with-last-page'] });
  let ended = false;
  program.exited.then(() => { ended = true; });
  try {
    const page = await context.newPage();
    await openProgram(page, program);
    await page.reload();
    await openProgram(page, program);
    // Longer than the grace period: a reload must not have started it.
    await page.waitForTimeout(7000);
    expect(ended).toBe(false);
    await page.close();
    const result = await Promise.race([program.exited, new Promise((r) => setTimeout(() => r('still running'), 20_000))]);
    expect(result).toEqual({ code: 0, signal: null });
  } finally {
    await program.stop();
  }
});
