// One program on a fresh sandbox machine for the tests that do not need a restart of their own.
// The returned function is the teardown: it stops that program and removes every test machine.
const fs = require('fs');
const os = require('os');
const path = require('path');
const { newMachineDir, startProgram } = require('./program');

module.exports = async () => {
  const root = fs.mkdtempSync(path.join(os.tmpdir(), 'tavrin-e2e-'));
  process.env.TAVRIN_E2E_ROOT = root;
  const program = await startProgram(newMachineDir('shared'));
  process.env.TAVRIN_URL = program.url;
  process.env.TAVRIN_MACHINE = program.machineDir;
  return async () => {
    await program.stop();
    if (!process.env.TAVRIN_E2E_KEEP) fs.rmSync(root, { recursive: true, force: true });
  };
};
