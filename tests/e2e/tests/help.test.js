// The help ships with the skin: the Help button shows it inside the page in the screens'
// language, with a part for every screen of the navigation.
const { test, expect } = require('@playwright/test');
const { openProgram, settle, sharedProgram } = require('../support/screens');

test.describe('help', () => {
  const program = sharedProgram();

  async function openHelp(page, label) {
    await page.locator('.nav-item[data-target="options"]').click();
    await page.getByRole('button', { name: label, exact: true }).click();
    await settle(page, program);
    const viewer = page.locator('#viewer');
    await expect(viewer).toBeVisible();
    return viewer;
  }

  test('the Help button shows the help in English and in German, every screen described', async ({ page }) => {
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    const screens = await page.locator('.nav-item').evaluateAll((items) => items.map((item) => item.dataset.target));

    let viewer = await openHelp(page, 'Help');
    await expect(viewer.locator('#viewer-title')).toHaveText('Tavrin help');
    const help = viewer.locator('#viewer-page');
    await expect(help).toContainText('What Tavrin never touches');
    await expect(help).toContainText('How to undo');
    await expect(help).not.toContainText('404');
    for (const screen of screens) await expect(help.locator(`[data-screen-help="${screen}"]`)).toHaveCount(1);
    await viewer.locator('#viewer-close').click();
    await expect(viewer).toBeHidden();

    await page.selectOption('#language', 'Deutsch');
    await settle(page, program);
    viewer = await openHelp(page, 'Hilfe');
    await expect(viewer.locator('#viewer-title')).toHaveText('Tavrin-Hilfe');
    await expect(help).toContainText('Was Tavrin nie anrührt');
    await expect(help).toContainText('Rückgängig machen');
    for (const screen of screens) await expect(help.locator(`[data-screen-help="${screen}"]`)).toHaveCount(1);
    await viewer.locator('#viewer-close').click();
    await page.selectOption('#language', 'English');
    await settle(page, program);
  });

  test('the help page reads on its own in the language of its address', async ({ page }) => {
    await page.goto(`${program.origin}/skin/help/help.html?lang=de`);
    await expect(page.locator('article[lang="de"] h1')).toBeVisible();
    await expect(page.locator('article[lang="en"]')).toBeHidden();
    await expect(page).toHaveTitle('Tavrin-Hilfe');
    await page.getByRole('link', { name: 'English' }).click();
    await expect(page.locator('article[lang="en"] h1')).toHaveText('Tavrin help');
    await expect(page.locator('article[lang="de"]')).toBeHidden();
  });
});
