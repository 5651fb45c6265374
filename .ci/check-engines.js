// Every package of a lockfile must admit the given node version:
//   node check-engines.js DIR VERSION   (DIR holds package-lock.json and node_modules)
'use strict';
const fs = require('fs');
const path = require('path');
const [dir, version] = process.argv.slice(2);
const semver = require(path.join(dir, 'node_modules', 'semver'));
const lock = JSON.parse(fs.readFileSync(path.join(dir, 'package-lock.json'), 'utf8'));
const refused = [];
for (const [name, entry] of Object.entries(lock.packages)) {
  const range = entry.engines && !Array.isArray(entry.engines) ? entry.engines.node : undefined;
  if (range && !semver.satisfies(version, range)) {
    refused.push(`${name || '(the project)'} ${entry.version || ''}: node ${range}`);
  }
}
if (refused.length) {
  console.error(`check-engines: these packages refuse node ${version}; pin older versions:`);
  for (const line of refused) console.error(`  ${line}`);
  process.exit(1);
}
console.log(`check-engines: all ${Object.keys(lock.packages).length - 1} locked packages admit node ${version}`);
