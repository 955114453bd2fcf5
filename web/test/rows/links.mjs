// A game played here, copied as a `#r=` link and opened in a fresh page, plays the same game
// and proves its score.
import { gameState, gameTimePasses, openGame } from '../support.mjs';

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
    t.check(/^# Super Zorvane! 1\.0 recording, \d{4}-\d\d-\d\d \d\d:\d\d:\d\d UTC: /.test(shared.text) &&
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
];
