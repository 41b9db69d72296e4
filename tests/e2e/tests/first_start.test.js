// A fresh sandbox, and who may talk to the program.
const { test, expect } = require('@playwright/test');
const { openProgram, settle, sharedProgram } = require('../support/screens');

test.describe('first start on a fresh sandbox', () => {
  test('opens on the main window directly, with every option off', async ({ page }, testInfo) => {
    const program = sharedProgram();
    await openProgram(page, program);
    await settle(page, program);

    await expect(page.locator('[data-window="main"]')).toBeVisible();
    await expect(page.locator('[data-window="profiles"]')).toBeHidden();
    await expect(page.locator('[data-screen="ie"]')).toBeVisible();  // the first privacy screen
    // No profile yet: every stored tick starts off.
    await page.locator('.nav-item', { hasText: 'Options' }).click();
    const tweaks = page.locator('#tweaks input[type=checkbox]');
    await expect(tweaks).toHaveCount(6);
    for (const box of await tweaks.all()) await expect(box).not.toBeChecked();
    await page.locator('.nav-item', { hasText: 'Registry cleaner' }).click();
    await expect(page.locator('[data-screen="registry"]').getByRole('button', { name: 'Scan registry' })).toBeVisible();
    // Nothing scanned yet: the list says what to do rather than that nothing was added.
    const emptyText = (list) =>
      page.evaluate((selector) => getComputedStyle(document.querySelector(selector), '::before').content, list);
    expect(await emptyText('#reg-found-list')).toContain('Press Scan registry');
    expect(await emptyText('#dll-list')).toContain('Press Scan drive');
    await page.reload();
    await settle(page, program);
    await expect(page.locator('[data-screen="registry"]')).toBeVisible();  // a reload keeps the screen

    await page.locator('.nav-item', { hasText: 'Shredder' }).click();
    await page.screenshot({ path: testInfo.outputPath('main-window.png') });
    await testInfo.attach('main window', { path: testInfo.outputPath('main-window.png'), contentType: 'image/png' });
  });
});

test.describe('memory gauge', () => {
  test('shows the memory load the program reports twice a second', async ({ page }) => {
    const program = sharedProgram();
    await openProgram(page, program);
    const value = page.locator('#ram-chip-value');
    await expect(value).toHaveText(/^\d+ %$/);
    await page.locator('.nav-item', { hasText: 'Memory' }).click();
    await expect(page.locator('#ram-gauge .gauge-value')).toHaveText(await value.textContent());
    await expect(page.locator('#memory-offline')).toBeHidden();
  });

  test('"Free memory now" says what it took and how much is free', async ({ page }) => {
    const program = sharedProgram();
    await openProgram(page, program);
    await page.selectOption('#language', 'English');
    await page.locator('.nav-item', { hasText: 'Memory' }).click();
    const result = page.locator('#free-memory-result');
    await expect(result).toBeHidden();
    await page.locator('#free-percent').fill('5');
    await page.getByRole('button', { name: 'Free memory now' }).click();
    await settle(page, program);
    await expect(result).toBeVisible();
    await expect(result).toHaveText(/Took [\d,]+ MB for a moment and gave it back\. Free memory: [\d,]+ MB before, [\d,]+ MB now\./);
    await page.selectOption('#language', 'Deutsch');
    await expect(result).toContainText('Freier Speicher');
    await page.selectOption('#language', 'English');
    await settle(page, program);
  });
});

test.describe('requests the program refuses', () => {
  const program = sharedProgram();
  const change = { movie: 'main', name: '_root.WIN_BF', value: 'refused-change' };

  test('without the token, with a wrong token or from another origin, and nothing changes', async ({ request }) => {
    const refused = [
      request.post(`${program.origin}/api/setvar`, { data: change }),
      request.post(`${program.origin}/api/setvar`, { data: change, headers: { 'X-Tavrin-Token': 'not-the-token' } }),
      request.post(`${program.origin}/api/setvar`, {
        data: change, headers: { 'X-Tavrin-Token': program.token, Origin: 'http://evil.example' },
      }),
      request.post(`${program.origin}/api/fscommand`, { data: { movie: 'main', command: 'IDC_FS_CLOSE', args: '' } }),
      request.get(`${program.origin}/api/events`),
      request.get(`${program.origin}/api/vars?movie=main`),
    ];
    for (const response of await Promise.all(refused)) expect(response.status()).toBe(403);

    const vars = await (await request.get(`${program.origin}/api/vars?movie=main`, {
      headers: { 'X-Tavrin-Token': program.token },
    })).json();
    expect(vars['_root.WIN_BF']).not.toBe('refused-change');
    // The refused close command asked nothing.
    const idle = await (await request.get(`${program.origin}/api/idle`, {
      headers: { 'X-Tavrin-Token': program.token },
    })).json();
    expect(idle.modal).toBeNull();
  });

  test('the host page itself needs the token, so a stray page never starts talking', async ({ page }) => {
    const calls = [];
    page.on('request', (request) => { if (request.url().includes('/api/')) calls.push(request.url()); });
    const response = await page.goto(program.origin + '/');
    expect(response.status()).toBe(403);
    expect(calls).toEqual([]);
  });
});
