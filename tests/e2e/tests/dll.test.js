// The DLL cleaner on a fresh sandbox: the scan of C: finds the stray copy of the demo library,
// the user removes it with a backup, finds it in the restore list, restores it and has it back.
const fs = require('fs');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { openProgram, settle, answerMessageBox, messageBox } = require('../support/screens');

const STRAY = 'C:\\Downloads\\viewer-setup-1.2\\viewctl.dll';

test.describe('DLL cleaner', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('dll')); });
  test.afterAll(async () => { await program.stop(); });

  test('a stray copy is found, removed with a backup, and restored with the same bytes', async ({ page }) => {
    const stray = driveC(program.machineDir, 'Downloads/viewer-setup-1.2/viewctl.dll');
    const registered = driveC(program.machineDir, 'Program Files/Demo Viewer/viewctl.dll');
    const original = fs.readFileSync(stray);

    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await page.locator('.nav-item', { hasText: 'DLL cleaner' }).click();
    const screen = page.locator('[data-screen="dll"]');
    await screen.locator('#dll-drive').selectOption('C:\\');
    await expect(screen.getByLabel('Back up before removing')).toBeChecked();  // on from the start
    await screen.getByRole('button', { name: 'Scan drive' }).click();
    await settle(page, program);
    await expect(messageBox(page)).toContainText('DLLs that no program uses: 1');
    await answerMessageBox(page, program, 'OK');

    // Only the copy is offered: the registered library is the one the system uses.
    const found = screen.locator('#dll-list li');
    await expect(found).toHaveCount(1);
    await expect(found).toHaveText(STRAY);
    await found.getByRole('checkbox').check();
    await screen.getByRole('button', { name: 'Remove ticked' }).click();
    await expect(messageBox(page)).toContainText('Remove');
    await answerMessageBox(page, program, 'Yes');
    await expect(found).toHaveCount(0);
    expect(fs.existsSync(stray)).toBe(false);
    expect(fs.existsSync(registered)).toBe(true);

    await page.locator('.nav-item', { hasText: 'DLL backups' }).click();
    const restore = page.locator('[data-screen="dllrestore"]');
    const backups = restore.locator('#dllrestore-list li');
    await expect(backups).toHaveCount(1);
    await expect(backups).toHaveText('viewctl.dll');
    await backups.getByRole('checkbox').check();
    await restore.getByRole('button', { name: 'Restore ticked' }).click();
    await settle(page, program);
    await expect(messageBox(page)).toContainText('DLLs put back in their places: 1');
    await answerMessageBox(page, program, 'OK');
    await expect(backups).toHaveCount(0);

    expect(fs.readFileSync(stray).equals(original)).toBe(true);
  });
});
