// SIGINT and SIGTERM end the program at once, as the exit-without-saving button does, whatever
// it is doing: serving a connected page, or deep in a long shred.
const fs = require('fs');
const net = require('net');
const { test, expect } = require('@playwright/test');
const { newMachineDir, startProgram, driveC } = require('../support/program');
const { openProgram, answerDialog, messageBox } = require('../support/screens');

// Generous for two busy cores; a program that waits for its connections or its work takes seconds.
const AT_ONCE_MS = 2000;

// A raw connection that sent one request and stays open, as a browser keeps its connections.
function openConnection(program, path) {
  const { port } = new URL(program.origin);
  return new Promise((resolve, reject) => {
    const socket = net.connect(Number(port), '127.0.0.1', () => {
      socket.write(`GET ${path} HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\n\r\n`);
    });
    socket.once('data', () => resolve(socket));
    socket.once('error', reject);
  });
}

async function timeToEnd(program, signal) {
  const started = Date.now();
  process.kill(program.pid, signal);
  const ended = await program.exited;
  return { ms: Date.now() - started, ...ended };
}

test.describe('ending on a signal', () => {
  test('SIGTERM ends the program at once while a page has its event stream and an idle connection open', async () => {
    const program = await startProgram(newMachineDir('signal-page'));
    const stream = await openConnection(program, `/api/events?token=${program.token}`);
    const idle = await openConnection(program, `/?token=${program.token}`);
    const ended = await timeToEnd(program, 'SIGTERM');
    stream.destroy();
    idle.destroy();
    expect(ended.code).toBe(0);
    expect(ended.ms).toBeLessThan(AT_ONCE_MS);
  });

  test('SIGINT ends the program at once while a long shred runs, and the shred stops there', async ({ page }) => {
    const program = await startProgram(newMachineDir('signal-shred'));
    const folder = driveC(program.machineDir, 'many files');
    fs.mkdirSync(folder, { recursive: true });
    const count = 20000;
    for (let i = 0; i < count; i++) fs.writeFileSync(`${folder}/file ${i}.txt`, `secret ${i}\n`);

    await openProgram(page, program);
    await page.locator('.nav-item', { hasText: 'Shredder' }).click();
    await page.getByRole('button', { name: 'Add folder…' }).click();
    await answerDialog(page, program, 'C:\\many files');
    await page.locator('#folders-shred').click();
    await messageBox(page).getByRole('button', { name: 'Yes', exact: true }).click();
    // The shred is under way once its first files are gone.
    await expect.poll(() => fs.readdirSync(folder).length, { timeout: 30_000 }).toBeLessThan(count);

    const ended = await timeToEnd(program, 'SIGINT');
    expect(ended.code).toBe(0);
    expect(ended.ms).toBeLessThan(AT_ONCE_MS);
    expect(fs.readdirSync(folder).length).toBeGreaterThan(0);
  });
});
