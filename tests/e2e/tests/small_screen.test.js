// The program is usable in a window of 800 x 600: every control of the title bar and of each
// screen lies within the window and takes a click.
const fs = require('fs');
const { test, expect } = require('@playwright/test');
const { driveC } = require('../support/program');
const { openProgram, settle, sharedProgram } = require('../support/screens');

const VIEWPORT = { width: 800, height: 600 };
test.use({ viewport: VIEWPORT });

// Fully inside the window once scrolled to (scrolling may leave a fraction of a pixel), and not
// covered by anything else.
const SLACK = 1;
async function expectReachable(locator, what) {
  await locator.scrollIntoViewIfNeeded();
  const box = await locator.boundingBox();
  expect(box, `${what} is shown`).not.toBeNull();
  expect(box.x, `${what} starts inside the window`).toBeGreaterThanOrEqual(-SLACK);
  expect(box.y, `${what} starts inside the window`).toBeGreaterThanOrEqual(-SLACK);
  expect(box.x + box.width, `${what} ends inside the window`).toBeLessThanOrEqual(VIEWPORT.width + SLACK);
  expect(box.y + box.height, `${what} ends inside the window`).toBeLessThanOrEqual(VIEWPORT.height + SLACK);
  // A trial click waits for the control to be visible, steady and the one hit at its centre.
  if (await locator.isEnabled()) await locator.click({ trial: true, timeout: 2000 });
}

test.describe('a window of 800 x 600', () => {
  const program = sharedProgram();

  // A run leaves the log panel up in the corner: the screens must still let every control clear it.
  async function leaveTheLogPanelUp(page) {
    fs.mkdirSync(driveC(program.machineDir, 'e2e-small-screen'), { recursive: true });
    await page.locator('.nav-item[data-target="shredder"]').click();
    await page.locator('#type-folder').fill('C:\\e2e-small-screen');
    await page.locator('#type-shred').click();
    await page.locator('#confirm-yes').click();
    await settle(page, program);
    await expect(page.locator('[data-window="log"]')).toBeVisible();
  }

  test('the title bar and every button of every screen are within the window and clickable', async ({ page }) => {
    // Every control of every screen is looked at one by one: more screens, more time.
    test.setTimeout(240_000);
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await leaveTheLogPanelUp(page);

    const width = await page.evaluate(() => document.querySelector('[data-window="main"]').scrollWidth);
    expect(width).toBeLessThanOrEqual(VIEWPORT.width + SLACK);
    await expectReachable(page.locator('#language'), 'the language selector');
    await expectReachable(page.locator('#ram-chip'), 'the memory chip');
    await expectReachable(page.locator('.titlebar [data-command="IDC_FS_MINIMIZE"]'), 'the tray button');
    await expectReachable(page.locator('.titlebar [data-command="IDC_FS_CLOSE"]'), 'the close button');

    const items = page.locator('.nav-item');
    const count = await items.count();
    expect(count).toBeGreaterThan(10);
    for (let i = 0; i < count; i++) {
      const item = items.nth(i);
      const target = await item.getAttribute('data-target');
      await expectReachable(item, `the navigation item ${target}`);
      await item.click();
      const screen = page.locator(`.screen[data-screen="${target}"]`);
      await expect(screen).toBeVisible();
      const controls = screen.locator('button:visible, select:visible, input:visible');
      for (let j = 0; j < await controls.count(); j++) {
        const control = controls.nth(j);
        const name = (await control.textContent()) || (await control.getAttribute('id')) || `control ${j}`;
        await expectReachable(control, `"${name.trim()}" on the ${target} screen`);
      }
    }
  });

  test('the file dialog fits, with its buttons', async ({ page }) => {
    await openProgram(page, program);
    await page.locator('.nav-item[data-target="shredder"]').click();
    await page.locator('[data-command="IDC_FS_ADDFILETOSHRED"]').click();
    const dialog = page.locator('#dialog');
    await expect(dialog).toBeVisible();
    await expectReachable(dialog.locator('#dialog-field'), 'the path field');
    await expectReachable(dialog.locator('button[type=submit]'), 'OK');
    await expectReachable(dialog.locator('#dialog-cancel'), 'Cancel');
    await dialog.locator('#dialog-cancel').click();
    await settle(page, program);
  });
});
