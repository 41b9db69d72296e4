// The file and folder dialogs answer the mouse and the keyboard alike: a click selects, a double
// click or Enter opens a folder (or chooses a file), Backspace goes up.
const fs = require('fs');
const { test, expect } = require('@playwright/test');
const { driveC } = require('../support/program');
const { openProgram, settle, sharedProgram } = require('../support/screens');

test.describe('file and folder dialogs', () => {
  const program = sharedProgram();
  const dialog = (page) => page.locator('#dialog');
  const entry = (page, name) => page.locator('#dialog-browse .browse-entry', { hasText: name });
  const location = (page) => page.locator('#dialog-location');
  const field = (page) => page.locator('#dialog-field');

  test.beforeAll(() => {
    fs.mkdirSync(driveC(program.machineDir, 'e2e-dialogs', 'inner'), { recursive: true });
    fs.writeFileSync(driveC(program.machineDir, 'e2e-dialogs', 'chosen.txt'), 'x');
  });

  async function openShredder(page) {
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await page.locator('.nav-item', { hasText: 'Shredder' }).click();
  }

  async function cancel(page) {
    await dialog(page).getByRole('button', { name: 'Cancel' }).click();
    await settle(page, program);
  }

  for (const [kind, button] of [['file', 'Add file…'], ['folder', 'Add folder…']]) {
    test(`the ${kind} dialog selects on a click and opens a folder on a double click`, async ({ page }) => {
      await openShredder(page);
      await page.getByRole('button', { name: button }).click();
      await expect(dialog(page)).toBeVisible();
      await expect(location(page)).toHaveText('Computer');

      await entry(page, 'C:\\').click();
      await expect(entry(page, 'C:\\')).toHaveClass(/selected/);
      await expect(location(page)).toHaveText('Computer');
      await entry(page, 'C:\\').dblclick();
      await expect(location(page)).toHaveText('C:\\');

      await entry(page, 'e2e-dialogs').click();
      await expect(location(page)).toHaveText('C:\\');
      // Only the folder dialog takes a folder as its answer.
      await expect(field(page)).toHaveValue(kind === 'folder' ? 'C:\\e2e-dialogs' : '');
      await entry(page, 'e2e-dialogs').dblclick();
      await expect(location(page)).toHaveText('C:\\e2e-dialogs');
      await expect(entry(page, 'chosen.txt')).toHaveCount(kind === 'file' ? 1 : 0);
      await cancel(page);
    });
  }

  test('the keyboard opens folders, goes up and chooses a file', async ({ page }) => {
    await openShredder(page);
    await page.getByRole('button', { name: 'Add folder…' }).click();
    await entry(page, 'C:\\').focus();
    await page.keyboard.press('Enter');
    await expect(location(page)).toHaveText('C:\\');
    await entry(page, 'e2e-dialogs').focus();
    await page.keyboard.press('Enter');
    await expect(location(page)).toHaveText('C:\\e2e-dialogs');
    await expect(entry(page, 'inner')).toBeFocused();
    await expect(field(page)).toHaveValue('C:\\e2e-dialogs');
    await page.keyboard.press('Backspace');
    await expect(location(page)).toHaveText('C:\\');
    await cancel(page);

    await page.getByRole('button', { name: 'Add file…' }).click();
    await entry(page, 'C:\\').focus();
    await page.keyboard.press('Enter');
    await entry(page, 'e2e-dialogs').focus();
    await page.keyboard.press('Enter');
    await expect(entry(page, 'inner')).toBeFocused();
    await page.keyboard.press('ArrowDown');
    await expect(entry(page, 'chosen.txt')).toBeFocused();
    await page.keyboard.press('Enter');
    await settle(page, program);
    await expect(dialog(page)).toBeHidden();
    await expect(page.locator('#files-list')).toContainText('C:\\e2e-dialogs\\chosen.txt');
    // Leave the shared program's list as it was.
    await page.locator('#files-list button', { hasText: 'chosen.txt' }).click();
    await page.locator('#files-remove').click();
    await settle(page, program);
  });
});
