// Serves a folder of static files on 127.0.0.1 (the page for `scripts/dev.sh web` and the
// browser tests): node serve.mjs DIR [PORT]; PORT 0 picks a free one. Prints the address.
// Every request gets an answer and none can stop the server: a path that cannot be decoded
// or holds a NUL byte gets 400, one outside DIR 403, a file that cannot be read 404.
// A file the build also wrote compressed (FILE.br, FILE.gz) is sent so to a request that
// accepts it; a file named by its hash (NAME.HASH.EXT) may be kept a year, the rest is
// checked again at each use.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';

const root = path.resolve(process.argv[2] || '.');
const port = Number(process.argv[3] ?? 8000);
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
  const copies = compressed.filter(([encoding]) => accepted.has(encoding));
  const next = () => {
    if (!copies.length) return fs.readFile(file, (err, data) => (err ? fail(res, 404, 'not found') : send(data)));
    const [encoding, suffix] = copies.shift();
    fs.readFile(file + suffix, (err, data) => (err ? next() : send(data, encoding)));
  };
  next();
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
