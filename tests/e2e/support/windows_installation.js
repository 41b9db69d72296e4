// A Windows installation for the browser tests: WINDOWS\system32\config and two user profiles,
// every hive a copy of the NTUSER.DAT Windows wrote in the shared corpus (../shared/corpora beside
// the repository, or TAVRIN_CORPORA). The corpus is read where it is, never copied into the project.
const fs = require('fs');
const path = require('path');

const { newMachineDir, startProgram } = require('./program');

const REPO = path.resolve(__dirname, '..', '..', '..');

// The corpus file at `relative`, or null when no corpus holds it.
function corpusFile(relative) {
  const roots = [process.env.TAVRIN_CORPORA, path.join(REPO, '..', 'shared', 'corpora'),
    path.join(REPO, '..', '..', 'shared', 'corpora')].filter(Boolean);
  const found = roots.map((root) => path.join(root, relative)).find((file) => fs.existsSync(file));
  return found || null;
}

// Lays the installation out in `dir` with a profile per name; false when the corpus is missing.
// Each profile's TEMP is "%USERPROFILE%\AppData\Local\Temp", as the corpus hive names it.
function makeInstallation(dir, users) {
  const hive = corpusFile(path.join('windows', 'regf', 'NTUSER.DAT'));
  if (!hive) return false;
  const config = path.join(dir, 'WINDOWS', 'system32', 'config');
  fs.mkdirSync(config, { recursive: true });
  for (const name of ['SOFTWARE', 'SYSTEM', 'DEFAULT']) fs.copyFileSync(hive, path.join(config, name));
  for (const user of users) {
    fs.mkdirSync(userTemp(dir, user), { recursive: true });
    fs.copyFileSync(hive, path.join(dir, 'Documents and Settings', user, 'NTUSER.DAT'));
  }
  return true;
}

function userTemp(dir, user) {
  return path.join(dir, 'Documents and Settings', user, 'AppData', 'Local', 'Temp');
}

// Starts the program on the installation with the screens in German or English. The program keeps
// its own files for an installation in the user's data folder: a stand-in home holds them.
function startOnInstallation(dir, german) {
  const home = newMachineDir(`${path.basename(dir)}-home`);
  return startProgram(dir, {
    env: { HOME: home, XDG_DATA_HOME: path.join(home, 'data'), LANG: german ? 'de_DE.UTF-8' : 'C.UTF-8' },
  });
}

module.exports = { corpusFile, makeInstallation, startOnInstallation, userTemp };
