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

module.exports = { profileDir, filesBelow, todaysLog };
