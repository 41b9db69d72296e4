// Shredding files added through the program's file dialog.
const fs = require('fs');
const { test, expect } = require('@playwright/test');
const { driveC } = require('../support/program');
const { openProgram, settle, answerDialog, answerMessageBox, messageBox, sharedProgram } = require('../support/screens');

test.describe('shredder screen', () => {
  const program = sharedProgram();

  // The log window takes the stored language when it first opens (German until one is chosen), and
  // the program is shared between the tests: choose the language the texts below are written in.
  async function speakEnglish(page) {
    await page.selectOption('#language', 'English');
    await settle(page, program);
  }

  test('shredding two added files asks, logs one line per file, ends with the notice, and the files are gone',
    async ({ page }, testInfo) => {
      const folder = driveC(program.machineDir, 'e2e-shred');
      fs.mkdirSync(folder, { recursive: true });
      const names = ['first secret.txt', 'second secret.doc'];
      for (const name of names) fs.writeFileSync(`${folder}/${name}`, `secret text of ${name}\n`.repeat(100));

      await openProgram(page, program);
      await speakEnglish(page);
      await page.locator('.nav-item', { hasText: 'Shredder' }).click();
      const files = page.locator('#files-list');
      for (const name of names) {
        await page.getByRole('button', { name: 'Add file…' }).click();
        await answerDialog(page, program, `C:\\e2e-shred\\${name}`);
        await expect(files).toContainText(name);
      }
      // The same file twice stays one entry.
      await page.getByRole('button', { name: 'Add file…' }).click();
      await answerDialog(page, program, `C:\\e2e-shred\\${names[0]}`);
      await expect(files.locator('li')).toHaveCount(2);

      await page.locator('#files-shred').click();
      const question = messageBox(page);
      await expect(question).toBeVisible();
      await expect(question).toContainText('Shred files');
      await expect(question).toContainText('cannot be recovered');
      await answerMessageBox(page, program, 'Yes');

      const log = page.locator('[data-window="log"]');
      await expect(log).toBeVisible();
      const lines = log.locator('#log-lines li');
      await expect(lines.last()).toHaveText('All done: 2 shredded, 0 not shredded.');
      await expect(lines).toHaveCount(names.length + 1);
      for (const name of names) await expect(lines.filter({ hasText: name })).toHaveCount(1);
      await expect(log.getByRole('button', { name: "Open today's log file" })).toBeEnabled();
      await expect(files.locator('li')).toHaveCount(0);

      for (const name of names) expect(fs.existsSync(`${folder}/${name}`)).toBe(false);

      await log.screenshot({ path: testInfo.outputPath('log-window.png') });
      await testInfo.attach('log window', { path: testInfo.outputPath('log-window.png'), contentType: 'image/png' });
    });

  test('Preview beside Shred files lists each file with its size and a total, asks nothing, changes nothing and keeps the list',
    async ({ page }) => {
      const folder = driveC(program.machineDir, 'e2e-preview');
      fs.mkdirSync(folder, { recursive: true });
      fs.writeFileSync(`${folder}/draft.txt`, 'd'.repeat(2048));
      fs.writeFileSync(`${folder}/notes.txt`, 'n'.repeat(100));

      await openProgram(page, program);
      await speakEnglish(page);
      await page.locator('.nav-item', { hasText: 'Shredder' }).click();
      const files = page.locator('#files-list');
      for (const name of ['draft.txt', 'notes.txt']) {
        await page.getByRole('button', { name: 'Add file…' }).click();
        await answerDialog(page, program, `C:\\e2e-preview\\${name}`);
        await expect(files).toContainText(name);
      }
      await page.locator('#files-preview').click();
      await settle(page, program);

      // The view takes the screen's place, each listed file an item under its path.
      const view = page.locator('#preview-view');
      await expect(view).toBeVisible();
      await expect(view.locator('.preview-total')).toHaveText('In all: 2 files, 2.1 KB');
      await expect(view.locator('.preview-row')).toHaveText([
        'C:\\e2e-preview\\draft.txt1 file, 2.0 KB', 'C:\\e2e-preview\\draft.txt2.0 KB',
        'C:\\e2e-preview\\notes.txt1 file, 100 B', 'C:\\e2e-preview\\notes.txt100 B']);
      await view.getByRole('button', { name: 'Back' }).click();
      await expect(messageBox(page)).toBeHidden();
      await expect(files.locator('li')).toHaveCount(2);
      expect(fs.readFileSync(`${folder}/draft.txt`, 'utf8')).toBe('d'.repeat(2048));
      expect(fs.readFileSync(`${folder}/notes.txt`, 'utf8')).toBe('n'.repeat(100));
    });

  test('a cancelled file dialog and a "No" to the question leave the files alone', async ({ page }) => {
    const folder = driveC(program.machineDir, 'e2e-keep');
    fs.mkdirSync(folder, { recursive: true });
    fs.writeFileSync(`${folder}/keep.txt`, 'keep me\n');

    await openProgram(page, program);
    await speakEnglish(page);
    await page.locator('.nav-item', { hasText: 'Shredder' }).click();
    await page.getByRole('button', { name: 'Add file…' }).click();
    await expect(page.locator('#dialog')).toBeVisible();
    await page.locator('#dialog').getByRole('button', { name: 'Cancel' }).click();
    await settle(page, program);
    await expect(page.locator('#files-list li')).toHaveCount(0);

    await page.getByRole('button', { name: 'Add file…' }).click();
    await answerDialog(page, program, 'C:\\e2e-keep\\keep.txt');
    await page.locator('#files-shred').click();
    await answerMessageBox(page, program, 'No');
    await expect(messageBox(page)).toBeHidden();
    await expect(page.locator('#files-list li')).toHaveCount(1);
    expect(fs.readFileSync(`${folder}/keep.txt`, 'utf8')).toBe('keep me\n');
  });
});
