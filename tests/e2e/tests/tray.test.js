// The tray, the language switch, and ending the program from the tray.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle, messageBox } = require('../support/screens');

test.describe('tray and language', () => {
  let program;
  test.beforeEach(async () => { program = await startProgram(newMachineDir('tray')); });
  test.afterEach(async () => { await program.stop(); });

  test('minimise, show again, switch to German, and exit from the tray like the close button', async ({ page }) => {
    await openProgram(page, program);
    const main = page.locator('[data-window="main"]');
    const tray = page.locator('#tray');
    await expect(main).toBeVisible();
    await expect(tray).toBeHidden();

    await page.getByTitle('Minimise to the tray').click();
    await expect(main).toBeHidden();
    await expect(tray).toBeVisible();
    await page.locator('#tray-icon').click();
    await page.locator('#tray-show').click();
    await settle(page, program);
    await expect(main).toBeVisible();
    await expect(tray).toBeHidden();

    // The language is the program's: the page follows what it answers, and so do its questions.
    await page.selectOption('#language', 'Deutsch');
    await settle(page, program);
    await expect(page.locator('.nav-item', { hasText: 'Optionen' })).toBeVisible();
    await page.getByTitle('Minimise to the tray').click();
    await page.locator('#tray-icon').click();
    await page.locator('#tray-exit').click();
    const question = messageBox(page);
    await expect(question).toContainText('Einstellungen speichern');
    await expect(question.getByRole('button')).toHaveText(['Speichern unter...', 'Nicht speichern', 'Abbrechen']);
    // "Don't save" ends the program at once, so there is nothing left to wait for.
    await question.getByRole('button', { name: 'Nicht speichern', exact: true }).click();

    await expect(page.locator('#ended')).toBeVisible();
    expect((await program.exited).code).toBe(0);
  });
});
