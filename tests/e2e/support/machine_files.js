// Reading a test machine's folder from outside, as a user's file manager would.
const fs = require('fs');
const path = require('path');
const { driveC } = require('./program');

// The profile folder of the sandbox's user.
function profileDir(machineDir) {
  const base = driveC(machineDir, 'Documents and Settings');
  const user = fs.readdirSync(base).find((name) => name !== 'All Users' && name !== 'Default User');
  return path.join(base, user);
}

function filesBelow(dir) {
  if (!fs.existsSync(dir)) return [];
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((entry) => {
    const full = path.join(dir, entry.name);
    return entry.isDirectory() ? filesBelow(full) : [full];
  });
}

// The day's log file of the program installed in the machine; '' before its first line.
function todaysLog(machineDir) {
  const now = new Date();
  const name = `${now.getDate()}-${now.getMonth() + 1}-${now.getFullYear()}_Log.txt`;
  const file = driveC(machineDir, 'Program Files', 'Orvane', 'Logs', name);
  return fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '';
}

const VERSION = 'Software\\Microsoft\\Windows\\CurrentVersion';
// Every place the demo puts a stale registry entry, with the hive file that holds it.
const DEMO_REGISTRY_KEYS = [
  ['system.reg', `${VERSION}\\SharedDlls`],
  ['system.reg', `${VERSION}\\Uninstall\\CodecPackUpdate`],
  ['system.reg', `${VERSION}\\Uninstall\\Old Paint 1.0`],
  ['system.reg', `${VERSION}\\Uninstall\\Trial Game`],
  ['system.reg', `${VERSION}\\App Paths\\oldpaint.exe`],
  ['user.reg', `${VERSION}\\Explorer\\ComDlg32\\OpenSaveMRU\\*`],
];

// The value lines of a key as its hive file keeps them (the key line and time stamp left out);
// null when the key is not there. Key paths compare without regard to case, as Windows does.
function valueLines(machineDir, hive, key) {
  const text = fs.readFileSync(path.join(machineDir, hive), 'utf8');
  const head = `\n[${key.replace(/\\/g, '\\\\')}]`.toLowerCase();
  const start = text.toLowerCase().indexOf(head);
  if (start < 0) return null;
  const end = text.indexOf('\n[', start + 1);
  return text.slice(start + 1, end < 0 ? undefined : end).split('\n').slice(1)
    .filter((line) => line.trim() && !line.startsWith('#'));
}

module.exports = { profileDir, filesBelow, todaysLog, DEMO_REGISTRY_KEYS, valueLines };
