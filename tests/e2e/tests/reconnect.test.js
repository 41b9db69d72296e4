// A page that goes away in the middle of a question finds the question again when it comes back.
const { test, expect } = require('@playwright/test');
const { openProgram, settle, messageBox, sharedProgram } = require('../support/screens');

test.describe('reconnecting pages', () => {
  const program = sharedProgram();

  test('an open message box and an open input box are shown again to a new page', async ({ context }) => {
    const first = await context.newPage();
    await openProgram(first, program);
    await first.getByTitle('Close Tavrin').click();
    await expect(messageBox(first)).toContainText('Save settings');
    await first.close();

    const second = await context.newPage();
    await openProgram(second, program);
    const question = messageBox(second);
    await expect(question).toContainText('Save settings');
    await expect(question.getByRole('button')).toHaveText(['Save as...', "Don't save", 'Cancel']);
    await expect(second.locator('#modal-overlay')).toBeVisible();
    await question.getByRole('button', { name: 'Save as...', exact: true }).click();
    await expect(second.locator('#dialog-prompt')).toContainText('Name of the profile');

    await second.reload();
    await expect(second.locator('#dialog')).toBeVisible();
    await expect(second.locator('#dialog-prompt')).toContainText('Name of the profile');
    // Cancelling the name keeps the program running with its main window.
    await second.locator('#dialog').getByRole('button', { name: 'Cancel' }).click();
    const idle = await settle(second, program);
    expect(idle.modal).toBeNull();
    await expect(second.locator('#dialog')).toBeHidden();
    await expect(second.locator('#modal-overlay')).toBeHidden();
    await expect(second.locator('[data-window="main"]')).toBeVisible();
  });
});
