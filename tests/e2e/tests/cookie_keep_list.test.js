// The cookie keep-list of the options screen: what the user types is saved as the program
// understood it, comes back after a restart, and the Internet Explorer preview lists that site's
// cookies as kept while the others are still to be removed.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle, answerMessageBox } = require('../support/screens');

test('sites typed on the options screen are saved and their cookies kept by a clean', async ({ page }) => {
  const machineDir = newMachineDir('cookie-keep');
  let program = await startProgram(machineDir);
  try {
    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Options' }).click();
    const options = page.locator('[data-screen="options"]');
    await options.locator('#cookie-keep-list').fill(' Mail.Example.org , .bank.example\n\nmail.example.org');
    await options.getByRole('button', { name: 'Save' }).click();
    await answerMessageBox(page, program, 'OK');
    await expect(options.locator('#cookie-keep-list')).toHaveValue('mail.example.org\n.bank.example');
  } finally {
    await program.stop();
  }

  program = await startProgram(machineDir);
  try {
    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Options' }).click();
    await expect(page.locator('#cookie-keep-list')).toHaveValue('mail.example.org\n.bank.example');

    await page.locator('.nav-item', { hasText: 'Internet Explorer' }).click();
    const screen = page.locator('[data-screen="ie"]');
    await screen.getByRole('checkbox', { name: 'Cookies' }).check();
    await settle(page, program);
    await screen.getByRole('button', { name: 'Preview' }).click();
    await settle(page, program);
    const rows = page.locator('#preview-view .preview-row');
    await expect(rows.first()).toBeVisible();
    const kept = (await page.locator('#preview-view .preview-kept .preview-name').allTextContents()).map((name) => name.toLowerCase());
    expect(kept.length).toBeGreaterThan(0);
    for (const name of kept) expect(name).toContain('@mail.example');
    const removed = await page.locator('#preview-view .preview-file .preview-name').allTextContents();
    expect(removed.some((name) => name.includes('@shop.example'))).toBe(true);
    expect(removed.some((name) => name.toLowerCase().includes('@mail.example'))).toBe(false);
  } finally {
    await program.stop();
  }
});
