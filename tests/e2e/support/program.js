// Starts tavrinapp on a machine folder and knows how to reach it: the address it prints, its
// token, and how to wait until it has handled everything a page sent.
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const BIN = path.resolve(__dirname, '..', process.env.TAVRIN_BIN || '../../build/bin/tavrinapp');
const READY = /Tavrin is running at (http:\/\/\S+)/;

function newMachineDir(label) {
  const root = process.env.TAVRIN_E2E_ROOT || os.tmpdir();
  return fs.mkdtempSync(path.join(root, `${label}-`));
}

// Resolves once the program printed its address; rejects with what it said when it ends first.
// `env` adds variables to the program's environment (TAVRIN_TEST_CLOCK, ...), `args` options.
function startProgram(machineDir, { timeoutMs = 30_000, env = {}, args = [] } = {}) {
  if (!fs.existsSync(BIN)) throw new Error(`tavrinapp not found at ${BIN}; build it or set TAVRIN_BIN`);
  const child = spawn(BIN, ['--machine', machineDir, '--port', '0', '--no-browser', ...args], {
    stdio: ['ignore', 'pipe', 'pipe'],
    // A new machine speaks the user's locale; the tests read English screens whatever the developer's is.
    env: { ...process.env, DISPLAY: '', WAYLAND_DISPLAY: '', LC_ALL: '', LC_MESSAGES: '', LANG: 'C.UTF-8', ...env },
  });
  let output = '';
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  return new Promise((resolve, reject) => {
    const timer = setTimeout(() => {
      child.kill('SIGTERM');
      reject(new Error(`tavrinapp printed no address within ${timeoutMs} ms:\n${output}`));
    }, timeoutMs);
    const watch = (chunk) => {
      output += chunk;
      const match = output.match(READY);
      if (!match) return;
      clearTimeout(timer);
      const url = new URL(match[1]);
      resolve({
        url: url.href,
        origin: url.origin,
        token: url.searchParams.get('token'),
        machineDir,
        pid: child.pid,
        exited,
        output: () => output,
        stop: async () => {
          if (child.exitCode === null && child.signalCode === null) child.kill('SIGTERM');
          return exited;
        },
      });
    };
    child.stdout.on('data', watch);
    child.stderr.on('data', (chunk) => { output += chunk; });
    exited.then(({ code, signal }) => {
      clearTimeout(timer);
      reject(new Error(`tavrinapp ended (code ${code}, signal ${signal}) before it was ready:\n${output}`));
    });
  });
}

// The host path of a file on the machine's C: drive.
function driveC(machineDir, ...parts) {
  return path.join(machineDir, 'drive_c', ...parts);
}

module.exports = { BIN, newMachineDir, startProgram, driveC };
