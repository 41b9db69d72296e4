// A machine holds anybody's files: a cached web page, an SVG from a mail, a log line naming such a
// file. Opening one through the program must never let it script the program, even when the file
// knows the token. Each hostile file tries to set main's _root.Pwned and to rename its own tab;
// the tests check the program never heard of it.
const fs = require('fs');
const { test, expect } = require('@playwright/test');
const { openProgram, settle, variables, sharedProgram } = require('../support/screens');
const { driveC } = require('../support/program');

// What a hostile file runs: it has read the token somewhere and calls the program as our page would.
function attack(token) {
  return `fetch('/api/setvar', {method: 'POST', headers: {'Content-Type': 'application/json',
    'X-Tavrin-Token': '${token}'}, body: JSON.stringify({movie: 'main', name: '_root.Pwned', value: '1'})})
    .then((answer) => { document.title = 'answered ' + answer.status; }, () => { document.title = 'refused'; });
  document.title = 'ran';`;
}

function hostileFiles(token) {
  return {
    'hostile.html': `<!DOCTYPE html><html><head><title>page</title></head><body><script>${attack(token)}</script></body></html>`,
    'hostile.svg': `<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><title>picture</title>` +
      `<script>//<![CDATA[\n${attack(token)}\n//]]></script></svg>`,
  };
}

test.describe('hostile machine files', () => {
  const program = sharedProgram();

  test.beforeAll(() => {
    for (const [name, text] of Object.entries(hostileFiles(program.token))) {
      fs.writeFileSync(driveC(program.machineDir, name), text);
    }
  });

  async function expectProgramUntouched(page) {
    await settle(page, program);
    expect((await variables(page, program, 'main'))['_root.Pwned']).toBeUndefined();
  }

  // A request for the file as the address of a tab, with the token in its header (what a user
  // could be tricked into): the file arrives as a download, never as a document at our address.
  for (const name of Object.keys(hostileFiles(''))) {
    test(`${name} opened in a tab of its own is a download that runs nothing`, async ({ page }) => {
      await openProgram(page, program);
      const tab = await page.context().newPage();
      await tab.route('**/api/file?*', (route) =>
        route.continue({ headers: { ...route.request().headers(), 'x-tavrin-token': program.token } }));
      const download = tab.waitForEvent('download');
      await tab.goto(`${program.origin}/api/file?path=${encodeURIComponent('C:\\' + name)}`).catch(() => {});
      const saved = await (await download).path();
      expect(fs.readFileSync(saved, 'utf8')).toContain('_root.Pwned');
      expect(await tab.title()).not.toMatch(/ran|answered/);
      await tab.close();
      await expectProgramUntouched(page);
    });

    // Should a browser ever show the file as a page anyway (a wrong type, a download setting),
    // the sandbox still keeps its script from running or from counting as our page.
    test(`${name} shown as a document despite its type still runs nothing`, async ({ page }) => {
      await openProgram(page, program);
      const tab = await page.context().newPage();
      const type = name.endsWith('.svg') ? 'image/svg+xml' : 'text/html';
      await tab.route('**/api/file?*', async (route) => {
        const headers = { ...route.request().headers(), 'x-tavrin-token': program.token };
        const served = await route.fetch({ headers });
        const kept = { ...served.headers(), 'content-type': type };
        delete kept['content-disposition'];
        await route.fulfill({ response: served, headers: kept });
      });
      await tab.goto(`${program.origin}/api/file?path=${encodeURIComponent('C:\\' + name)}`);
      // The document is there (its own title) and its script never ran.
      await expect(tab).toHaveTitle(name.endsWith('.svg') ? 'picture' : 'page');
      await tab.close();
      await expectProgramUntouched(page);
    });
  }

  test('a day\'s log holding markup is shown by the program as text and runs nothing', async ({ page }) => {
    const now = new Date();
    const logName = `${now.getDate()}-${now.getMonth() + 1}-${now.getFullYear()}_Log.txt`;
    const logFolder = driveC(program.machineDir, 'Program Files', 'Orvane', 'Logs');
    fs.mkdirSync(logFolder, { recursive: true });
    const logFile = `${logFolder}/${logName}`;
    const before = fs.existsSync(logFile) ? fs.readFileSync(logFile) : null;
    const markup = `<img src=x onerror="${attack(program.token).replace(/"/g, '&quot;')}">`;
    fs.appendFileSync(logFile, `12:00 deleted C:\\Cache\\${markup}\r\n`);
    try {
      await openProgram(page, program);
      const opened = page.waitForRequest((request) => request.url().includes('/api/file?'));
      await page.evaluate(() => window.tavrin.command('log', 'IDC_FS_VIEWLOG', ''));
      // The address the program sent carries no token; the page adds it as a header.
      const request = await opened;
      expect(request.url()).not.toContain(program.token);
      expect(await request.headerValue('x-tavrin-token')).toBe(program.token);
      await expect(page.locator('#viewer-text')).toContainText(markup);
      await expect(page.locator('#viewer img')).toHaveCount(0);
      await expectProgramUntouched(page);
    } finally {
      if (before === null) fs.rmSync(logFile); else fs.writeFileSync(logFile, before);
    }
  });
});
