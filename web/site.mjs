// Finishes the page's folder at build time: the icons, drawn by the game's icon code as PNG
// files, and the service worker with the list of the site's files, each with the start of
// its SHA-256 (the worker checks what it keeps against it), and a version that is a hash of
// them all (so that every change of a file makes a new cache); then a gzip and a
// Brotli copy of every text, font and wasm file beside it (FILE.gz, FILE.br), which
// web/serve.mjs sends to a browser that accepts them.
//   node site.mjs SITE_DIR ICON_TOOL SW_SOURCE
import { execFileSync } from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

const [site, iconTool, swSource] = process.argv.slice(2);
if (!site || !iconTool || !swSource) {
  console.error('usage: node site.mjs SITE_DIR ICON_TOOL SW_SOURCE');
  process.exit(2);
}

// Writes a file only when its bytes change, so that a build with nothing new touches nothing.
function put(file, bytes) {
  if (!fs.existsSync(file) || !fs.readFileSync(file).equals(bytes)) fs.writeFileSync(file, bytes);
}

for (const [size, name, ...kind] of [[192, 'icon-192'], [512, 'icon-512'], [512, 'icon-maskable-512', 'maskable']]) {
  const drawn = path.join(site, `.${name}.png`);
  execFileSync(process.execPath, [iconTool, String(size), drawn, ...kind], { stdio: 'inherit' });
  put(path.join(site, `${name}.png`), fs.readFileSync(drawn));
  fs.rmSync(drawn);
}

// Every file of the site but the worker itself, in an order no locale changes.
const files = [];
(function walk(dir) {
  for (const entry of fs.readdirSync(path.join(site, dir), { withFileTypes: true }).sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0))) {
    const name = dir ? `${dir}/${entry.name}` : entry.name;
    if (entry.name.startsWith('.') || name === 'sw.js' || /\.(gz|br)$/.test(name)) continue;
    if (/^screenshot-/.test(name)) continue;  // for the install dialog only, not for play
    if (entry.isDirectory()) walk(name);
    else if (entry.isFile()) files.push(name);
  }
})('');
const hash = crypto.createHash('sha256'), sums = {};
for (const f of files) {
  const bytes = fs.readFileSync(path.join(site, f));
  hash.update(`${f}\0`).update(bytes);
  sums[f] = crypto.createHash('sha256').update(bytes).digest('hex').slice(0, 16);
}
sums['./'] = sums['index.html'];
const worker = fs.readFileSync(swSource, 'utf8');
const line = /^const site = .*$/m;
if (!line.test(worker)) throw new Error(`${swSource}: no line "const site = ..."`);
const built = { version: hash.digest('hex').slice(0, 16), files: ['./', ...files], sums };
put(path.join(site, 'sw.js'), Buffer.from(worker.replace(line, `const site = ${JSON.stringify(built)};  // this build's`)));

// The compressed copies, written only when their file changed.
for (const name of [...files, 'sw.js'].filter((f) => /\.(html|js|mjs|css|wasm|ttf|webmanifest|json|svg|txt)$/.test(f))) {
  const file = path.join(site, name), bytes = fs.readFileSync(file);
  const fresh = (copy) => fs.existsSync(copy) && fs.statSync(copy).mtimeMs >= fs.statSync(file).mtimeMs;
  if (!fresh(`${file}.gz`)) fs.writeFileSync(`${file}.gz`, zlib.gzipSync(bytes, { level: 9 }));
  if (!fresh(`${file}.br`)) {
    fs.writeFileSync(`${file}.br`, zlib.brotliCompressSync(bytes, { params: {
      [zlib.constants.BROTLI_PARAM_QUALITY]: 11, [zlib.constants.BROTLI_PARAM_SIZE_HINT]: bytes.length } }));
  }
}
