// The page in a real browser: Debian's chromium, headless, on the page served from
// 127.0.0.1, driven over the DevTools protocol by puppeteer-core (which never downloads a
// browser). Usage:
//   node browser.test.mjs SITE_DIR NATIVE_REPLAY SCRIPTS_DIR
// Exit status 0 when every check passes, 1 when one fails.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';
import puppeteer from 'puppeteer-core';
import kept from './rows/kept.mjs';

const [site, nativeReplay, scripts] = process.argv.slice(2).map((a) => a && path.resolve(a));
if (!site || !nativeReplay || !scripts) {
  console.error('usage: node browser.test.mjs SITE_DIR NATIVE_REPLAY SCRIPTS_DIR');
  process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zorvane-browser-'));
const chromiumFlags = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) failures++;
}
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The page's server (or one of another folder) on a free port.
function serve(folder = site) {
  return new Promise((resolve, reject) => {
    const server = spawn(process.execPath, [path.join(here, '..', 'serve.mjs'), folder, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.on('data', (d) => {
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(String(d));
      if (m) resolve({ server, url: m[0] });
    });
    server.on('exit', (code) => reject(new Error(`the server stopped (${code})`)));
  });
}

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
const rowHashes = (rgb, width, height) => {
  const hashes = [];
  for (let y = 0; y < height; y++) {
    let h = 2166136261;
    for (let i = y * width * 3; i < (y + 1) * width * 3; i++) h = Math.imul(h ^ rgb[i], 16777619) >>> 0;
    hashes.push(h);
  }
  return hashes;
};

// The native replay tool's picture after a script, drawn for a window of width × height pixels.
function nativePicture(script, width, height) {
  const file = path.join(work, 'picture.replay');
  fs.writeFileSync(file, script);
  const png = path.join(work, 'native.png');
  const r = spawnSync(nativeReplay, ['--screenshot', png, '--size', `${width}x${height}`, file],
    { stdio: ['ignore', 'ignore', 'inherit'] });
  if (r.status !== 0) throw new Error('the native replay tool could not draw its picture');
  const { width: w, height: h, rows } = decodePng(fs.readFileSync(png));
  return { width: w, height: h, hashes: rowHashes(rows, w, h) };
}

// The height of the page's bar of buttons below the picture with a fine pointer: a
// viewport this much taller than 489 pixels shows the picture at scale 1.
const bar = 32;
// A page whose picture is at scale 1 (its canvas 568 × 489), the viewport grown by what the
// page's bar takes (taller for fingers, on a touch screen).
async function openPage(browser, url, errors) {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setViewport({ width: 568, height: 489 + bar, deviceScaleFactor: 1, hasTouch: true });
  await page.goto(url);
  await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 });
  await fitCanvas(page);
  await page.waitForFunction(() => window.zorvane.settled(), { timeout: 5000 });
  return page;
}
async function fitCanvas(page) {
  const [w, h] = await page.evaluate(() => [document.getElementById('stage').clientWidth, document.getElementById('stage').clientHeight]);
  if (w === 568 && h === 489) return;
  const v = page.viewport();
  await page.setViewport({ ...v, width: v.width + 568 - w, height: v.height + 489 - h });
  await page.waitForFunction(() => document.getElementById('game').clientHeight === 489 &&
    window.zorvane.painted === '568x489', { timeout: 5000 });
}
const gameState = (page) => page.evaluate(() => window.zorvane.gameState());
const nextFrames = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
// Once every part of the picture is painted and shown (a large one takes a few frames).
const settled = (page) => page.waitForFunction(() => window.zorvane && window.zorvane.settled(), { timeout: 20000 });

// The canvas's pixels, row by row, as hashes of their RGB bytes (the same hash as above).
async function canvasPicture(page) {
  return page.evaluate((hashSource) => {
    const canvas = document.getElementById('game'), w = canvas.width, h = canvas.height;
    const rgba = canvas.getContext('2d').getImageData(0, 0, w, h).data, rgb = new Uint8Array(w * h * 3);
    for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) rgb[j] = rgba[i], rgb[j + 1] = rgba[i + 1], rgb[j + 2] = rgba[i + 2];
    const hashes = (0, eval)(hashSource)(rgb, w, h);
    return { width: w, height: h, hashes };
  }, rowHashes.toString());
}

// The longest task of the page's main thread while `act` runs, in ms of the thread's own
// time: what the page's work takes, however busy the machine's cores are with other work.
async function longestTask(page, act) {
  await page.tracing.start({ categories: ['disabled-by-default-devtools.timeline'] });
  await act();
  const events = JSON.parse(Buffer.from(await page.tracing.stop()).toString()).traceEvents;
  const pid = events.find((e) => e.name === 'TracingStartedInBrowser').args.data.frames[0].processId;
  const main = events.find((e) => e.ph === 'M' && e.name === 'thread_name' && e.pid === pid && e.args.name === 'CrRendererMain');
  const tasks = events.filter((e) => e.name === 'RunTask' && e.ph === 'X' && e.pid === pid && e.tid === main.tid);
  return Math.round(Math.max(0, ...tasks.map((e) => e.tdur ?? e.dur)) / 1000);
}

// A mid-game state: the first 9 s of the demo game (the ball in flight, ten bricks
// cleared, the logo's balls), then paused, so that the Pause button shows.
const midGame = fs.readFileSync(path.join(here, '..', '..', 'docs', 'demo.zrec'), 'utf8').split('\n').slice(0, 400).join('\n') +
  '\ndown 80\nup 80\n';
// A game lost at once: the Game Over button shows.
const gameOver = fs.readFileSync(path.join(scripts, 'gameover.txt'), 'utf8').split('\n').slice(0, 16).join('\n') + '\n';
// The Pause button's box in window units, as the design places it.
const pauseBox = { left: 3360, top: 2880, width: 2415, height: 1455 };

// The status the server gives a raw request path ('timeout' after 3 s without one).
const statusOf = (url, raw) => new Promise((resolve) => {
  const { hostname, port } = new URL(url);
  http.get({ hostname, port, path: raw, timeout: 3000 }, (res) => { res.resume(); resolve(res.statusCode); })
    .on('timeout', function () { this.destroy(); resolve('timeout'); })
    .on('error', (e) => resolve(e.code));
});

async function main() {
  const { server, url } = await serve();
  // A folder with things planted in it: links out of it, and a FIFO no one writes to.
  const planted = path.join(work, 'planted');
  fs.mkdirSync(planted);
  fs.writeFileSync(path.join(work, 'secret.txt'), 'secret\n');
  fs.writeFileSync(path.join(planted, 'index.html'), 'fine\n');
  fs.symlinkSync(path.join(work, 'secret.txt'), path.join(planted, 'secret.txt'));
  fs.symlinkSync('..', path.join(planted, 'up'));
  fs.symlinkSync('index.html', path.join(planted, 'inside.html'));
  spawnSync('mkfifo', [path.join(planted, 'fifo.txt')]);
  const { server: plantedServer, url: plantedUrl } = await serve(planted);
  // Requests from anyone: none stops the server, nor keeps it from answering the next.
  const requests = [[url, '/%00', 400], [url, '/index.html%00.png', 400], [url, '/%E0%A4%A', 400],
    [url, '/..%2f..%2fetc%2fpasswd', 404], [url, '/', 200], [plantedUrl, '/secret.txt', 403],
    [plantedUrl, '/up/secret.txt', 403], [plantedUrl, '/inside.html', 200],
    ...Array.from({ length: 5 }, () => [plantedUrl, '/fifo.txt', 404]), [plantedUrl, '/missing.txt', 404],
    [plantedUrl, '/', 200]];
  for (const [server, raw, want] of requests) {
    const got = await statusOf(server, raw);
    check(got === want, `the server${server === url ? '' : ' of a planted folder'} answers ${raw} with ${want}`, String(got));
  }
  plantedServer.kill();
  // A request that accepts gzip gets the build's gzip copy, which unpacks to the file itself.
  const packed = await new Promise((resolve) => {
    const { hostname, port } = new URL(url);
    http.get({ hostname, port, path: '/zorvane.wasm', headers: { 'accept-encoding': 'gzip, deflate' } }, (res) => {
      const parts = [];
      res.on('data', (d) => parts.push(d));
      res.on('end', () => resolve({ encoding: res.headers['content-encoding'], type: res.headers['content-type'], body: Buffer.concat(parts) }));
    }).on('error', (e) => resolve({ encoding: e.code, body: Buffer.alloc(0) }));
  });
  const unpacked = packed.encoding === 'gzip' ? zlib.gunzipSync(packed.body) : null;
  check(unpacked && unpacked.equals(fs.readFileSync(path.join(site, 'zorvane.wasm'))) && packed.type === 'application/wasm',
    'a request accepting gzip gets a gzip body that unpacks to the file', `${packed.encoding}, ${packed.body.length} bytes`);

  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', userDataDir: profile, headless: true,
    args: chromiumFlags.filter((f) => f !== '--headless'),
  });
  try {
    const errors = [];
    // Identity: the page's canvas is the native replay tool's picture of the same state, byte
    // for byte, at every size and pixel ratio: in the load state (clock held), mid-game and
    // at Game Over (every face the game draws with, from the page's cut font files).
    let page = await browser.newPage();
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    page.on('pageerror', (e) => errors.push(e.message));
    const sizes = [[568, 489 + bar, 1], [700, 600, 1], [1280, 720, 1], [1920, 1080, 1], [1920, 1080, 2]];
    for (const [vw, vh, ratio] of sizes) {
      await page.setViewport({ width: vw, height: vh, deviceScaleFactor: ratio });
      await page.goto(url + '?hold&seed=1');
      await settled(page);
      if (vw === 568 && ratio === 1) check(await page.title() === 'Super Zorvane!', 'title', await page.title());
      for (const [what, script] of [['the load state', ''], ['mid-game', midGame], ['game over', gameOver]]) {
        if (script) {
          check(await page.evaluate((s) => window.zorvane.playRecordingNow('mid.replay', s), script), `${what}: played`);
          await nextFrames(page);
          await settled(page);
        }
        const mine = await canvasPicture(page), theirs = nativePicture(script, mine.width, mine.height);
        const rows = mine.hashes.filter((h, y) => h !== theirs.hashes[y]).length;
        check(mine.width === theirs.width && mine.height === theirs.height && rows === 0,
          `${what} at ${vw}x${vh}, pixel ratio ${ratio}: the canvas is the native picture`,
          `${mine.width}x${mine.height} against ${theirs.width}x${theirs.height}, ${rows} rows differ`);
      }
    }
    // With the clock held nothing changes, and no frame is drawn.
    const framesHeld = await page.evaluate(() => window.zorvane.frames);
    await sleep(300);
    check(await page.evaluate(() => window.zorvane.frames) === framesHeld, 'nothing changes: no frame is drawn');
    await page.close();

    // Play: Right serves, and the ball moves between two frames.
    page = await openPage(browser, url + '?seed=1', errors);
    const before = (await gameState(page)).ball;
    await page.keyboard.down('ArrowRight');
    await sleep(150);
    await page.keyboard.up('ArrowRight');
    const a = (await gameState(page)).ball;
    await nextFrames(page);
    await sleep(100);
    const b = (await gameState(page)).ball;
    check(a[0] !== b[0] || a[1] !== b[1], 'Right serves: the ball moves between frames', `${before} → ${a} → ${b}`);

    // The patches copied while the ball flies leave the canvas equal to the game's picture.
    let patchedFrames = 0, differing = 0;
    for (let i = 0; i < 5; i++) {
      await sleep(70);
      const r = await page.evaluate(() => new Promise((done) => requestAnimationFrame(function compare() {
        if (window.zorvane.framePending) return requestAnimationFrame(compare);  // patches not yet copied
        const g = window.zorvane.game, canvas = document.getElementById('game');
        const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        const painted = g.HEAPU8.subarray(g._zvPixels(), g._zvPixels() + shown.length);
        let differ = 0;
        for (let k = 0; k < shown.length; k++) differ += shown[k] !== painted[k];
        done({ frames: window.zorvane.frames, differ });
      })));
      patchedFrames = r.frames;
      differing += r.differ;
    }
    check(differing === 0 && patchedFrames > 5, 'patched frames leave the canvas equal to the game\'s picture',
      `${differing} bytes differ after ${patchedFrames} frames`);

    // P shows the cyan Pause button; a click on it hides it.
    await page.keyboard.press('KeyP');
    await sleep(100);
    const paused = (await gameState(page)).pause;
    check(paused, 'P shows the Pause button');
    if (paused) {
      // At 568 × 489 the picture is at scale 1: 15 window units to a pixel.
      const x = (pauseBox.left + pauseBox.width / 2) / 15, y = (pauseBox.top + pauseBox.height / 2) / 15;
      const rgb = await page.evaluate((x, y) => [...document.getElementById('game').getContext('2d')
        .getImageData(Math.floor(x), Math.floor(y) - 20, 1, 1).data.slice(0, 3)], x, y);
      check(rgb[0] < 40 && rgb[1] > 215 && rgb[2] > 215, 'the Pause button is drawn cyan', String(rgb));
      await page.mouse.click(x, y);
      await sleep(100);
      check(!(await gameState(page)).pause, 'a click on Pause hides it');
    }

    // F1 changes the layout, and the browser's own action is prevented.
    await page.evaluate(() => {
      window.lastF1 = null;
      window.addEventListener('keydown', (e) => { if (e.code === 'F1') window.lastF1 = e.defaultPrevented; });
    });
    const layoutBefore = (await gameState(page)).layoutIndex;
    await page.keyboard.press('F1');
    await sleep(100);
    const layoutAfter = (await gameState(page)).layoutIndex;
    check(layoutBefore !== layoutAfter, 'F1 changes the layout', `${layoutBefore} → ${layoutAfter}`);
    check(await page.evaluate(() => window.lastF1) === true, 'F1 keydown is defaultPrevented');
    await page.close();

    // Sound: off at first, with no AudioContext; the button creates it inside its click, and
    // a served ball's hits start the game's own effects (the native build's very samples),
    // through an output of at most 14 ms (the page's lateness in handling a tick comes on
    // top: the total is in docs/performance.md); a second click turns it off.
    page = await openPage(browser, url + '?seed=1', errors);
    const quiet = await page.evaluate(() => window.zorvaneSound.context() === null &&
                                              document.getElementById('sound').getAttribute('aria-pressed') === 'false');
    check(quiet, 'sound is off at first, with no AudioContext');
    const samplesHash = await page.evaluate(() => {
      const g = window.zorvane.game, mask = (1n << 64n) - 1n;
      let h = 1469598103934665603n;  // FNV-1a, as the native test hashes them
      for (let k = 0; k < g._zvCueKinds(); ++k)
        for (let i = 0, n = g._zvEffectLength(k); i < n; ++i) h = ((h ^ BigInt(g._zvEffectSample(k, i) & 0xffff)) * 1099511628211n) & mask;
      return String(h);
    });
    check(samplesHash === '2517258727873958151', 'the effects are the native build\'s samples', samplesHash);
    await page.click('#sound');
    await page.keyboard.down('ArrowRight');  // serve
    await sleep(100);
    await page.keyboard.up('ArrowRight');
    await sleep(2500);
    const heard = await page.evaluate(() => ({ state: window.zorvaneSound.context().state, ...window.zorvaneSound.figures }));
    check(heard.state === 'running' && heard.started > 0 && heard.outputMs <= 14,
          'the sound button starts the effects, with a short output', JSON.stringify(heard));
    await page.click('#sound');
    await sleep(100);
    check(await page.evaluate(() => window.zorvaneSound.context().state) === 'suspended', 'a second click turns sound off');
    await page.close();

    // A seed in the address that is not a whole number from 0 to 2^53 - 1 is no seed: the
    // recording holds the seeds the game used, however the address puts it.
    page = await openPage(browser, url + '?seed=1e19', errors);
    for (const seed of ['1e19', 'Infinity', '18446744073709551615', '-5', '1.5', 'NaN', '7', '9007199254740991']) {
      const text = await page.evaluate((seed, first) => {
        const z = window.zorvane;
        if (!first) z.withText('2026-12-09 00:00:00 UTC', (p) => z.game._zvStart(Number(seed), p, performance.now()));
        return z.recordingText();
      }, seed, seed === '1e19');
      const whole = /^\d+$/.test(seed) && Number(seed) <= Number.MAX_SAFE_INTEGER;
      check(whole ? text.includes(`\nseed ${seed}\n`) && !/^randomize/m.test(text) : /^randomize \d+$/m.test(text) && !/^seed/m.test(text),
        `?seed=${seed}: the recording holds the seed the game used`, text.split('\n').slice(1, 3).join(' | '));
    }
    await page.close();

    // A dropped recording plays at its own pace, then the player takes over.
    page = await openPage(browser, url, errors);
    const recording = fs.readFileSync(path.join(scripts, 'serve.txt'), 'utf8') + 'wait 1500\n';
    const drop = (name, text) => page.evaluate((name, text) => {
      const dt = new DataTransfer();
      dt.items.add(new File([text], name));
      window.dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
      return new Promise((r) => setTimeout(r, 50));
    }, name, text);
    await drop('serve.txt', recording);
    const told = await page.evaluate(() => [window.zorvane.playing(), document.title, document.getElementById('status').textContent]);
    check(told[0] && told[1].startsWith('Super Zorvane! \u2014 playing a recording') && /serve\.txt/.test(told[2]),
      'a dropped recording plays, and the title and the page say so', told.join(' | '));
    await page.waitForFunction(() => !window.zorvane.playing(), { timeout: 10000 }).catch(() => {});
    check(!(await page.evaluate(() => window.zorvane.playing())), 'the recording ends');
    await page.keyboard.press('KeyP');
    await sleep(100);
    check((await gameState(page)).pause, 'after the recording the player has the keys');

    // Played at its pace, a recording leaves the game where the replay tool leaves it (it
    // pauses the game at its end, so that live time changes nothing the check reads).
    // (Many short waits: a recording played late by a frame at each would drift.)
    const pausing = 'rand 0.5 0.25\ndown 39\nwait 100\nup 39\n' + 'wait 13\n'.repeat(50) + 'down 80\nup 80\nwait 400\n';
    fs.writeFileSync(path.join(work, 'paused.replay'), pausing);
    const trace = spawnSync(nativeReplay, ['paused.replay'], { cwd: work, encoding: 'utf8' }).stdout.trim().split('\n');
    const last = JSON.parse(trace[trace.length - 1]);
    await drop('paused.replay', pausing);
    await page.waitForFunction(() => !window.zorvane.playing(), { timeout: 10000 }).catch(() => {});
    const end = await gameState(page);
    const ballAt = end.ball, paddleAt = end.paddle;
    check(JSON.stringify(ballAt) === JSON.stringify(last.ball) && JSON.stringify(paddleAt) === JSON.stringify(last.paddle) &&
          end.pause, 'a recording ends where the replay tool ends',
          `ball ${ballAt} against ${last.ball}, paddle ${paddleAt} against ${last.paddle}`);
    // A layout file starts a game on the player's own layouts, recorded with them at its head.
    const mine = ['1'.repeat(40), '0'.repeat(40)].map((row) => `layout${` ${row}`.repeat(10)}\n`).join('');
    await drop('mine.layouts', `# two of my own\n${mine}`);
    const own = await page.evaluate(() => [document.title, window.zorvane.gameState(), window.zorvane.recordingText()]);
    check(own[0] === 'Super Zorvane! \u2014 your own layouts from mine.layouts' && own[1].layoutCount === 2 &&
          own[1].bricksLeft === 200 && own[2].split('\n').slice(1, 3).join('\n') + '\n' === mine,
      'a layout file plays the player\'s layouts, and the page records them', `${own[0]} | ${own[1].layoutCount} | ${own[2].slice(0, 120)}`);
    // A bad file gets the replay tool's own message.
    const bad = 'rand 0.5\nwait ten\n';
    fs.writeFileSync(path.join(work, 'bad.replay'), bad);
    const native = spawnSync(nativeReplay, ['bad.replay'], { cwd: work, encoding: 'utf8' });
    await drop('bad.replay', bad);
    const shown = await page.evaluate(() => document.getElementById('message').hidden ? '' : document.getElementById('message-text').textContent);
    check(shown === native.stderr.trim(), 'a bad recording shows the replay tool\'s message', shown);
    // A file too large is refused by its size, unread; one that cannot be read says why.
    // (The browser's own File stands in for them: its size and its reading are faked.)
    await page.evaluate(() => {
      const size = Object.getOwnPropertyDescriptor(Blob.prototype, 'size').get, read = Blob.prototype.arrayBuffer;
      window.reads = 0;
      Object.defineProperty(Blob.prototype, 'size', { get() { return { 'big.replay': 3 * 2 ** 30,
        'bound.replay': 64 * 2 ** 20 + 1 }[this.name] ?? size.call(this); } });
      Blob.prototype.arrayBuffer = function () {
        window.reads++;
        return this.name === 'gone.replay' ? Promise.reject(new DOMException('the file is gone', 'NotReadableError'))
          : read.call(this);
      };
    });
    const files = [['big.replay', 'zorvane-replay: big.replay: the script is longer than 64 MiB', 0],
      ['bound.replay', 'zorvane-replay: bound.replay: the script is longer than 64 MiB', 0],
      ['gone.replay', 'zorvane-replay: cannot read gone.replay: the file is gone', 1]];
    for (const [name, message, reads] of files) {
      await page.evaluate(() => { window.reads = 0; });
      await drop(name, 'wait 10\n');
      const said = await page.evaluate(() => [document.getElementById('message-text').textContent, window.reads]);
      check(said[0] === message && said[1] === reads, `a dropped ${name} is refused`, said.join(', '));
    }
    await page.click('#dismiss');
    check(await page.evaluate(() => document.getElementById('message').hidden), 'the message can be dismissed');

    // Long recordings, dropped or linked, are read a slice per task: no task of the page
    // takes 100 ms, and a link that unpacks past 64 MiB is stopped at the bound, unpacked no
    // further. (Each row makes its recording first, then opens it.)
    const bomb = zlib.deflateRawSync(Buffer.alloc(70 << 20, 'x'), { level: 9 }).toString('base64url');
    const long = [
      ['8 MiB of rand lines, dropped', () => {
        const g = window.zorvane.game, play = g._zvPlayRecording;  // read whole once it is played
        window.read = false;
        g._zvPlayRecording = (...args) => ((window.read = true), play(...args));
        window.made = new DataTransfer();
        window.made.items.add(new File([('rand' + ' 0.5'.repeat(250) + '\n').repeat(8192)], 'draws.replay'));
      }, () => window.dispatchEvent(new DragEvent('drop', { dataTransfer: window.made, bubbles: true, cancelable: true })),
      () => window.read, ''],
      ['a link that unpacks to 70 MiB', (b) => { window.made = b; }, () => { location.hash = 'r=' + window.made; },
        () => !document.getElementById('message').hidden,
        'This link to a Super Zorvane! game is broken: its recording is longer than 64 MiB.'],
    ];
    // A task the page did not ask for may take long once on a busy machine, while a read in
    // one piece takes long every time: the better of two tries is checked.
    for (const [what, make, open, done, says] of long) {
      let longest = Infinity, told = '';
      for (let tries = 0; tries < 2 && longest >= 100; tries++) {
        await page.evaluate(() => { location.hash = ''; document.getElementById('message').hidden = true; });
        await page.evaluate(make, bomb);
        longest = Math.min(longest, await longestTask(page, async () => {
          await page.evaluate(open);
          await page.waitForFunction(done, { timeout: 60000 }).catch(() => {});
        }));
        told = await page.evaluate(() => document.getElementById('message').hidden ? '' :
          document.getElementById('message-text').textContent);
      }
      check(longest < 100 && told === says, `${what}: read with no task of 100 ms`, `longest ${longest} ms; ${told}`);
    }

    // After a recording the page records what the player plays, after the recording's lines
    // but not its comments or expect lines (one it did not meet would fail the new recording);
    // one that has filled its 64 MiB ends there with its expect line, and the player is told
    // once. Either replays, and verifies. Each row: the recording, how many keys are pressed
    // after it.
    const padded = (n, last) => ('wait 0' + ' '.repeat((1 << 20) - 7) + '\n').repeat(n) + 'wait 0' + ' '.repeat(last - 7) + '\n';
    const afterRecording = [
      ['a recording that did not verify', '# note\nrand 0.5 0.25\nwait 100\nexpect t=99\n', [], 20],
      ['a recording 8 KiB short of 64 MiB', '', [63, (1 << 20) - 8192], 1000],
    ];
    for (const [what, text, pad, keys] of afterRecording) {
      const r = await page.evaluate(async (text, pad, keys, padSource) => {
        const z = window.zorvane;
        z.showMessage('');
        const played = await z.playRecordingNow('then.replay', text || (0, eval)(padSource)(...pad));
        for (let i = 0; i < keys; i++) z.game._zvKeyDown(39), z.game._zvKeyUp(39);
        z.wake();
        const all = z.recordingText(), at = all.indexOf('# Super Zorvane!');
        return { played, length: all.length, before: all.slice(0, Math.min(at, 200)), tail: all.slice(at),
          told: document.getElementById('message').hidden ? '' : document.getElementById('message-text').textContent };
      }, text, pad, keys, padded.toString());
      const kept = text ? text.split('\n').filter((l) => l && !/^(#|expect )/.test(l)).map((l) => l + '\n').join('') : padded(...pad);
      fs.writeFileSync(path.join(work, 'then.zrec'), kept + r.tail);
      const replayed = spawnSync(nativeReplay, ['--quiet', 'then.zrec'], { cwd: work, encoding: 'utf8' });
      const downs = (r.tail.match(/^down 39$/gm) || []).length, full = keys > 600;
      check(r.played && r.before === kept.slice(0, 200) && r.length === kept.length + r.tail.length && replayed.status === 0 &&
            /\nexpect t=\d+ [^\n]*\n$/.test(r.tail) && r.length <= 64 << 20 &&
            (full ? downs > 0 && downs < keys && /filled the 64 MiB/.test(r.told) : downs === keys && !/filled/.test(r.told)),
            `${what}: the player's game is recorded after it, and verifies`,
            `${replayed.stderr.trim()} ${downs} of ${keys} keys recorded, ${r.length} bytes; ${r.told}`);
    }

    // A far jump to a moment never played to shows how far it has got; Esc stops it where it
    // got, and a new jump takes its place at once.
    const jumped = await page.evaluate(async () => {
      const z = window.zorvane, g = z.game, wait = (ms) => new Promise((r) => setTimeout(r, ms));
      await z.playRecording('hour.replay', 'rand 0.5 0.25\ndown 39\nwait 100\nup 39\nwait 3600000\n');
      z.watch.jumpTo(3000000);
      await wait(300);
      const shown = document.getElementById('status').textContent;
      const going = g._zvJumpProgress();
      window.dispatchEvent(new KeyboardEvent('keydown', { code: 'Escape', key: 'Escape' }));
      const stopped = going >= 0, at = g._zvNow(), still = g._zvJumpProgress();
      z.watch.jumpTo(3000000);
      await wait(100);
      z.watch.jumpTo(500);
      await wait(100);
      return { shown, stopped, at, still, after: g._zvJumpProgress(), back: g._zvNow() };
    });
    check(/jumping: \d+% \(Esc stops\)/.test(jumped.shown) && jumped.stopped && jumped.at < 3000000 && jumped.still === -1 &&
          jumped.after === -1 && jumped.back >= 500 && jumped.back < 3000000,
          'a far jump shows its progress, Esc stops it, and a new jump takes its place', JSON.stringify(jumped));
    await page.close();

    // A game played here, copied as a link and opened in a fresh page, plays the same game
    // and proves its score; there a jump back shows what playing on to that moment showed.
    page = await openPage(browser, url + '?seed=1', errors);
    await page.keyboard.down('ArrowRight');
    await sleep(200);
    await page.keyboard.up('ArrowRight');
    await sleep(1300);
    await page.keyboard.press('KeyP');  // then a paused while: the link page has time to start
    await sleep(2500);
    const shared = await page.evaluate(async () => ({ ...(await window.zorvane.shareLink()), text: window.zorvane.recordingText() }));
    await page.close();
    const lastExpect = shared.text.trim().split('\n').pop();
    check(/^# Super Zorvane! 1\.0 recording, \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC: /.test(shared.text) &&
          /^expect t=\d+ currentScore=\d+ /.test(lastExpect), 'the page records the game, ending with an expect line',
          `${shared.text.slice(0, 80)} ... ${lastExpect}`);
    check(shared.link && /#r=[A-Za-z0-9_-]+$/.test(shared.link), 'a game played makes a link', shared.link || shared.why);
    page = await openPage(browser, shared.link, errors);
    // However long a loaded machine takes to start the page, the link's game is paused the
    // moment it plays: the wait is for that state, bounded only against a page that never starts.
    const opened = await page.waitForFunction(() => window.zorvane.game && window.zorvane.watch &&
      window.zorvane.playing() && (window.zorvane.watch.pause(), true),
      { timeout: 60000, polling: 10 }).then(() => true, () => false);
    check(opened, 'opening the link plays the game');
    // The bar's controls are the game's own watch controls (tested in C++): wired, and shown.
    const wired = await page.evaluate(async () => {
      const z = window.zorvane, frame = () => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
      document.getElementById('watch-faster').click();
      document.getElementById('watch-back').click();
      await frame();
      const shown = [document.getElementById('watch-speed').textContent, document.getElementById('watch-pause').textContent,
        z.game._zvNow()];
      z.watch.faster(false);
      z.watch.pause();  // and on to its end
      return shown;
    });
    check(wired[0] === '2\u00d7' && wired[1] === 'Play' && wired[2] === 0, 'the bar steers the recording', wired.join(' | '));
    // Hidden, the watched game stands still too; shown, it goes on from where it stood.
    const away = await page.evaluate(async () => {
      const z = window.zorvane, wait = (ms) => new Promise((r) => setTimeout(r, ms));
      const hide = (hidden) => {
        Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
        document.dispatchEvent(new Event('visibilitychange'));
      };
      hide(true);
      const t0 = z.game._zvNow();
      await wait(300);
      const t1 = z.game._zvNow();
      hide(false);
      await wait(100);
      const t2 = z.game._zvNow();
      return [t0 === t1 && t2 > t1 && t2 - t1 < 300, `${t0} ${t1} ${t2}`];  // the 300 ms away are not played
    });
    check(away[0], 'a hidden page stands a watched recording still', away[1]);
    await page.waitForFunction(() => !window.zorvane.playing() && !document.getElementById('message').hidden,
      { timeout: 60000 }).catch(() => {});
    const verdict = await page.evaluate(() => document.getElementById('message-text').textContent);
    const score = String(/currentScore=(\d+)/.exec(lastExpect)[1]).padStart(6, '0');
    check(verdict === `Verified: score ${score}`, 'the link\'s game ends verified, with the score played', verdict);
    // A broken link gets a plain message.
    await page.goto(url + '#r=' + shared.link.split('#r=')[1].slice(0, 40) + '!');
    await page.waitForFunction(() => !document.getElementById('message').hidden, { timeout: 5000 }).catch(() => {});
    const brokenLink = await page.evaluate(() => document.getElementById('message-text').textContent);
    check(/link .* is broken/.test(brokenLink), 'a broken link gets a plain message', brokenLink);
    await page.close();

    // Layouts made by touch in the editor: a colour chosen, a row painted by a drag, tried
    // (a fresh game on that layout alone) and back; then its link, opened in a new page,
    // plays on that layout.
    page = await openPage(browser, url + '?seed=1', errors);
    await page.click('#make');
    await page.waitForFunction(() => window.zorvane.game._zvEditorMode() === 1 && window.zorvane.settled(), { timeout: 5000 });
    const rect = await page.evaluate(() => { const r = document.getElementById('game').getBoundingClientRect(); return [r.x, r.y, r.width]; });
    const at = (x, y) => [rect[0] + x / 12840 * rect[2], rect[1] + y / 12840 * rect[2]];  // window units to the page's pixels
    const cell = (x) => at(120 + (x + 0.5) * 414.75, 1560 + 2.5 * 226.2);
    await page.touchscreen.tap(...at(8700 + 4 * 450 + 210, 880 + 135));  // the swatch of code 5
    await page.touchscreen.touchStart(...cell(0));
    for (let x = 1; x <= 5; x++) await page.touchscreen.touchMove(...cell(x));
    await page.touchscreen.touchEnd();
    const made = await page.evaluate(() => document.title);
    check(made.endsWith('Layout 1 of 1: 6 bricks, 6 to clear (unsaved)'), 'a drag by touch paints a row of bricks', made);
    await page.touchscreen.tap(...at(120 + 665, 520 + 200));  // Try it
    await page.waitForFunction(() => window.zorvane.game._zvEditorMode() === 2, { timeout: 5000 }).catch(() => {});
    const tried = await gameState(page);
    check(tried.layoutCount === 1 && tried.bricksLeft === 6, 'Try it plays the layout alone', `${tried.layoutCount} ${tried.bricksLeft}`);
    await page.click('#make');  // Back to the editor
    const back = await page.evaluate(async () => [window.zorvane.game._zvEditorMode(), document.title,
      await window.zorvane.shareLink()]);
    check(back[0] === 1 && back[1] === made && /#r=[A-Za-z0-9_-]+$/.test(back[2].link), 'back in the editor as it was, and a link',
      `${back[0]} | ${back[1]} | ${back[2].link || back[2].why}`);
    await page.close();
    page = await openPage(browser, back[2].link, errors);
    await page.waitForFunction(() => window.zorvane.gameState().layoutCount === 1, { timeout: 10000 }).catch(() => {});
    const linked = await page.evaluate(() => [document.title, window.zorvane.gameState()]);
    check(linked[0] === 'Super Zorvane! \u2014 your own layouts from link' && linked[1].bricksLeft === 6 &&
          linked[1].layoutCount === 1, 'the link plays on the layout made', `${linked[0]} | ${linked[1].bricksLeft}`);
    await page.close();

    check(errors.length === 0, 'no console errors', errors.join(' | '));

    // A face that cannot be loaded falls back, with one warning, and the page still draws.
    page = await browser.newPage();
    const warnings = [];
    page.on('console', (m) => { if (m.type() === 'warn') warnings.push(m.text()); });
    await page.setBypassServiceWorker(true);  // the fonts come from the network, not the kept site
    await page.setRequestInterception(true);
    page.on('request', (r) => (/impact|lucida/.test(r.url()) ? r.abort() : r.continue()));
    await page.setViewport({ width: 568, height: 489, deviceScaleFactor: 1 });
    await page.goto(url + '?hold&seed=1');
    const drew = await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 })
      .then(() => true, () => false);
    check(drew && warnings.length === 1 && /fonts not loaded/.test(warnings[0]), 'a missing face: one warning, and the page draws',
      warnings.join(' | '));
    await page.close();

    // A browser without WebAssembly gets a plain message, not a blank canvas.
    page = await browser.newPage();
    await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
    await page.goto(url);
    const noWasm = await page.evaluate(() => ({ text: document.getElementById('message-text').textContent,
      shown: !document.getElementById('message').hidden, canvas: !document.getElementById('game').hidden }));
    check(noWasm.shown && /WebAssembly/.test(noWasm.text) && !noWasm.canvas, 'no WebAssembly: a message instead of the canvas',
      noWasm.text);
    // With JavaScript off, the page says so, legibly.
    await page.setJavaScriptEnabled(false);
    await page.goto(url);
    const noScript = await page.evaluate(() => {
      const p = document.querySelector('noscript p'), r = p && p.getBoundingClientRect();
      return p && r.height > 0 && getComputedStyle(p).color === 'rgb(255, 255, 255)' && p.textContent;
    });
    check(/JavaScript/.test(noScript), 'JavaScript off: a message, white on black', String(noScript));
    await page.close();

    // The rows of rows/kept.mjs, each on pages of its own in a context of its own, through
    // the calls their driver gives them.
    for (const row of kept) {
      const rowContext = await browser.createBrowserContext();
      const t = { url, work, nativeReplay, midGame, gameOver, check: (ok, what, detail) => check(ok, `${row.name}: ${what}`, detail),
        newPage: async () => {
          const p = await rowContext.newPage();
          p.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
          p.on('pageerror', (e) => errors.push(e.message));
          return { raw: p, goto: (u) => p.goto(u).then(() => {}), reload: () => p.reload().then(() => {}),
            evaluate: (fn, ...args) => p.evaluate(fn, ...args), press: (code) => p.keyboard.press(code),
            waitFor: (fn, arg, timeout = 20000) => p.waitForFunction(fn, { timeout, polling: 10 }, arg).then(() => true, () => false),
            setSize: (width, height) => p.setViewport({ width, height, deviceScaleFactor: 1, hasTouch: true }),
            touch: { tap: (x, y) => p.touchscreen.tap(x, y) } };
        } };
      const result = await row.run(t).catch((e) => [false, e.message]);
      if (result !== undefined) check(result[0], row.name, result[1]);
      await rowContext.close();
    }

    // A player's session in a fresh profile, as on a phone: touch, focus, a hidden tab, a
    // gamepad (which leaves the paddle well right of the wall for the touch), the kept site;
    // last, the page again with the server stopped.
    const context = await browser.createBrowserContext();
    page = await openPage(context, url + '?seed=1', errors);
    const now = () => page.evaluate(() => window.zorvane.game._zvNow());
    const paddleCentre = async () => { const [left, , width] = (await gameState(page)).paddle; return (left + width / 2) / 15; };
    // The paddle's centre before something is held, after 500 ms of it, and whether it then
    // stands still (three looks 70 ms apart: a paddle swinging about a place would differ).
    const held = async (start, end) => {
      const from = await paddleCentre();
      await start();
      await sleep(500);
      const at = await paddleCentre();
      await sleep(70);
      const next = await paddleCentre();
      await sleep(80);
      const still = next === at && await paddleCentre() === at;
      await end();
      return { from, at, still };
    };
    const buttonCentre = [(pauseBox.left + pauseBox.width / 2) / 15, (pauseBox.top + pauseBox.height / 2) / 15];
    const session = [
      ['the manifest parses and names the game, with its icons (one maskable) and screenshots', () => page.evaluate(async () => {
        const m = await (await fetch('manifest.webmanifest')).json();
        const images = await Promise.all([...m.icons, ...m.screenshots].map((i) => fetch(i.src).then(async (r) => {
          if (!r.ok || r.headers.get('content-type') !== 'image/png') return false;
          const b = await createImageBitmap(await r.blob());
          return i.sizes === `${b.width}x${b.height}`;
        })));
        return m.name === 'Super Zorvane!' && ['standalone', 'fullscreen'].includes(m.display) && m.start_url && m.id &&
          m.icons.map((i) => `${i.sizes} ${i.purpose || 'any'}`).join() === '192x192 any,512x512 any,512x512 maskable' &&
          m.screenshots.map((i) => i.form_factor).join() === 'wide,narrow' && images.every(Boolean);
      })],
      ['the service worker takes control, with one cache named after this build', async () => {
        await page.waitForFunction(() => navigator.serviceWorker.controller, { timeout: 10000 }).catch(() => {});
        return page.evaluate(async () => {
          const version = /"version":"(\w+)"/.exec(await (await fetch('sw.js')).text())[1], names = await caches.keys();
          return !!navigator.serviceWorker.controller && names.length === 1 && names[0].endsWith(` ${version}`);
        });
      }],
      ['Fullscreen puts the picture alone on the whole screen, as large as it fits', async () => {
        await page.click('#fullscreen');
        await page.waitForFunction(() => document.fullscreenElement, { timeout: 2000 }).catch(() => {});
        await nextFrames(page);
        const r = await page.evaluate(() => [document.fullscreenElement?.id, document.getElementById('game').getBoundingClientRect().height,
          window.innerHeight, window.zorvane.painted, document.getElementById('game').getBoundingClientRect().width, window.innerWidth]);
        await page.evaluate(() => document.exitFullscreen());
        await page.waitForFunction(() => !document.fullscreenElement && document.getElementById('game').clientHeight === 489);
        return [r[0] === 'stage' && (Math.abs(r[1] - r[2]) < 1 || Math.abs(r[4] - r[5]) < 1), r.join(' | ')];
      }],
      ['the recording button is reachable with Tab, outside the picture', async () => {
        for (let i = 0; i < 8 && await page.evaluate(() => document.activeElement.id) !== 'recording'; i++) await page.keyboard.press('Tab');
        return page.evaluate(() => document.activeElement.id === 'recording' && document.elementFromPoint(40, 476).id === 'game');
      }],
      ['a hidden page advances no timer, and goes on when shown', async () => {
        const hide = (hidden) => page.evaluate((hidden) => {
          Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
          document.dispatchEvent(new Event('visibilitychange'));
        }, hidden);
        await hide(true);
        const t0 = await now();
        await sleep(300);
        const t1 = await now();
        await hide(false);
        await sleep(100);
        return t1 === t0 && await now() > t1;
      }],
      ['a held key is released on blur', async () => {
        const from = await paddleCentre();
        await page.keyboard.down('ArrowLeft');
        await sleep(100);
        await page.evaluate(() => window.dispatchEvent(new Event('blur')));
        const at = await paddleCentre();
        await sleep(150);
        const still = await paddleCentre();
        await page.keyboard.up('ArrowLeft');
        return at < from && still === at;
      }],
      ['a virtual gamepad steers', async () => {
        const pad = (right) => page.evaluate((right) => {
          const buttons = Array.from({ length: 17 }, (_, i) => ({ pressed: right && i === 15, value: right && i === 15 ? 1 : 0 }));
          navigator.getGamepads = () => [{ index: 0, connected: true, mapping: 'standard', buttons, axes: [0, 0, 0, 0] }];
        }, right);
        const r = await held(() => pad(true), () => pad(false));
        await sleep(100);
        const stopped = await paddleCentre();
        await sleep(100);
        return r.at > r.from && stopped === await paddleCentre();
      }],
      ['a touch held at the left of the paddle moves it left and stops near the finger', async () => {
        const finger = (await paddleCentre()) - 100;
        const r = await held(() => page.touchscreen.touchStart(finger, 400), () => page.touchscreen.touchEnd());
        const step = 2 * (await gameState(page)).baseSpeed / 15;
        return [r.at < r.from && r.still && Math.abs(r.at - finger) <= step + 1,
          `finger at ${finger}, paddle ${r.from} → ${r.at}${r.still ? ', still' : ', moving'}`];
      }],
      ['a tap on the page\'s Pause pauses as P does, and a tap on the game\'s Pause resumes', async () => {
        const r = await page.evaluate(() => document.getElementById('pause').getBoundingClientRect().toJSON());
        await page.touchscreen.tap(r.x + r.width / 2, r.y + r.height / 2);
        await sleep(50);
        const paused = (await gameState(page)).pause, offered = await page.evaluate(() => !document.getElementById('pause').disabled);
        const recorded = await page.evaluate(() => window.zorvane.recordingText());
        await page.touchscreen.tap(...buttonCentre);
        await sleep(50);
        const resumed = !(await gameState(page)).pause;
        return [paused && !offered && /\ndown 80\nup 80\n/.test(recorded) && resumed,
          `paused ${paused}, offered while paused ${offered}, resumed ${resumed}, recorded ${recorded.slice(-120)}`];
      }],
      ['a finger held through a lost ball steers the new ball', async () => {
        // The player takes over 400 ms before the ball is lost, far right of the paddle's
        // reach, and holds a finger at the far left: the paddle runs left; then the new ball
        // on the recentred paddle is steered (and served) by the finger still down.
        const lost = gameOver.split('\n').slice(0, 7).join('\n') + '\nwait 900\n';
        await page.evaluate((s) => window.zorvane.playRecordingNow('lost.replay', s), lost);
        await page.touchscreen.touchStart(30, 300);
        await page.waitForFunction(() => window.zorvane.gameState().livesLeft === 2, { timeout: 5000 }).catch(() => {});
        const rest = await paddleCentre();
        await sleep(600);
        const s = await gameState(page), at = await paddleCentre();
        await page.touchscreen.touchEnd();
        return [s.livesLeft === 2 && at < rest - 50 && s.ballVelocityY !== 0, `lives ${s.livesLeft}, paddle ${rest} → ${at}, ball ${s.ball}`];
      }],
      ['a touch tap on Game Over restarts; Game Over and the score are said', async () => {
        await page.evaluate((s) => window.zorvane.playRecordingNow('gameover.replay', s), gameOver);
        const over = (await gameState(page)).gameover;
        const said = await page.evaluate(() => [document.getElementById('said').textContent,
          document.getElementById('said').getAttribute('aria-live'), document.getElementById('game').getAttribute('aria-label')]);
        const score = (await gameState(page)).currentScore;
        await page.touchscreen.tap(...buttonCentre);
        await sleep(50);
        const s = await gameState(page);
        return [over && !s.gameover && s.livesLeft === 3 && said[0] === `Game over. Score ${score}.` && said[1] === 'polite' &&
          new RegExp(`^Score ${score}, high score \\d+, 0 lives, \\d+ bricks left\\.$`).test(said[2]), said.join(' | ')];
      }],
      ['for fingers, at 390x844, 844x390 and 320x640, every control of the bar is inside the screen and 44 px or more', async () => {
        const v = page.viewport(), wrong = [];
        for (const [width, height] of [[390, 844], [844, 390], [320, 640]]) {
          await page.setViewport({ width, height, deviceScaleFactor: 3, hasTouch: true });
          await nextFrames(page);
          wrong.push(...await page.evaluate(() => [...document.querySelectorAll('#bar button, #bar input')]
            .filter((c) => c.getClientRects().length)
            .map((c) => [c.id, c.getBoundingClientRect()])
            .filter(([, r]) => r.left < 0 || r.top < 0 || r.right > innerWidth || r.bottom > innerHeight || r.height < 44 || r.width < 44)
            .map(([id, r]) => `${innerWidth}x${innerHeight} ${id} ${Math.round(r.left)},${Math.round(r.top)} ${Math.round(r.width)}x${Math.round(r.height)}`)));
        }
        await page.setViewport(v);
        await fitCanvas(page);
        return [wrong.length === 0 && await page.evaluate(() => document.querySelectorAll('#bar button:not([hidden])').length >= 5),
          wrong.join('; ')];
      }],
      ['reloaded with the server stopped, the page draws its first frame, brings the game back and plays on', async () => {
        await new Promise((r) => { server.once('exit', r); server.kill(); });
        await page.reload();
        await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0 && window.zorvane.resumed !== undefined, { timeout: 20000 });
        if ((await gameState(page)).pause) await page.keyboard.press('KeyP');
        const ball = (await gameState(page)).ball;
        await page.keyboard.down('ArrowRight');
        await sleep(150);
        await page.keyboard.up('ArrowRight');
        return JSON.stringify((await gameState(page)).ball) !== JSON.stringify(ball);
      }],
    ];
    for (const [what, run] of session) {
      const [ok, detail] = [await run().catch((e) => [false, e.message])].flat();
      check(ok, what, detail);
    }
    check(errors.length === 0, 'no console errors in the session', errors.join(' | '));
    await context.close();
  } finally {
    await browser.close();
    server.kill();
    fs.rmSync(work, { recursive: true, force: true });
  }
  console.log(failures ? `${failures} checks failed` : 'every check passed');
  process.exit(failures ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
