// A game played here, copied as a `#r=` link and opened in a fresh page, plays the same game
// and proves its score. A long link leaves the address before anything listens, and is read
// a slice at a time; a link asks before it replaces the editor's unsaved layouts.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { gameState, gameTimePasses, openGame } from '../support.mjs';

// base64url of the raw-deflated text: a link's fragment, as the page writes one.
const packed = (text) => zlib.deflateRawSync(Buffer.from(text)).toString('base64url');

export default [
  { name: 'a #r= link of a game played verifies, its bar steers it, and a broken one says so', run: async (t) => {
    let page = await openGame(t, '?seed=1');
    const before = JSON.stringify((await gameState(page)).ball);
    await page.keyDown('ArrowRight');
    await page.waitFor((b) => JSON.stringify(window.zorvane.gameState().ball) !== b, before);
    await page.keyUp('ArrowRight');
    await gameTimePasses(page, 1000);
    await page.press('KeyP');
    await page.waitFor(() => window.zorvane.gameState().pause);
    const shared = await page.evaluate(async () => ({ ...(await window.zorvane.shareLink()), text: window.zorvane.recordingText() }));
    await page.close();
    const lastExpect = shared.text.trim().split('\n').pop();
    t.check(/^# Super Zorvane! \d+\.\d+ recording, \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC: /.test(shared.text) &&
      /^expect t=\d+ currentScore=\d+ /.test(lastExpect) && /#r=[A-Za-z0-9_-]+$/.test(shared.link),
      'the page records the game, ending with an expect line, and makes a link', `${shared.text.slice(0, 80)} ... ${lastExpect}`);
    if (!shared.link) return;
    page = await openGame(t, shared.link);
    // However long a loaded machine takes to start the page, the link's game is paused the
    // moment it plays: the wait is for that state, bounded only against a page that never starts.
    t.check(await page.waitFor(() => window.zorvane.game && window.zorvane.watch && window.zorvane.playing() &&
      (window.zorvane.watch.pause(), true), null, 60000), 'opening the link plays the game');
    // The bar's controls are the game's own watch controls (tested in C++): wired, and shown.
    const wired = await page.evaluate(async () => {
      const z = window.zorvane, frame = () => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)));
      document.getElementById('watch-faster').click();
      document.getElementById('watch-back').click();
      await frame();
      const shown = [document.getElementById('watch-speed').textContent, document.getElementById('watch-pause').textContent, z.game._zvNow()];
      z.watch.faster(false);
      return shown;
    });
    t.check(wired[0] === '2\u00d7' && wired[1] === 'Play' && wired[2] === 0, 'the bar steers the recording', wired.join(' | '));
    // Hidden, the watched game stands still, past the moment it would have woken; shown, it goes on.
    const away = await page.evaluate(async () => {
      const z = window.zorvane, g = z.game;
      const hide = (hidden) => {
        Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
        document.dispatchEvent(new Event('visibilitychange'));
      };
      const from = performance.now();
      z.watch.pause();  // playing on
      const due = g._zvNextWake(performance.now());
      const hiddenAt = performance.now();
      hide(true);
      const t0 = g._zvNow();
      const away = Math.max(due, hiddenAt) + 200;
      await new Promise((r) => (function past() { if (performance.now() > away) setTimeout(r); else setTimeout(past, 10); })());
      const t1 = g._zvNow();
      const shown = performance.now();
      hide(false);
      await new Promise((r) => (function moved() { if (g._zvNow() > t1) r(); else setTimeout(moved, 5); })());
      // The time away (200 ms or more) is not played: the game has moved on only by the time
      // it was shown, and a step of the recording's.
      const t2 = g._zvNow(), shownFor = hiddenAt - from + performance.now() - shown;
      return [t0 === t1 && due >= 0 && t2 <= shownFor + 20, `woken at ${due}, ${t0} ${t1} ${t2} (${Math.round(shownFor)} ms shown)`];
    });
    t.check(away[0], 'a hidden page stands a watched recording still', away[1]);
    await page.waitFor(() => !window.zorvane.playing() && !document.getElementById('message').hidden, null, 60000);
    const verdict = await page.evaluate(() => document.getElementById('message-text').textContent);
    const score = String(/currentScore=(\d+)/.exec(lastExpect)[1]).padStart(6, '0');
    t.check(verdict === `Verified: score ${score}`, 'the link\'s game ends verified, with the score played', verdict);
    await page.goto(t.url + '#r=' + shared.link.split('#r=')[1].slice(0, 40) + '!');
    await page.waitFor(() => !document.getElementById('message').hidden, null, 20000);
    const broken = await page.evaluate(() => document.getElementById('message-text').textContent);
    t.check(/link .* is broken/.test(broken), 'a broken link gets a plain message', broken);
  } },
  // While the address holds a long fragment, each addEventListener takes seconds in some
  // engines: the fragment leaves it first. The link is decoded a slice at a time, and the
  // page's timers run between the slices. (A script before the page's own needs puppeteer.)
  { name: 'a long link leaves the address before anything listens, and is read in slices while the page answers',
    cannot: { webkit: 'WebKitWebDriver runs no script before the page\'s own' }, run: async (t) => {
    const page = await t.newPage();
    await page.raw.evaluateOnNewDocument(() => {
      const seen = window.linkSeen = { fragments: [], longestDecode: 0, ticksWhileReading: 0, ready: false };
      const add = EventTarget.prototype.addEventListener;
      EventTarget.prototype.addEventListener = function (type, ...rest) {
        if (window.zorvaneLinks) seen.fragments.push(location.hash.length);  // the page's own (the test server's hook comes first)
        return add.call(this, type, ...rest);
      };
      const decode = window.atob;
      window.atob = (text) => ((seen.longestDecode = Math.max(seen.longestDecode, String(text).length)), decode(text));
      add.call(window, 'zorvane-ready', () => { seen.ready = true; });
      (function tick() {
        if (seen.ready && !window.zorvane.opened) seen.ticksWhileReading++;
        if (!window.zorvane || !window.zorvane.opened) setTimeout(tick, 1);
      })();
    });
    await page.goto(t.url + '#r=' + packed('wait 0\n'.repeat(600000)));  // 4 MiB of script
    await page.waitFor(() => window.zorvane && window.zorvane.opened > 0, null, 60000);
    const seen = await page.evaluate(() => ({ ...window.linkSeen, hash: location.hash, playing: window.zorvane.game._zvPlaying() }));
    t.check(seen.fragments.length > 0 && Math.max(...seen.fragments) === 0 && seen.hash === '',
      'no fragment is in the address when a listener registers',
      `${seen.fragments.length} listeners, the longest fragment then ${Math.max(...seen.fragments)}, now '${seen.hash.slice(0, 20)}'`);
    t.check(seen.longestDecode > 0 && seen.longestDecode <= 1368 && seen.ticksWhileReading > 1 && seen.playing === 1,
      'the link is decoded in slices, the page\'s timers run while it is read, and it plays',
      `the longest decode ${seen.longestDecode} characters, ${seen.ticksWhileReading} timers while reading, playing ${seen.playing}`);
  } },
  { name: 'a link asks before it replaces the editor\'s unsaved layouts, and kept they stay', run: async (t) => {
    const page = await openGame(t, '?seed=1');
    await page.evaluate(() => {
      window.asked = [];
      window.confirm = (question) => (window.asked.push(question), false);  // the player keeps them
      document.getElementById('make').click();
    });
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1);
    await page.evaluate(() => { const g = window.zorvane.game; g._zvKeyDown(32); g._zvKeyUp(32); });  // Space paints
    const link = 'r=' + packed(fs.readFileSync(path.join(t.scripts, 'serve.txt'), 'utf8'));
    await page.evaluate((fragment) => { location.hash = fragment; }, link);
    // The question, or (the fault) the editor gone without one.
    await page.waitFor(() => window.asked.length > 0 || window.zorvane.game._zvEditorMode() !== 1, null, 20000);
    const state = await page.evaluate(() => [window.asked, window.zorvane.game._zvEditorMode(), window.zorvane.game._zvUnsaved(), location.hash]);
    t.check(state[0].length === 1 && state[1] === 1 && state[2] === 1 && state[3] === '',
      'the link asks, and the editor stays with its layouts', JSON.stringify(state));
  } },
];
