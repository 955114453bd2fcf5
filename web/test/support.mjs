// What the browser tests' rows share: the native replay tool's pictures, the page's server,
// a game page opened at scale 1, and the states the rows play.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

export const here = path.dirname(fileURLToPath(import.meta.url));

// The page's server (or one of another folder) on a free port; `server.kill()` stops it.
export function serve(folder) {
  return new Promise((resolve, reject) => {
    const server = spawn(process.execPath, [path.join(here, '..', 'serve.mjs'), folder, '0', '--record-errors'],
      { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.on('data', (d) => {
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(String(d));
      if (m) resolve({ server, url: m[0] });
    });
    server.on('exit', (code) => reject(new Error(`the server stopped (${code})`)));
  });
}
export const stop = (server) => new Promise((r) => {
  if (server.exitCode !== null || server.signalCode !== null) return r();
  server.once('exit', r);
  server.kill();
});

// The RGB rows of a PNG file as the native replay tool writes it: 8-bit RGB, not interlaced.
function decodePng(bytes) {
  let at = 8, width = 0, height = 0;
  const data = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at), type = bytes.toString('latin1', at + 4, at + 8);
    if (type === 'IHDR') [width, height] = [bytes.readUInt32BE(at + 8), bytes.readUInt32BE(at + 12)];
    if (type === 'IDAT') data.push(bytes.subarray(at + 8, at + 8 + length));
    at += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(data)), stride = width * 3, rows = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)], line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; x++) {
      const a = x >= 3 ? rows[y * stride + x - 3] : 0, b = y > 0 ? rows[(y - 1) * stride + x] : 0;
      const c = x >= 3 && y > 0 ? rows[(y - 1) * stride + x - 3] : 0, p = a + b - c;
      const paeth = Math.abs(p - a) <= Math.abs(p - b) && Math.abs(p - a) <= Math.abs(p - c) ? a
        : Math.abs(p - b) <= Math.abs(p - c) ? b : c;
      const predicted = [0, a, b, (a + b) >> 1, paeth][filter];
      rows[y * stride + x] = (line[x] + predicted) & 255;
    }
  }
  return { width, height, rows };
}
// One hash of each row of RGB bytes: pictures compared row by row without sending them whole.
function rowHashes(rgb, width, height) {
  const hashes = [];
  for (let y = 0; y < height; y++) {
    let h = 2166136261;
    for (let i = y * width * 3; i < (y + 1) * width * 3; i++) h = Math.imul(h ^ rgb[i], 16777619) >>> 0;
    hashes.push(h);
  }
  return hashes;
}

// The native replay tool's picture after a script, drawn for a window of width × height pixels.
export function nativePicture(t, script, width, height) {
  const file = path.join(t.work, 'picture.replay'), png = path.join(t.work, 'native.png');
  fs.writeFileSync(file, script);
  const r = spawnSync(t.nativeReplay, ['--screenshot', png, '--size', `${width}x${height}`, file],
    { stdio: ['ignore', 'ignore', 'inherit'] });
  if (r.status !== 0) throw new Error('the native replay tool could not draw its picture');
  const { width: w, height: h, rows } = decodePng(fs.readFileSync(png));
  return { width: w, height: h, hashes: rowHashes(rows, w, h) };
}
// The canvas's pixels, row by row, as hashes of their RGB bytes (the same hash as above).
export const canvasPicture = (page) => page.evaluate((hashSource) => {
  const canvas = document.getElementById('game'), w = canvas.width, h = canvas.height;
  const rgba = canvas.getContext('2d').getImageData(0, 0, w, h).data, rgb = new Uint8Array(w * h * 3);
  for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) rgb[j] = rgba[i], rgb[j + 1] = rgba[i + 1], rgb[j + 2] = rgba[i + 2];
  return { width: w, height: h, hashes: (0, eval)(`(${hashSource})`)(rgb, w, h) };
}, rowHashes.toString());
// How two pictures differ, or '' when they are the same.
export function pictureDifference(mine, theirs) {
  if (mine.width !== theirs.width || mine.height !== theirs.height) return `${mine.width}x${mine.height} against ${theirs.width}x${theirs.height}`;
  const rows = mine.hashes.filter((h, y) => h !== theirs.hashes[y]).length;
  return rows ? `${rows} rows differ` : '';
}

// The height of the page's bar of buttons below the picture with a fine pointer: a viewport
// this much taller than 489 pixels shows the picture at scale 1 (568 × 489, 15 window units
// to a pixel).
export const bar = 32;
// A page showing the game at scale 1 (from `address`, a path of the server's or a whole
// link), every part of its first picture shown.
export async function openGame(t, address, { width = 568, height = 489 + bar } = {}) {
  const page = await t.newPage();
  await page.setSize(width, height);
  await page.goto(/^https?:/.test(address) ? address : t.url + address);
  if (!await page.waitFor(() => window.zorvane && window.zorvane.frames > 0, null, 60000)) throw new Error('the page never drew');
  await fitCanvas(page);
  // Shown (a hidden page lets go of every key), every part of its picture too.
  await page.waitFor(() => !document.hidden && window.zorvane.settled(), null, 20000);
  return page;
}
// The viewport grown by what the page's bar takes, so that the canvas is 568 × 489.
export async function fitCanvas(page) {
  const [w, h, vw, vh] = await page.evaluate(() => [document.getElementById('stage').clientWidth,
    document.getElementById('stage').clientHeight, innerWidth, innerHeight]);
  if (w === 568 && h === 489) return;
  await page.setSize(vw + 568 - w, vh + 489 - h);
  await page.waitFor(() => document.getElementById('game').clientHeight === 489 && window.zorvane.painted === '568x489', null, 20000);
}
export const gameState = (page) => page.evaluate(() => window.zorvane.gameState());
// Two animation frames later.
export const nextFrames = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
// Once the game's clock has moved `ms` on from now (the page's own time: a loaded machine
// takes longer, and the game sees just as much).
export const gameTimePasses = (page, ms) => page.evaluate((ms) => new Promise((resolve) => {
  const g = window.zorvane.game, until = g._zvNow() + ms;
  (function poll() { if (g._zvNow() >= until) resolve(); else setTimeout(poll, 5); })();
}), ms);

// The Pause button's box in window units, as the design places it, and its centre in pixels.
export const pauseBox = { left: 3360, top: 2880, width: 2415, height: 1455 };
export const pauseCentre = [(pauseBox.left + pauseBox.width / 2) / 15, (pauseBox.top + pauseBox.height / 2) / 15];

// The states the rows play: a mid-game state (the first 9 s of the demo game, the ball in
// flight, ten bricks cleared, the logo's balls, then paused so that the Pause button shows),
// and a game lost at once (the Game Over button shows).
export function fixtures(scripts) {
  return {
    midGame: fs.readFileSync(path.join(here, '..', '..', 'docs', 'demo.zrec'), 'utf8').split('\n').slice(0, 400).join('\n') +
      '\ndown 80\nup 80\n',
    gameOver: fs.readFileSync(path.join(scripts, 'gameover.txt'), 'utf8').split('\n').slice(0, 16).join('\n') + '\n',
  };
}
