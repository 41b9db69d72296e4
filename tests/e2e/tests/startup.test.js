// The startup and uninstall screens on a fresh sandbox: the user removes a startup entry and sees
// the list without it, and asking for an uninstaller says why the sandbox cannot start one.
const fs = require('fs');
const path = require('path');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { openProgram, settle, messageBox, answerMessageBox } = require('../support/screens');

test.describe('startup and uninstall screens', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('startup')); });
  test.afterAll(async () => { await program.stop(); });

  test.beforeEach(async ({ page }) => {
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
  });

  test('removing a startup entry takes it out of the Run key and the list', async ({ page }, testInfo) => {
    await page.locator('.nav-item', { hasText: 'Startup programs' }).click();
    const screen = page.locator('[data-screen="startup"]');
    const entries = screen.locator('#startup-list li');
    await expect(entries).toHaveCount(3);
    await expect(screen.locator('#startup-count')).toHaveText('3');
    // Shown upper-cased, without the quotes around the program, with its switches.
    const chat = entries.filter({ hasText: 'CHAT HELPER' });
    await expect(chat).toContainText('C:\\PROGRAM FILES\\DEMO CHAT\\HELPER.EXE /BACKGROUND /MINIMIZED');

    const remove = screen.getByRole('button', { name: 'Remove from startup' });
    await expect(remove).toBeDisabled();
    await chat.getByRole('button').click();
    await remove.click();
    await page.locator('#confirm').getByRole('button', { name: 'Yes' }).click();
    await settle(page, program);

    await expect(entries).toHaveCount(2);
    await expect(entries.filter({ hasText: 'CHAT HELPER' })).toHaveCount(0);
    await expect(entries.filter({ hasText: 'WEATHER TICKER' })).toHaveCount(1);
    await expect(entries.filter({ hasText: 'SOUND TRAY' })).toHaveCount(1);
    const log = page.locator('[data-window="log"]');
    await expect(log.locator('#log-lines li').filter({ hasText: 'Chat Helper' })).toHaveCount(1);
    const userHive = fs.readFileSync(path.join(program.machineDir, 'user.reg'), 'utf8');
    expect(userHive).not.toContain('"Chat Helper"');
    expect(userHive).toContain('"Weather Ticker"');

    await screen.screenshot({ path: testInfo.outputPath('startup-screen.png') });
    await testInfo.attach('startup screen', { path: testInfo.outputPath('startup-screen.png'), contentType: 'image/png' });
  });

  test('the uninstall screen lists the programs and says why the sandbox starts no uninstaller', async ({ page }) => {
    await page.locator('.nav-item', { hasText: 'Uninstall programs' }).click();
    const screen = page.locator('[data-screen="uninstall"]');
    const programs = screen.locator('#uninstall-list li');
    // Four of the uninstall screen's own, and four the registry cleaner's demo installed (two of
    // them since gone).
    await expect(programs).toHaveCount(8);
    await expect(programs.filter({ hasText: 'TRIAL GAME' })).toHaveCount(1);
    // Two programs of the same name in different case read the same.
    await expect(programs.filter({ hasText: 'MEDIA CODEC PACK' })).toHaveCount(2);

    await programs.filter({ hasText: 'PHOTO VIEWER 2.1' }).getByRole('button').click();
    await screen.getByRole('button', { name: 'Uninstall' }).click();
    const box = messageBox(page);
    await expect(box).toBeVisible();
    await expect(box).toContainText('cannot start the uninstaller of Photo Viewer 2.1');
    await answerMessageBox(page, program, 'OK');
    await expect(programs).toHaveCount(8);
  });
});
