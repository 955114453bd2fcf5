// Serves a folder of static files on 127.0.0.1 (the page for `scripts/dev.sh web` and the
// browser tests): node serve.mjs DIR [PORT]; PORT 0 picks a free one. Prints the address.
// Every request gets an answer and none can stop the server: a path that cannot be decoded
// or holds a NUL byte gets 400, one outside DIR 403 (also through a link planted in it), and
// anything but a regular file that can be read 404 (a FIFO is never waited on).
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
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8', '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm', '.woff': 'font/woff', '.woff2': 'font/woff2', '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.css': 'text/css; charset=utf-8', '.txt': 'text/plain; charset=utf-8', '.replay': 'text/plain; charset=utf-8',
};

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
  send(file, res).catch(() => fail(res, 500, 'internal error'));
}

// The file where its links lead, if that is inside the folder: opened without waiting (a
// FIFO with no writer) and without following a link put there since, served only when it
// is a regular file.
async function send(file, res) {
  let real, handle;
  try {
    real = await fs.promises.realpath(file);
  } catch {
    return fail(res, 404, 'not found');
  }
  if (!real.startsWith(root + path.sep)) return fail(res, 403, 'forbidden');
  try {
    handle = await fs.promises.open(real, O_RDONLY | O_NONBLOCK | O_NOFOLLOW);
    if (!(await handle.stat()).isFile()) return fail(res, 404, 'not found');
    const data = await handle.readFile();
    res.writeHead(200, { 'content-type': types[path.extname(file)] || 'application/octet-stream',
                         'cache-control': 'no-cache' });
    res.end(data);
  } catch {
    fail(res, 404, 'not found');
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
