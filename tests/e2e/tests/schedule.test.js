// A daily schedule saved for the next minute cleans the profile's ticks when that minute comes,
// without a click; the program's clock is stood just before it through TAVRIN_TEST_CLOCK.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle, answerMessageBox, messageBox } = require('../support/screens');

const TYPED_URL = '"url2"="http://mail.example.org/inbox"';

test.describe('schedule', () => {
  const running = [];
  test.afterEach(async () => {
    for (const program of running.splice(0)) await program.stop();
  });

  test('a daily schedule for the next minute runs the profile and shows its lines in the log window', async ({ page }) => {
    test.setTimeout(120_000);
    const machine = newMachineDir('schedule');
    const userReg = () => fs.readFileSync(path.join(machine, 'user.reg'), 'utf8');

    // A profile that ticks the typed addresses, saved on the way out.
    const first = await startProgram(machine);
    running.push(first);
    await openProgram(page, first);
    await page.locator('.nav-item', { hasText: 'Internet Explorer' }).first().click();
    await page.locator('[data-screen="ie"] input[data-var="_root.IE_TU"]').check();
    await page.locator('.titlebar').getByTitle('Close Tavrin').click();
    await answerMessageBox(page, first, 'Save as...');
    await page.locator('#dialog-field').fill('Daily');
    await page.locator('#dialog').getByRole('button', { name: 'OK' }).click();
    await expect(page.locator('#ended')).toBeVisible();
    expect((await first.exited).code).toBe(0);
    expect(userReg()).toContain(TYPED_URL);

    // 07:04:40 on the program's clock: the schedule is saved for 07:05.
    const second = await startProgram(machine, { env: { TAVRIN_TEST_CLOCK: '2026-08-31T07:04:40' } });
    running.push(second);
    await openProgram(page, second);
    const chooser = page.locator('[data-window="profiles"]');
    await chooser.getByText('Daily', { exact: true }).click();
    await chooser.getByRole('button', { name: 'Open' }).click();
    await settle(page, second);

    await page.locator('.nav-item', { hasText: 'Schedule' }).click();
    const screen = page.locator('[data-screen="schedule"]');
    await expect(screen).toBeVisible();
    await screen.locator('#schedule-type').selectOption('Daily');
    await screen.locator('#schedule-hour').fill('7');
    await screen.locator('#schedule-minute').fill('5');
    await screen.getByLabel('AM').check();
    await expect(page.locator('[data-window="log"]')).toBeHidden();
    await screen.locator('#schedule-save').click();
    // On a slow machine 07:05 may come while this notice is still up: the run waits for nobody.
    await expect(messageBox(page)).toContainText('All done');
    await answerMessageBox(page, second, 'OK');

    // Nobody clicks: at 07:05 the log window comes up with the run's lines.
    const log = page.locator('[data-window="log"]');
    await expect(log).toBeVisible({ timeout: 45_000 });
    const lines = log.locator('#log-lines li');
    await expect(lines.last()).toHaveText(/^All done: removed /, { timeout: 15_000 });
    const shown = await lines.allTextContents();
    for (const name of ['url1', 'url2', 'url3']) {
      expect(shown.some((line) => line.endsWith(`TypedURLs\\${name}`)), name).toBe(true);
    }
    await expect(log.locator('#log-view')).toBeEnabled();
    // Saved as a command's changes are, and nothing else of Internet Explorer went.
    await expect.poll(userReg).not.toContain(TYPED_URL);
    expect(userReg()).toContain('"Start Page"="http://www.news-example.com/"');
  });
});
