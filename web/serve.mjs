// Serves a folder of static files on 127.0.0.1 (the page for `scripts/dev.sh web` and the
// browser tests): node serve.mjs DIR [PORT] [--record-errors]; PORT 0 picks a free one. Prints
// the address. With --record-errors (the browser tests, for a driver with no console channel)
// every HTML page starts with a hook that keeps its errors in window.zorvaneErrors.
// Every request gets an answer and none can stop the server: a path that cannot be decoded
// or holds a NUL byte gets 400, one outside DIR 403 (also through a link planted in it), and
// anything but a regular file that can be read 404 (a FIFO is never waited on).
// A file the build also wrote compressed (FILE.br, FILE.gz) is sent so to a request that
// accepts it; a file named by its hash (NAME.HASH.EXT) may be kept a year, the rest is
// checked again at each use.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';

let root;
try {
  root = fs.realpathSync(path.resolve(process.argv[2] || '.'));
} catch (e) {
  console.error(`serve.mjs: no folder to serve: ${String(e.message).replace(/[^\x20-\x7e]/g, '?').slice(0, 200)}`);
  process.exit(2);
}
const { O_RDONLY, O_NONBLOCK, O_NOFOLLOW } = fs.constants;
const port = Number(process.argv[3] ?? 8000);
const recordErrors = process.argv[4] === '--record-errors';
const errorHook = '<script>window.zorvaneErrors = [];' +
  "addEventListener('error', (e) => zorvaneErrors.push(e.message || `cannot load ${e.target.src || e.target.href}`), true);" +
  "addEventListener('unhandledrejection', (e) => zorvaneErrors.push(`unhandled rejection: ${e.reason?.message ?? e.reason}`));" +
  "{ const error = console.error; console.error = (...a) => { zorvaneErrors.push(a.join(' ')); error(...a); }; }</script>";
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.ttf': 'font/ttf', '.woff': 'font/woff', '.woff2': 'font/woff2', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.css': 'text/css; charset=utf-8', '.txt': 'text/plain; charset=utf-8', '.replay': 'text/plain; charset=utf-8',
};

// The encodings a request accepts, from its Accept-Encoding header (one with q=0 is refused).
function acceptedEncodings(req) {
  const accepted = new Set();
  for (const part of String(req.headers['accept-encoding'] || '').split(',')) {
    const [token, ...params] = part.trim().toLowerCase().split(';').map((p) => p.trim());
    if (token && !params.some((p) => /^q=0(\.0*)?$/.test(p))) accepted.add(token);
  }
  return accepted;
}
const compressed = [['br', '.br'], ['gzip', '.gz']];  // the build's copies, the smaller first
const hashNamed = /\.[0-9a-f]{8,64}\.[a-z0-9]+$/;

function fail(res, status, text) {
  if (res.headersSent) return res.destroy();
  res.writeHead(status, { 'content-type': 'text/plain; charset=utf-8' }).end(text + '\n');
}

function answer(req, res) {
  let name;
  try {
    name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
  } catch {
    return fail(res, 400, 'bad request');
  }
  if (name.includes('\0')) return fail(res, 400, 'bad request');
  if (name.endsWith('/')) name += 'index.html';
  const file = path.join(root, path.normalize(name));
  if (!file.startsWith(root + path.sep)) return fail(res, 403, 'forbidden');
  const accepted = acceptedEncodings(req);
  const send = (data, encoding) => {
    const headers = { 'content-type': types[path.extname(file)] || 'application/octet-stream',
                      'cache-control': hashNamed.test(file) ? 'public, max-age=31536000, immutable' : 'no-cache',
                      vary: 'accept-encoding' };
    if (encoding) headers['content-encoding'] = encoding;
    res.writeHead(200, headers);
    res.end(data);
  };
  // The first compressed copy accepted that the build wrote beside the file, else the file.
  (async () => {
    if (recordErrors && path.extname(file) === '.html') {
      const data = await readInside(file);
      if (typeof data === 'number') return fail(res, data, data === 403 ? 'forbidden' : 'not found');
      return send(Buffer.from(String(data).replace(/<head>/i, (head) => head + errorHook)));
    }
    for (const [encoding, suffix] of compressed.filter(([encoding]) => accepted.has(encoding))) {
      const data = await readInside(file + suffix);
      if (typeof data !== 'number') return send(data, encoding);
    }
    const data = await readInside(file);
    if (typeof data === 'number') return fail(res, data, data === 403 ? 'forbidden' : 'not found');
    send(data);
  })().catch(() => fail(res, 500, 'internal error'));
}

// The bytes of a file where its links lead, if that is inside the folder: opened without
// waiting (a FIFO with no writer) and without following a link put there since, and read
// only when it is a regular file. Else the status: 403 outside the folder, 404 otherwise.
async function readInside(file) {
  let real, handle;
  try {
    real = await fs.promises.realpath(file);
  } catch {
    return 404;
  }
  if (!real.startsWith(root + path.sep)) return 403;
  try {
    handle = await fs.promises.open(real, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    return (await handle.stat()).isFile() ? await handle.readFile() : 404;
  } catch {
    return 404;
  } finally {
    await handle?.close().catch(() => {});
  }
}

const server = http.createServer((req, res) => {
  try {
    answer(req, res);
  } catch (e) {
    console.error(`serve.mjs: ${String(e.message).replace(/[^\x20-\x7e]/g, '?').slice(0, 200)}`);
    fail(res, 500, 'internal error');
  }
});
server.listen(port, '127.0.0.1', () => {
  console.log(`Super Zorvane! on http://127.0.0.1:${server.address().port}/`);
});
