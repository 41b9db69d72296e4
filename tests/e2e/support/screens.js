// What the tests do with a page of the program: open it, and wait for the program (never sleep).
const fs = require('fs');
const path = require('path');
const { expect } = require('@playwright/test');

// Opens the page and waits until its first snapshot has arrived.
async function openProgram(page, program) {
  await page.goto(program.url);
  await expect.poll(() => page.evaluate(() => Boolean(window.tavrin && window.tavrin.connected))).toBe(true);
}

// Waits until the program has handled every request this page sent and waits for input again;
// answers what the user faces now ({modal, dialog}).
async function settle(page, program) {
  const seq = await page.evaluate(() => window.tavrin.settled());
  const response = await page.request.get(`${program.origin}/api/idle?after=${seq}`, {
    headers: { 'X-Tavrin-Token': program.token },
  });
  expect(response.ok(), `idle wait answered ${response.status()}`).toBe(true);
  return response.json();
}

async function variables(page, program, movie) {
  const response = await page.request.get(`${program.origin}/api/vars?movie=${movie}`, {
    headers: { 'X-Tavrin-Token': program.token },
  });
  expect(response.ok()).toBe(true);
  return response.json();
}

// The message box the program shows, answered by the label of one of its buttons.
function messageBox(page) {
  return page.locator('[data-window="msgbox"]');
}

// Presses a button and checks that it closed the box: afterwards the program shows no box, or
// another one.
async function answerMessageBox(page, program, label) {
  const box = messageBox(page);
  await expect(box).toBeVisible();
  const shown = async () => {
    const vars = await variables(page, program, 'msgbox');
    return `${vars['_root.title1']}\n${vars['_root.message']}`;
  };
  const answered = await shown();
  await box.getByRole('button', { name: label, exact: true }).click();
  const after = await settle(page, program);
  if (after.modal === 'msgbox') expect(await shown(), `"${label}" left the box open`).not.toBe(answered);
  return after;
}

// The question before a Clean that includes items removing what the user may want to keep,
// answered "Clean" or, with dontAskAgain, "Clean, don't ask again", in either language.
async function agreeToCaution(page, program, { dontAskAgain = false } = {}) {
  const label = dontAskAgain ? /^(Clean, don't ask again|Reinigen, nicht mehr fragen)$/ : /^(Clean|Reinigen)$/;
  return answerMessageBox(page, program, label);
}

// Types a path or a name into the program's open dialog (file, folder or input box).
async function answerDialog(page, program, text) {
  const dialog = page.locator('#dialog');
  await expect(dialog).toBeVisible();
  await dialog.locator('#dialog-field').fill(text);
  await dialog.getByRole('button', { name: 'OK' }).click();
  return settle(page, program);
}

// The shared program of the run (started by the global setup).
function sharedProgram() {
  const url = new URL(process.env.TAVRIN_URL);
  return { url: url.href, origin: url.origin, token: url.searchParams.get('token'), machineDir: process.env.TAVRIN_MACHINE };
}

// After a Clean: waits for the program, checks that the log window shows the run's completion line
// (in either language) and answers the window and the lines it shows.
async function readCleaningLog(page, program) {
  await settle(page, program);
  const log = page.locator('[data-window="log"]');
  await expect(log).toBeVisible();
  const lines = log.locator('#log-lines li');
  await expect(lines.last()).toHaveText(/^(All done|Fertig): (removed|entfernt) /);
  return { log, shown: await lines.allTextContents() };
}

// A screenshot kept for people to look at, outside the tracked files: tests/e2e/screenshots/NAME.png.
async function keepScreenshot(page, name) {
  const folder = path.join(__dirname, '..', 'screenshots');
  fs.mkdirSync(folder, { recursive: true });
  await page.screenshot({ path: path.join(folder, `${name}.png`) });
}

module.exports = {
  keepScreenshot, agreeToCaution, openProgram, settle, variables, messageBox, answerMessageBox, answerDialog, sharedProgram, readCleaningLog,
};
