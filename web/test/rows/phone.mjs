// A player's session as on a phone: touch, focus, a hidden tab, a gamepad, fullscreen, the
// bar's sizes for fingers; and the page's fallbacks (a missing face, no WebAssembly, no
// JavaScript). These drive Chromium's own emulation (touch screens, pixel ratios, requests).
import { bar, fitCanvas, gameState, gameTimePasses, nextFrames, openGame, pauseCentre } from '../support.mjs';
import { noTouch } from './editor.mjs';

const emulated = { firefox: 'the page\'s own script, tested once through Chromium\'s emulation of phones and networks', webkit: noTouch };

// A new game, its ball on the paddle: a row that steers starts with every life, so that a
// loaded machine, on which the game plays on for longer between the test's looks, never
// meets Game Over on the way.
const freshGame = (page) => page.evaluate(() => window.zorvane.playRecordingNow('fresh.replay', 'seed 1\n'));

// The sub-rows of the session, run in order on one page: [what, (page, t) => ok or [ok, detail]].
const session = [
  ['Fullscreen puts the picture alone on the whole screen, as large as it fits', async (page) => {
    await page.raw.click('#fullscreen');
    await page.waitFor(() => document.fullscreenElement, null, 5000);
    await nextFrames(page);
    const r = await page.evaluate(() => [document.fullscreenElement?.id, document.getElementById('game').getBoundingClientRect().height,
      window.innerHeight, window.zorvane.painted, document.getElementById('game').getBoundingClientRect().width, window.innerWidth]);
    await page.evaluate(() => document.exitFullscreen());
    await page.waitFor(() => !document.fullscreenElement && document.getElementById('game').clientHeight === 489);
    return [r[0] === 'stage' && (Math.abs(r[1] - r[2]) < 1 || Math.abs(r[4] - r[5]) < 1), r.join(' | ')];
  }],
  ['the recording button is reachable with Tab, outside the picture', async (page) => {
    for (let i = 0; i < 8 && await page.evaluate(() => document.activeElement.id) !== 'recording'; i++) await page.press('Tab');
    return page.evaluate(() => document.activeElement.id === 'recording' && document.elementFromPoint(40, 476).id === 'game');
  }],
  ['a hidden page advances no timer past its next wake-up, and goes on when shown', (page) => page.evaluate(async () => {
    const g = window.zorvane.game;
    const hide = (hidden) => {
      Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
      document.dispatchEvent(new Event('visibilitychange'));
    };
    const due = g._zvNextWake(performance.now());
    hide(true);
    const t0 = g._zvNow();
    await new Promise((r) => (function past() { if (performance.now() > due + 50) setTimeout(r); else setTimeout(past, 10); })());
    const t1 = g._zvNow();
    hide(false);
    await new Promise((r) => (function moved() { if (g._zvNow() > t1) r(); else setTimeout(moved, 5); })());
    return [due >= 0 && t1 === t0, `woken at ${due}; ${t0} ${t1} ${g._zvNow()}`];
  })],
  ['a held key is released on blur', async (page, t) => {
    await freshGame(page);
    const from = await t.paddle();
    await page.keyDown('ArrowLeft');
    await page.waitFor((from) => { const [l, , w] = window.zorvane.gameState().paddle; return (l + w / 2) / 15 < from; }, from);
    await page.evaluate(() => window.dispatchEvent(new Event('blur')));
    const at = await t.paddle(), still = await t.still();
    await page.keyUp('ArrowLeft');
    return [at < from && still, `${from} → ${at}, still ${still}`];
  }],
  ['a virtual gamepad steers, and stops when let go', async (page, t) => {
    await freshGame(page);
    const pad = (right) => page.evaluate((right) => {
      const buttons = Array.from({ length: 17 }, (_, i) => ({ pressed: right && i === 15, value: right && i === 15 ? 1 : 0 }));
      navigator.getGamepads = () => [{ index: 0, connected: true, mapping: 'standard', buttons, axes: [0, 0, 0, 0] }];
    }, right);
    const from = await t.paddle();
    await pad(true);
    // Read by the page (gamepad.js keeps what it handed the game), and well right of the
    // wall, for the touch that follows.
    const moved = await page.waitFor(() => pads.seen.get(0)?.buttons === 1 << 15) &&
      await page.waitFor((from) => { const [l, , w] = window.zorvane.gameState().paddle; return (l + w / 2) / 15 > from + 100; }, from);
    await pad(false);
    await page.waitFor(() => pads.seen.get(0)?.buttons === 0);
    const still = await t.still();
    return [moved && still, `from ${from} to ${await t.paddle()}, still ${still}`];
  }],
  ['a touch held at the left of the paddle moves it left and stops near the finger', async (page, t) => {
    await freshGame(page);
    const from = await t.paddle(), finger = from - 100, step = 2 * (await gameState(page)).baseSpeed / 15;
    await page.touch.start(finger, 400);
    await page.waitFor(([finger, step]) => { const [l, , w] = window.zorvane.gameState().paddle; return Math.abs((l + w / 2) / 15 - finger) <= step + 1; },
      [finger, step]);
    await gameTimePasses(page, 100);  // its last step to the finger
    const at = await t.paddle(), still = await t.still();
    await page.touch.end();
    return [at < from && still && Math.abs(at - finger) <= step + 1, `finger at ${finger}, paddle ${from} → ${at}${still ? ', still' : ', moving'}`];
  }],
  ['a tap on the page\'s Pause pauses as P does, and a tap on the game\'s Pause resumes', async (page) => {
    const r = await page.evaluate(() => document.getElementById('pause').getBoundingClientRect().toJSON());
    await page.touch.tap(r.x + r.width / 2, r.y + r.height / 2);
    const paused = await page.waitFor(() => window.zorvane.gameState().pause);
    const offered = await page.evaluate(() => !document.getElementById('pause').disabled);
    const recorded = await page.evaluate(() => window.zorvane.recordingText());
    await page.touch.tap(...pauseCentre);
    const resumed = await page.waitFor(() => !window.zorvane.gameState().pause);
    return [paused && !offered && /\ndown 80\nup 80\n/.test(recorded) && resumed,
      `paused ${paused}, offered while paused ${offered}, resumed ${resumed}, recorded ${recorded.slice(-120)}`];
  }],
  ['a finger held through a lost ball steers the new ball, and serves it', async (page, t) => {
    // The player takes over 400 ms before the ball is lost, far right of the paddle's reach,
    // and holds a finger at the far left: the paddle runs left; then the new ball on the
    // recentred paddle is steered (and served) by the finger still down.
    const lost = t.gameOver.split('\n').slice(0, 7).join('\n') + '\nwait 900\n';
    await page.evaluate((s) => window.zorvane.playRecordingNow('lost.replay', s), lost);
    await page.touch.start(30, 300);
    await page.waitFor(() => window.zorvane.gameState().livesLeft === 2);
    const rest = await t.paddle();
    const steered = await page.waitFor((rest) => {
      const s = window.zorvane.gameState(), [l, , w] = s.paddle;
      return (l + w / 2) / 15 < rest - 50 && s.ballVelocityY !== 0;
    }, rest);
    const s = await gameState(page), at = await t.paddle();
    await page.touch.end();
    return [steered && s.livesLeft === 2, `lives ${s.livesLeft}, paddle ${rest} → ${at}, ball ${s.ball}`];
  }],
  ['a touch tap on Game Over restarts; Game Over and the score are said', async (page, t) => {
    await page.evaluate((s) => window.zorvane.playRecordingNow('gameover.replay', s), t.gameOver);
    const over = (await gameState(page)).gameover;
    const said = await page.evaluate(() => [document.getElementById('said').textContent,
      document.getElementById('said').getAttribute('aria-live'), document.getElementById('game').getAttribute('aria-label')]);
    const score = (await gameState(page)).currentScore;
    await page.touch.tap(...pauseCentre);
    await page.waitFor(() => !window.zorvane.gameState().gameover);
    const s = await gameState(page);
    return [over && !s.gameover && s.livesLeft === 3 && said[0] === `Game over. Score ${score}.` && said[1] === 'polite' &&
      new RegExp(`^Score ${score}, high score \\d+, 0 lives, \\d+ bricks left\\.$`).test(said[2]), said.join(' | ')];
  }],
  ['for fingers, at 390x844, 844x390 and 320x640, every control of the bar is inside the screen and 44 px or more', async (page) => {
    const wrong = [];
    for (const [width, height] of [[390, 844], [844, 390], [320, 640]]) {
      await page.raw.setViewport({ width, height, deviceScaleFactor: 3, hasTouch: true });
      await nextFrames(page);
      wrong.push(...await page.evaluate(() => [...document.querySelectorAll('#bar button, #bar input')]
        .filter((c) => c.getClientRects().length)
        .map((c) => [c.id, c.getBoundingClientRect()])
        .filter(([, r]) => r.left < 0 || r.top < 0 || r.right > innerWidth || r.bottom > innerHeight || r.height < 44 || r.width < 44)
        .map(([id, r]) => `${innerWidth}x${innerHeight} ${id} ${Math.round(r.left)},${Math.round(r.top)} ${Math.round(r.width)}x${Math.round(r.height)}`)));
    }
    await page.setSize(568, 489 + bar);
    await fitCanvas(page);
    return [wrong.length === 0 && await page.evaluate(() => document.querySelectorAll('#bar button:not([hidden])').length >= 5), wrong.join('; ')];
  }],
];

export default [
  { name: 'a player\'s session as on a phone', cannot: emulated, run: async (t) => {
    const page = await openGame(t, '?seed=1');
    const paddle = async () => { const [left, , width] = (await gameState(page)).paddle; return (left + width / 2) / 15; };
    // The paddle stands still: the same at three looks 70 and 80 ms of game time apart.
    const still = async () => {
      const at = await paddle();
      await gameTimePasses(page, 70);
      const next = await paddle();
      await gameTimePasses(page, 80);
      return next === at && await paddle() === at;
    };
    for (const [what, run] of session) {
      const [ok, detail] = [await run(page, { ...t, paddle, still }).catch((e) => [false, e.message])].flat();
      t.check(ok, what, detail);
    }
    const errors = await page.errors();
    t.check(errors.length === 0, 'no console errors in the session', errors.join(' | '));
  } },
  { name: 'a face that cannot be loaded falls back, with one warning, and the page still draws',
    errorsExpected: true,
    cannot: { firefox: 'requests are held back through Chromium\'s interception', webkit: 'WebKitWebDriver cannot hold back a request' }, run: async (t) => {
      const page = (await t.newPage()).raw, warnings = [];
      page.on('console', (m) => { if (m.type() === 'warn') warnings.push(m.text()); });
      await page.setBypassServiceWorker(true);  // the fonts come from the network, not the kept site
      await page.setRequestInterception(true);
      page.on('request', (r) => (/impact|lucida/.test(r.url()) ? r.abort() : r.continue()));
      await page.goto(t.url + '?hold&seed=1');
      const drew = await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 60000 }).then(() => true, () => false);
      return [drew && warnings.length === 1 && /fonts not loaded/.test(warnings[0]), warnings.join(' | ')];
    } },
  { name: 'without WebAssembly a message stands instead of the canvas, and without JavaScript a legible one',
    cannot: { firefox: 'WebAssembly and JavaScript are taken away through Chromium\'s own switches', webkit: 'WebKitWebDriver cannot take WebAssembly or JavaScript away' }, run: async (t) => {
      const page = (await t.newPage()).raw;
      await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
      await page.goto(t.url);
      const noWasm = await page.evaluate(() => ({ text: document.getElementById('message-text').textContent,
        shown: !document.getElementById('message').hidden, canvas: !document.getElementById('game').hidden }));
      t.check(noWasm.shown && /WebAssembly/.test(noWasm.text) && !noWasm.canvas, 'no WebAssembly: a message instead of the canvas', noWasm.text);
      await page.setJavaScriptEnabled(false);
      await page.goto(t.url);
      const noScript = await page.evaluate(() => {
        const p = document.querySelector('noscript p'), r = p && p.getBoundingClientRect();
        return p && r.height > 0 && getComputedStyle(p).color === 'rgb(255, 255, 255)' && p.textContent;
      });
      t.check(/JavaScript/.test(noScript), 'JavaScript off: a message, white on black', String(noScript));
    } },
];
