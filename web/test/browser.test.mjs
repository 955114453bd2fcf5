// The page in a real browser: Debian's chromium, headless, on the page served from
// 127.0.0.1, driven over the DevTools protocol by puppeteer-core (which never downloads a
// browser). Usage:
//   node browser.test.mjs SITE_DIR NATIVE_REPLAY SCRIPTS_DIR
// Exit status 0 when every check passes, 1 when one fails.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

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

// The page's server on a free port.
function serve() {
  return new Promise((resolve, reject) => {
    const server = spawn(process.execPath, [path.join(here, '..', 'serve.mjs'), site, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.on('data', (d) => {
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(String(d));
      if (m) resolve({ server, url: m[0] });
    });
    server.on('exit', (code) => reject(new Error(`the server stopped (${code})`)));
  });
}

// The native replay tool's picture after a script, as a data URL.
function nativePicture(script) {
  const file = path.join(work, 'picture.replay');
  fs.writeFileSync(file, script);
  const png = path.join(work, 'native.png');
  const r = spawnSync(nativeReplay, ['--screenshot', png, file], { stdio: ['ignore', 'ignore', 'inherit'] });
  if (r.status !== 0) throw new Error('the native replay tool could not draw its picture');
  return 'data:image/png;base64,' + fs.readFileSync(png).toString('base64');
}

async function openPage(browser, url, errors) {
  const page = await browser.newPage();
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setViewport({ width: 568, height: 489, deviceScaleFactor: 1, hasTouch: true });
  await page.goto(url);
  await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 });
  return page;
}
const scene = (page) => page.evaluate(() => window.zorvane.scene);
const button = (s, name) => s.items.find((it) => it[0] === 5 && it[16] === name);

// Pixels of the canvas against the native picture: shapes outside caption boxes, and the
// ink's bounding box inside each caption box.
async function comparePictures(page, native) {
  return page.evaluate(async (nativeUrl) => {
    const canvas = document.getElementById('game');
    const w = canvas.width, h = canvas.height;
    const mine = canvas.getContext('2d').getImageData(0, 0, w, h).data;
    const img = new Image();
    img.src = nativeUrl;
    await img.decode();
    const c2 = new OffscreenCanvas(img.width, img.height).getContext('2d');
    c2.drawImage(img, 0, 0);
    const theirs = c2.getImageData(0, 0, img.width, img.height).data;
    if (img.width !== w || img.height !== h) return { size: `${w}x${h} against ${img.width}x${img.height}` };
    const boxes = window.zorvane.captionBoxes();
    const inCaption = new Uint8Array(w * h);
    for (const b of boxes)
      for (let y = Math.max(0, b.box.y); y < Math.min(h, b.box.y + b.box.h); y++)
        for (let x = Math.max(0, b.box.x); x < Math.min(w, b.box.x + b.box.w); x++) inCaption[y * w + x] = 1;
    // 1 inside a caption box, 2 in its text area (inside its border or frame).
    for (const b of boxes)
      for (let y = Math.max(0, b.inner.y); y < Math.min(h, b.inner.y + b.inner.h); y++)
        for (let x = Math.max(0, b.inner.x); x < Math.min(w, b.inner.x + b.inner.w); x++) inCaption[y * w + x] = 2;
    let outside = 0, close = 0, framed = 0, framedClose = 0;
    for (let i = 0; i < w * h; i++) {
      if (inCaption[i] === 2) continue;
      const k = 4 * i;
      const near = Math.abs(mine[k] - theirs[k]) <= 24 && Math.abs(mine[k + 1] - theirs[k + 1]) <= 24 &&
          Math.abs(mine[k + 2] - theirs[k + 2]) <= 24;
      if (inCaption[i]) {
        framed++;
        if (near) framedClose++;
      } else {
        outside++;
        if (near) close++;
      }
    }
    const ink = (px, b) => {
      const fr = b.fore & 255, fg = (b.fore >> 8) & 255, fb = (b.fore >> 16) & 255;
      let x0 = Infinity, y0 = Infinity, x1 = -Infinity, y1 = -Infinity;
      for (let y = Math.max(0, b.inner.y); y < Math.min(h, b.inner.y + b.inner.h); y++)
        for (let x = Math.max(0, b.inner.x); x < Math.min(w, b.inner.x + b.inner.w); x++) {
          const k = 4 * (y * w + x);
          if (Math.abs(px[k] - fr) + Math.abs(px[k + 1] - fg) + Math.abs(px[k + 2] - fb) < 150) {
            x0 = Math.min(x0, x); y0 = Math.min(y0, y); x1 = Math.max(x1, x); y1 = Math.max(y1, y);
          }
        }
      return [x0, y0, x1, y1];
    };
    const captions = boxes.map((b) => ({ text: b.text, mine: ink(mine, b), theirs: ink(theirs, b) }));
    return { share: close / outside, frames: framedClose / Math.max(framed, 1), captions };
  }, native);
}

async function main() {
  const { server, url } = await serve();
  const profile = fs.mkdtempSync(path.join(work, 'profile-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium', userDataDir: profile, headless: true,
    args: chromiumFlags.filter((f) => f !== '--headless'),
  });
  try {
    const errors = [];
    // The load state, clock held, against the native picture.
    let page = await openPage(browser, url + '?hold&seed=1', errors);
    check(await page.title() === 'Super Zorvane!', 'title', await page.title());
    // The load state, then the same with the game paused (P at time 0: the cyan button).
    for (const [what, script] of [['the load state', ''], ['paused at load', 'down 80\nup 80\n']]) {
      if (script) {
        await page.keyboard.press('KeyP');
        await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      }
      const cmp = await comparePictures(page, nativePicture(script));
      check(!cmp.size, `${what}: picture size`, cmp.size || '568x489');
      if (cmp.size) continue;
      check(cmp.share >= 0.99, `${what}, shapes: pixels within 24 of the native picture`, `${(100 * cmp.share).toFixed(2)} %`);
      check(cmp.frames >= 0.999, `${what}, borders and button frames: pixels within 24`, `${(100 * cmp.frames).toFixed(2)} %`);
      let worst = 0, worstText = '', inked = 0;
      for (const c of cmp.captions) {
        if (!Number.isFinite(c.theirs[0]) && !Number.isFinite(c.mine[0])) continue;
        inked++;
        const d = Math.max(...c.mine.map((v, i) => Math.abs(v - c.theirs[i])));
        if (!(d <= worst)) { worst = d; worstText = `"${c.text}" ${c.mine} against ${c.theirs}`; }
      }
      check(inked > 10 && worst <= 2, `${what}, captions: ink boxes within 2 px (${inked} captions)`,
        `worst ${worst} px ${worstText}`);
    }
    await page.close();

    // Play: Right serves, and the ball moves between two frames.
    page = await openPage(browser, url + '?seed=1', errors);
    const before = (await scene(page)).items[0];
    await page.keyboard.down('ArrowRight');
    await sleep(150);
    await page.keyboard.up('ArrowRight');
    const a = (await scene(page)).items[0];
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    await sleep(100);
    const b = (await scene(page)).items[0];
    check(a[3] !== b[3] || a[4] !== b[4], 'Right serves: the ball moves between frames',
      `(${before[3]}, ${before[4]}) → (${a[3]}, ${a[4]}) → (${b[3]}, ${b[4]})`);

    // Frames drawn patch by patch while the ball flies give the pixels of a full repaint.
    let patchedFrames = 0, differing = 0, most = 0;
    for (let i = 0; i < 5; i++) {
      await sleep(70);
      const r = await page.evaluate(() => ({ frames: window.zorvane.frames, ...window.zorvane.sameAsFullRepaint() }));
      patchedFrames = r.frames;
      differing += r.differ;
      most = Math.max(most, r.most);
    }
    check(differing === 0 && patchedFrames > 5, 'patched frames equal full repaints',
      `${differing} bytes differ, by ${most} at most`);

    // P shows the cyan Pause button; a click on it hides it.
    await page.keyboard.press('KeyP');
    await sleep(100);
    const paused = button(await scene(page), 'pause');
    check(paused && paused[7] === 255 * 256 + 255 * 65536, 'P shows the cyan Pause button');
    if (paused) {
      const centre = await page.evaluate((it) => {
        const p = window.zorvane.placement, k = p.scale / 15, ratio = window.devicePixelRatio;
        const x = (p.x + (it[3] + it[5] / 2) * k) / ratio, y = (p.y + (it[4] + it[6] / 2) * k) / ratio;
        const fx = Math.floor(p.x + (it[3] + it[5] * 0.08) * k), fy = Math.floor(p.y + (it[4] + it[6] * 0.2) * k);
        const px = document.getElementById('game').getContext('2d').getImageData(fx, fy, 1, 1).data;
        return { x, y, rgb: [px[0], px[1], px[2]] };
      }, paused);
      check(centre.rgb[0] < 40 && centre.rgb[1] > 215 && centre.rgb[2] > 215, 'the Pause button is drawn cyan', String(centre.rgb));
      await page.mouse.click(centre.x, centre.y);
      await sleep(100);
      check(!button(await scene(page), 'pause'), 'a click on Pause hides it');
    }

    // F1 changes the layout, and the browser's own action is prevented.
    await page.evaluate(() => {
      window.lastF1 = null;
      window.addEventListener('keydown', (e) => { if (e.code === 'F1') window.lastF1 = e.defaultPrevented; });
    });
    const layoutBefore = JSON.stringify((await scene(page)).items.filter((it) => it[0] === 4).map((it) => [it[3], it[4], it[7]]));
    await page.keyboard.press('F1');
    await sleep(100);
    const layoutAfter = JSON.stringify((await scene(page)).items.filter((it) => it[0] === 4).map((it) => [it[3], it[4], it[7]]));
    check(layoutBefore !== layoutAfter, 'F1 changes the layout');
    check(await page.evaluate(() => window.lastF1) === true, 'F1 keydown is defaultPrevented');
    await page.close();

    // A touch held on the left half moves the paddle left.
    page = await openPage(browser, url + '?seed=1', errors);
    const paddle0 = (await scene(page)).items[1][3];
    await page.touchscreen.touchStart(60, 400);
    await sleep(400);
    const paddle1 = (await scene(page)).items[1][3];
    await page.touchscreen.touchEnd();
    await sleep(100);
    const paddle2 = (await scene(page)).items[1][3];
    await sleep(150);
    const paddle3 = (await scene(page)).items[1][3];
    check(paddle1 < paddle0, 'a touch held on the left half moves the paddle left', `${paddle0} → ${paddle1}`);
    check(paddle3 === paddle2, 'releasing the touch stops the paddle', `${paddle2} → ${paddle3}`);

    // Resizing keeps the picture uniformly scaled and centred.
    for (const [vw, vh] of [[1000, 489], [568, 900], [300, 260]]) {
      await page.setViewport({ width: vw, height: vh, deviceScaleFactor: 1, hasTouch: true });
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      const p = await page.evaluate(() => ({ ...window.zorvane.placement, w: document.getElementById('game').width,
                                             h: document.getElementById('game').height }));
      const expectScale = Math.min(vw * 15 / 8520, vh * 15 / 7335);
      const left = p.picture.x, right = p.w - (p.picture.x + p.picture.w), top = p.picture.y, bottom = p.h - (p.picture.y + p.picture.h);
      check(p.w === vw && p.h === vh && Math.abs(p.scale - expectScale) < 1e-9 && Math.abs(left - right) <= 2 &&
            Math.abs(top - bottom) <= 2, `resized to ${vw}x${vh}: scaled uniformly and centred`,
            `scale ${p.scale.toFixed(3)}, margins ${left}/${right}/${top}/${bottom}`);
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
    check(await page.evaluate(() => window.zorvane.playing()), 'a dropped recording plays');
    await page.waitForFunction(() => !window.zorvane.playing(), { timeout: 10000 }).catch(() => {});
    check(!(await page.evaluate(() => window.zorvane.playing())), 'the recording ends');
    await page.keyboard.press('KeyP');
    await sleep(100);
    check(!!button(await scene(page), 'pause'), 'after the recording the player has the keys');

    // Played at its pace, a recording leaves the game where the replay tool leaves it (it
    // pauses the game at its end, so that live time changes nothing the check reads).
    // (Many short waits: a recording played late by a frame at each would drift.)
    const pausing = 'rand 0.5 0.25\ndown 39\nwait 100\nup 39\n' + 'wait 13\n'.repeat(50) + 'down 80\nup 80\nwait 400\n';
    fs.writeFileSync(path.join(work, 'paused.replay'), pausing);
    const trace = spawnSync(nativeReplay, ['paused.replay'], { cwd: work, encoding: 'utf8' }).stdout.trim().split('\n');
    const last = JSON.parse(trace[trace.length - 1]);
    await drop('paused.replay', pausing);
    await page.waitForFunction(() => !window.zorvane.playing(), { timeout: 10000 }).catch(() => {});
    const end = await scene(page);
    const ballAt = end.items[0].slice(3, 7), paddleAt = end.items[1].slice(3, 7);
    check(JSON.stringify(ballAt) === JSON.stringify(last.ball) && JSON.stringify(paddleAt) === JSON.stringify(last.paddle) &&
          !!button(end, 'pause'), 'a recording ends where the replay tool ends',
          `ball ${ballAt} against ${last.ball}, paddle ${paddleAt} against ${last.paddle}`);
    // A bad file gets the replay tool's own message.
    const bad = 'rand 0.5\nwait ten\n';
    fs.writeFileSync(path.join(work, 'bad.replay'), bad);
    const native = spawnSync(nativeReplay, ['bad.replay'], { cwd: work, encoding: 'utf8' });
    await drop('bad.replay', bad);
    const shown = await page.evaluate(() => document.getElementById('message').hidden ? '' : document.getElementById('message').textContent);
    check(shown === native.stderr.trim(), 'a bad recording shows the replay tool\'s message', shown);
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
    const opened = await page.waitForFunction(() => window.zorvane.playing() && (window.zorvane.watch.pause(), true),
      { timeout: 5000, polling: 10 }).then(() => true, () => false);
    check(opened, 'opening the link plays the game');
    const jumps = await page.evaluate(async () => {
      const z = window.zorvane, frame = () => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
      const at = async (ms) => { z.watch.jumpTo(ms); await frame(); return JSON.stringify(z.scene.items); };
      const on = await at(1000), later = await at(1400), back = await at(1000);
      z.watch.pause();  // and on to its end
      return { same: on === back, moved: on !== later };
    });
    check(jumps.same && jumps.moved, 'a jump back shows what playing on to that moment showed', JSON.stringify(jumps));
    await page.waitForFunction(() => !window.zorvane.playing() && !document.getElementById('message').hidden,
      { timeout: 10000 }).catch(() => {});
    const verdict = await page.evaluate(() => document.getElementById('message').textContent);
    const score = String(/currentScore=(\d+)/.exec(lastExpect)[1]).padStart(6, '0');
    check(verdict === `Verified: score ${score}`, 'the link\'s game ends verified, with the score played', verdict);
    // A broken link gets a plain message.
    await page.goto(url + '#r=' + shared.link.split('#r=')[1].slice(0, 40) + '!');
    await page.waitForFunction(() => !document.getElementById('message').hidden, { timeout: 5000 }).catch(() => {});
    const brokenLink = await page.evaluate(() => document.getElementById('message').textContent);
    check(/link .* is broken/.test(brokenLink), 'a broken link gets a plain message', brokenLink);
    await page.close();

    check(errors.length === 0, 'no console errors', errors.join(' | '));

    // A face that cannot be loaded falls back, with one warning, and the page still draws.
    page = await browser.newPage();
    const warnings = [];
    page.on('console', (m) => { if (m.type() === 'warn') warnings.push(m.text()); });
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
    const noWasm = await page.evaluate(() => ({ text: document.getElementById('message').textContent,
      shown: !document.getElementById('message').hidden, canvas: !document.getElementById('game').hidden }));
    check(noWasm.shown && /WebAssembly/.test(noWasm.text) && !noWasm.canvas, 'no WebAssembly: a message instead of the canvas',
      noWasm.text);
    await page.close();
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
