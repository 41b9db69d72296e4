// A file or folder whose first open the kernel holds (hold_open.py) until the test lets it go: a
// Cancel can then be pressed while a scan surely reads it, whatever the speed of the machine.
const path = require('path');
const { spawn } = require('child_process');
const { expect } = require('@playwright/test');
const { keepScreenshot } = require('./screens');

// Resolves with the helper once it says `word`; rejects when it ends first.
function helperSaid(helper, word) {
  return new Promise((resolve, reject) => {
    let said = '';
    const listen = (chunk) => {
      said += chunk;
      if (said.split('\n').includes(word)) { helper.stdout.off('data', listen); resolve(helper); }
    };
    helper.stdout.on('data', listen);
    helper.on('exit', (code) => reject(new Error(`hold_open.py ended (${code}) before "${word}": ${said}`)));
  });
}

// The helper watching `target`; its stdin lets the held open go on.
function holdOpen(target) {
  return spawn('python3', [path.join(__dirname, 'hold_open.py'), target], { stdio: ['pipe', 'pipe', 'pipe'] });
}

// Presses `start`, and once the run reaches the held open, checks the run panel (whileRunning),
// keeps a screenshot named `shot`, presses Cancel and lets the open go on; resolves when the run
// has ended.
async function cancelWhileHeld(page, helper, { start, german, shot, whileRunning = async () => {} }) {
  const held = helperSaid(helper, 'held');
  await start.click();
  await held;
  const panel = page.locator('#run-panel');
  await expect(panel).toBeVisible();
  await whileRunning(panel);
  await keepScreenshot(page, shot);
  const cancelled = page.waitForResponse((response) => response.url().endsWith('/api/cancel'));
  await panel.getByRole('button', { name: german ? 'Abbrechen' : 'Cancel' }).click();
  expect((await cancelled).status()).toBe(202);
  helper.stdin.end('\n');
  await expect(panel).toBeHidden({ timeout: 30_000 });
}

module.exports = { helperSaid, holdOpen, cancelWhileHeld };
