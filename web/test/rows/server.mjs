// The page's server, spoken to without a browser: requests from anyone stop it from nothing.
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';
import { serve, stop } from '../support.mjs';

// The status and body the server gives a raw request ('timeout' after 3 s without one).
const request = (url, raw, headers = {}) => new Promise((resolve) => {
  const { hostname, port } = new URL(url);
  http.get({ hostname, port, path: raw, headers, timeout: 3000 }, (res) => {
    const parts = [];
    res.on('data', (d) => parts.push(d));
    res.on('end', () => resolve({ status: res.statusCode, headers: res.headers, body: Buffer.concat(parts) }));
  }).on('timeout', function () { this.destroy(); resolve({ status: 'timeout' }); })
    .on('error', (e) => resolve({ status: e.code }));
});

export default [
  { name: 'requests from anyone: none stops the server, nor keeps it from answering the next', once: true, run: async (t) => {
    // A folder with things planted in it: links out of it, and a FIFO no one writes to.
    const planted = path.join(t.work, 'planted');
    fs.mkdirSync(planted);
    fs.writeFileSync(path.join(t.work, 'secret.txt'), 'secret\n');
    fs.writeFileSync(path.join(planted, 'index.html'), 'fine\n');
    fs.symlinkSync(path.join(t.work, 'secret.txt'), path.join(planted, 'secret.txt'));
    fs.symlinkSync('..', path.join(planted, 'up'));
    fs.symlinkSync('index.html', path.join(planted, 'inside.html'));
    spawnSync('mkfifo', [path.join(planted, 'fifo.txt')]);
    const { server, url } = await serve(planted);
    const requests = [[t.url, '/%00', 400], [t.url, '/index.html%00.png', 400], [t.url, '/%E0%A4%A', 400],
      [t.url, '/..%2f..%2fetc%2fpasswd', 404], [t.url, '/', 200], [url, '/secret.txt', 403],
      [url, '/up/secret.txt', 403], [url, '/inside.html', 200],
      ...Array.from({ length: 5 }, () => [url, '/fifo.txt', 404]), [url, '/missing.txt', 404], [url, '/', 200]];
    for (const [server, raw, want] of requests) {
      const got = (await request(server, raw)).status;
      t.check(got === want, `${server === t.url ? 'the page\'s server' : 'the server of a planted folder'} answers ${raw} with ${want}`, String(got));
    }
    await stop(server);
  } },
  { name: 'a request accepting gzip gets a gzip body that unpacks to the file', once: true, run: async (t) => {
    const r = await request(t.url, '/zorvane.wasm', { 'accept-encoding': 'gzip, deflate' });
    const unpacked = r.headers?.['content-encoding'] === 'gzip' ? zlib.gunzipSync(r.body) : null;
    return [unpacked && unpacked.equals(fs.readFileSync(path.join(t.site, 'zorvane.wasm'))) &&
      r.headers['content-type'] === 'application/wasm', `${r.headers?.['content-encoding']}, ${r.body?.length} bytes`];
  } },
];
