// Finishes the page's folder at build time: the icons, drawn by the game's icon code as PNG
// files, and the service worker with the list of the site's files and a version that is a
// hash of them all (so that every change of a file makes a new cache).
//   node site.mjs SITE_DIR ICON_TOOL SW_SOURCE
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';

const [site, iconTool, swSource] = process.argv.slice(2);
if (!site || !iconTool || !swSource) {
  console.error('usage: node site.mjs SITE_DIR ICON_TOOL SW_SOURCE');
  process.exit(2);
}

// Writes a file only when its bytes change, so that a build with nothing new touches nothing.
function put(file, bytes) {
  if (!fs.existsSync(file) || !fs.readFileSync(file).equals(bytes)) fs.writeFileSync(file, bytes);
}

for (const size of [192, 512]) {
  const drawn = path.join(site, `.icon-${size}.png`);
  execFileSync(process.execPath, [iconTool, String(size), drawn], { stdio: 'inherit' });
  put(path.join(site, `icon-${size}.png`), fs.readFileSync(drawn));
  fs.rmSync(drawn);
}

// Every file of the site but the worker itself, in a stable order.
const files = [];
(function walk(dir) {
  for (const entry of fs.readdirSync(path.join(site, dir), { withFileTypes: true }).sort((a, b) => a.name.localeCompare(b.name))) {
    const name = dir ? `${dir}/${entry.name}` : entry.name;
    if (entry.name.startsWith('.') || name === 'sw.js') continue;
    if (entry.isDirectory()) walk(name);
    else if (entry.isFile()) files.push(name);
  }
})('');
const hash = crypto.createHash('sha256');
for (const f of files) hash.update(`${f}\0`).update(fs.readFileSync(path.join(site, f)));
const worker = fs.readFileSync(swSource, 'utf8');
const line = /^const site = .*$/m;
if (!line.test(worker)) throw new Error(`${swSource}: no line "const site = ..."`);
const built = { version: hash.digest('hex').slice(0, 16), files: ['./', ...files] };
put(path.join(site, 'sw.js'), Buffer.from(worker.replace(line, `const site = ${JSON.stringify(built)};  // this build's`)));
