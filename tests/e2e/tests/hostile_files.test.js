// A machine holds anybody's files: a cached web page, an SVG from a mail, a log line naming such a
// file. Opening one through the program must never let it script the program, even when the file
// knows the token. Each hostile file tries to set main's _root.Pwned and to rename its own tab;
// the tests check the program never heard of it.
const fs = require('fs');
const { execFileSync } = require('child_process');
const { test, expect } = require('@playwright/test');
const { openProgram, settle, variables, sharedProgram, answerMessageBox, messageBox } = require('../support/screens');
const { driveC, newMachineDir, startProgram } = require('../support/program');

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

// Files that are no files, or far larger than their kind: the program must neither wait for them
// nor fill its memory with them, and it says in the day's log what it left unread.
test.describe('files no program should read whole', () => {
  const GiB = 1024 ** 3;
  // Generous for two busy cores; a read that waits on a pipe or a device never ends at all.
  const IN_TIME_MS = 20_000;

  // A DLL whose headers put a resource tree of nearly 4 GB right after them, in a sparse file as long.
  function claimedTreeDll(file) {
    const headers = Buffer.alloc(0x1000);
    headers.write('MZ', 0);
    headers.writeUInt32LE(0x80, 0x3c);
    headers.write('PE\0\0', 0x80, 'binary');
    headers.writeUInt16LE(1, 0x86);
    headers.writeUInt16LE(0xe0, 0x94);
    headers.writeUInt16LE(0x10b, 0x98);
    headers.writeUInt32LE(16, 0x98 + 92);
    headers.writeUInt32LE(0x1000, 0x98 + 112);
    headers.writeUInt32LE(0xfffff000, 0x98 + 116);
    headers.writeUInt32LE(0x1000, 0x178 + 12);
    headers.writeUInt32LE(0xfffff000, 0x178 + 16);
    headers.writeUInt32LE(0x1000, 0x178 + 20);
    fs.writeFileSync(file, headers);
    fs.truncateSync(file, 4 * GiB);
  }

  function peakMemory(program) {
    const status = fs.readFileSync(`/proc/${program.pid}/status`, 'utf8');
    return Number(status.match(/VmHWM:\s+(\d+) kB/)[1]) * 1024;
  }

  function todaysLog(program) {
    const now = new Date();
    const file = driveC(program.machineDir, 'Program Files', 'Orvane', 'Logs',
      `${now.getDate()}-${now.getMonth() + 1}-${now.getFullYear()}_Log.txt`);
    return fs.existsSync(file) ? fs.readFileSync(file, 'latin1') : '';
  }

  test('a pipe, a link to /dev/zero and huge sparse files are refused quickly and logged', async ({ page }) => {
    test.setTimeout(120_000);
    const machineDir = newMachineDir('hostile-reads');
    await (await startProgram(machineDir)).stop();  // the sandbox is made, with its plug-in file
    const pluginFile = driveC(machineDir, 'Program Files', 'Orvane', 'plugins', 'plugins.dll');
    fs.rmSync(pluginFile);
    execFileSync('mkfifo', [pluginFile]);
    execFileSync('mkfifo', [driveC(machineDir, 'x.dll')]);
    claimedTreeDll(driveC(machineDir, 'claims.dll'));

    // The plug-in list is read at the start: a pipe there must not hold it up.
    const program = await startProgram(machineDir, { timeoutMs: IN_TIME_MS });
    try {
      await openProgram(page, program);
      await page.selectOption('#language', 'English');
      await settle(page, program);

      await page.locator('.nav-item', { hasText: 'DLL cleaner' }).click();
      const screen = page.locator('[data-screen="dll"]');
      await screen.locator('#dll-drive').selectOption('C:\\');
      await screen.getByRole('button', { name: 'Scan drive' }).click();
      await expect(messageBox(page)).toContainText('All done', { timeout: IN_TIME_MS });
      await answerMessageBox(page, program, 'OK');
      expect(todaysLog(program)).toContain('x.dll');
      expect(peakMemory(program)).toBeLessThan(GiB / 2);

      const refresh = async () => {
        await page.evaluate(() => window.tavrin.command('main', 'IDC_FS_SPLUGINS', ''));
        const started = Date.now();
        await settle(page, program);
        expect(Date.now() - started).toBeLessThan(IN_TIME_MS);
      };
      fs.rmSync(pluginFile);
      fs.symlinkSync('/dev/zero', pluginFile);
      await refresh();
      fs.rmSync(pluginFile);
      fs.writeFileSync(pluginFile, '');
      fs.truncateSync(pluginFile, GiB);
      await refresh();
      expect(peakMemory(program)).toBeLessThan(GiB / 2);
      const log = todaysLog(program);
      expect(log.match(/File left unread:.*plugins\.dll/g)?.length).toBeGreaterThanOrEqual(3);
    } finally {
      await program.stop();
      fs.rmSync(machineDir, { recursive: true, force: true });
    }
  });
});
