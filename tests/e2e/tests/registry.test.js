// The registry cleaner on a fresh sandbox with its demo traces: scan, repair after the question,
// the backups, restore, and every demo entry back in the machine's registry with its values.
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram } = require('../support/program');
const { DEMO_REGISTRY_KEYS: DEMO_KEYS, valueLines } = require('../support/machine_files');
const { openProgram, settle, answerMessageBox, messageBox } = require('../support/screens');

test.describe('registry cleaner screen', () => {
  let program;
  test.beforeAll(async () => { program = await startProgram(newMachineDir('registry')); });
  test.afterAll(async () => { if (program) await program.stop(); });

  test('scan, repair and restore give every demo entry back with its values', async ({ page }, testInfo) => {
    const before = DEMO_KEYS.map(([hive, key]) => valueLines(program.machineDir, hive, key));
    for (const lines of before) expect(lines && lines.length).toBeTruthy();

    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await page.locator('.nav-item', { hasText: 'Registry cleaner' }).click();
    const screen = page.locator('[data-screen="registry"]');
    const found = screen.locator('#reg-found-list li');
    const backups = screen.locator('#reg-backup-list li');
    await expect(backups).toHaveCount(0);

    await screen.getByRole('button', { name: 'Scan registry' }).click();
    await settle(page, program);
    await expect(messageBox(page)).toContainText('Invalid entries found: 9');
    await answerMessageBox(page, program, 'OK');
    await expect(found).toHaveCount(9);
    await expect(screen.locator('#reg-found-state')).toHaveText('9 invalid entries');
    for (const stale of ['paintfx.dll', 'oldcodec.ocx', 'CodecPackUpdate', 'Old Paint 1.0', 'Trial Game', 'oldpaint.exe',
      'budget.xls', 'Old report.doc', 'download.zip']) {
      await expect(found.filter({ hasText: stale })).toHaveCount(1);
    }
    // Each entry says why it is invalid, and a long key wraps instead of running off the edge.
    await expect(found.filter({ hasText: 'Old Paint 1.0' }))
      .toContainText('The uninstaller C:\\Program Files\\Old Paint\\unins000.exe does not exist.');
    await expect(found.filter({ hasText: 'budget.xls' })).toContainText('OpenSaveMRU\\*: a = C:\\');
    const overflow = await screen.locator('#reg-found-list').evaluate((list) => list.scrollWidth - list.clientWidth);
    expect(overflow).toBeLessThanOrEqual(0);
    // Valid entries and product codes are never offered.
    for (const kept of ['Demo Writer', 'writer.exe', 'demoshared.dll', 'Letter.txt', '{6F8A2D41', 'firefox.exe', 'Netscp.exe',
      'Aol.exe', 'PhotoViewer']) {
      await expect(found.filter({ hasText: kept })).toHaveCount(0);
    }

    await screen.locator('#reg-found-all').check();
    await screen.getByRole('button', { name: 'Repair selected' }).click();
    await expect(messageBox(page)).toContainText('Clean registry');
    await expect(messageBox(page)).toContainText('A backup of each is kept');
    await answerMessageBox(page, program, 'Yes');
    const log = page.locator('[data-window="log"]');
    await expect(log).toBeVisible();
    const lines = log.locator('#log-lines li');
    await expect(lines.last()).toHaveText(/^All done: removed /);
    await expect(lines.filter({ hasText: 'Uninstall\\Old Paint 1.0' })).toHaveCount(1);
    await expect(lines.filter({ hasText: 'paintfx.dll' })).toHaveCount(1);
    await expect(found).toHaveCount(0);
    await expect(backups).toHaveCount(9);
    expect(valueLines(program.machineDir, ...DEMO_KEYS.find(([, key]) => key.endsWith('Old Paint 1.0')))).toBeNull();
    await page.screenshot({ path: testInfo.outputPath('registry-repaired.png') });
    await testInfo.attach('after the repair', { path: testInfo.outputPath('registry-repaired.png'), contentType: 'image/png' });

    await screen.locator('#reg-backup-all').check();
    await screen.getByRole('button', { name: 'Restore selected' }).click();
    await settle(page, program);
    await expect(backups).toHaveCount(0);
    DEMO_KEYS.forEach(([hive, key], i) => expect(valueLines(program.machineDir, hive, key), key).toEqual(before[i]));

    await screen.getByRole('button', { name: 'Scan again' }).click();
    await settle(page, program);
    await answerMessageBox(page, program, 'OK');
    await expect(found).toHaveCount(9);
  });

  test('a scan finds nothing once every stale entry is repaired', async ({ page }) => {
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await settle(page, program);
    await page.locator('.nav-item', { hasText: 'Registry cleaner' }).click();
    const screen = page.locator('[data-screen="registry"]');
    await screen.getByRole('button', { name: 'Scan registry' }).click();
    await settle(page, program);
    await answerMessageBox(page, program, 'OK');
    await screen.locator('#reg-found-all').check();
    await screen.getByRole('button', { name: 'Repair selected' }).click();
    await answerMessageBox(page, program, 'Yes');
    await screen.getByRole('button', { name: 'Scan registry' }).click();
    await settle(page, program);
    await expect(messageBox(page)).toContainText('Invalid entries found: 0');
    await answerMessageBox(page, program, 'OK');
    await expect(screen.locator('#reg-found-list li')).toHaveCount(0);
    await expect(screen.locator('#reg-found-state')).toHaveText('...No Errors...');
    // Nothing to repair: the program is not even asked.
    await expect(screen.getByRole('button', { name: 'Repair selected' })).toBeDisabled();
  });
});
