// A newcomer's ticks survive an exit through a named profile; the last profile stays.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle, answerDialog, answerMessageBox, messageBox } = require('../support/screens');

const TICKED = ['_root.WIN_BF', '_root.WIN_EB'];

function tweak(page, name) {
  return page.locator(`#tweaks input[data-var="${name}"]`);
}

async function openOptions(page) {
  await page.locator('.nav-item', { hasText: 'Options' }).click();
  await expect(page.locator('[data-screen="options"]')).toBeVisible();
}

test.describe('profiles', () => {
  const running = [];
  test.afterEach(async () => {
    for (const program of running.splice(0)) await program.stop();
  });

  test('a newcomer ticks options, exits naming a profile, and finds the ticks again in it', async ({ page }) => {
    const machine = newMachineDir('newcomer');
    const first = await startProgram(machine);
    running.push(first);
    await openProgram(page, first);
    await expect(page.locator('[data-window="main"]')).toBeVisible();
    await openOptions(page);
    for (const name of TICKED) await tweak(page, name).check();

    await page.locator('.titlebar').getByTitle('Close Tavrin').click();
    const question = messageBox(page);
    await expect(question).toContainText('Save settings');
    await expect(question.getByRole('button')).toHaveText(['Save as...', "Don't save", 'Cancel']);
    await answerMessageBox(page, first, 'Save as...');

    // No profile yet, so the program asks for a name; a backslash is refused and asked again.
    await expect(page.locator('#dialog-prompt')).toContainText('Name of the profile');
    await page.locator('#dialog-field').fill('Home\\Work');
    await page.locator('#dialog').getByRole('button', { name: 'OK' }).click();
    await expect(messageBox(page)).toContainText('backslash');
    await answerMessageBox(page, first, 'OK');
    await expect(page.locator('#dialog-prompt')).toContainText('Name of the profile');
    await page.locator('#dialog-field').fill('Alice');
    await page.locator('#dialog').getByRole('button', { name: 'OK' }).click();

    await expect(page.locator('#ended')).toBeVisible();
    await expect(page.locator('#ended')).toContainText('Tavrin has ended');
    expect((await first.exited).code).toBe(0);

    const second = await startProgram(machine);
    running.push(second);
    await openProgram(page, second);
    const chooser = page.locator('[data-window="profiles"]');
    await expect(chooser).toBeVisible();
    await expect(page.locator('[data-window="main"]')).toBeHidden();
    await chooser.getByText('Alice', { exact: true }).click();

    // The only profile cannot be deleted.
    await chooser.getByRole('button', { name: 'Delete' }).click();
    await expect(messageBox(page)).toContainText('The last profile cannot be deleted.');
    await answerMessageBox(page, second, 'OK');
    await expect(chooser.locator('#profile-list li')).toHaveText(['Alice']);

    await chooser.getByRole('button', { name: 'Open' }).click();
    await settle(page, second);
    await expect(page.locator('[data-window="main"]')).toBeVisible();
    await openOptions(page);
    for (const box of await page.locator('#tweaks input[type=checkbox]').all()) {
      const name = await box.getAttribute('data-var');
      if (TICKED.includes(name)) await expect(box).toBeChecked();
      else await expect(box).not.toBeChecked();
    }
  });
});
