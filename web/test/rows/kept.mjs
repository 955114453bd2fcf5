// The page a phone player keeps: the bar's controls stay where the finger left them, and a
// reload brings the game (or the editor's unsaved layouts) back as it was. Rows of the
// browser tests: { name, run(t) }, `t.check(ok, what, detail)` for each check; `t.newPage()`
// a page of the tests' driver (goto, reload, evaluate, waitFor, setSize, press, touch).
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

// A page of the game at a phone's size, every part of its first picture shown.
async function phonePage(t, address) {
  const page = await t.newPage();
  await page.setSize(390, 844);
  await page.goto(t.url + address);
  if (!await page.waitFor(() => window.zorvane && window.zorvane.frames > 0 && window.zorvane.settled(), null, 60000)) {
    throw new Error('the page never drew');
  }
  return page;
}
// Every shown control of the bar: its id, whether it is enabled, and its box.
const controls = (page) => page.evaluate(() => [...document.querySelectorAll('#bar button, #bar input')]
  .filter((c) => c.getClientRects().length)
  .map((c) => { const r = c.getBoundingClientRect(); return `${c.id} ${r.x},${r.y} ${r.width}x${r.height}`; }).join('; '));
const enabled = (page, id) => page.evaluate((id) => !document.getElementById(id).disabled, id);
const centreOf = (page, id) => page.evaluate((id) => {
  const r = document.getElementById(id).getBoundingClientRect();
  return [r.x + r.width / 2, r.y + r.height / 2];
}, id);
// The game's own Pause button (and Game Over's) at the centre of its box, in the page's pixels.
const gameButton = (page) => page.evaluate(() => {
  const r = document.getElementById('game').getBoundingClientRect(), scale = r.width / 8520;
  return [r.x + (3360 + 2415 / 2) * scale, r.y + (2880 + 1455 / 2) * scale];
});
// A recording played to its end at once, and the bar as it is after it (the watch controls gone).
async function playedNow(page, name, script) {
  await page.evaluate((name, script) => window.zorvane.playRecordingNow(name, script), name, script);
  await page.waitFor(() => document.getElementById('watch').hidden && window.zorvane.settled(), null, 20000);
}
const paused = (page, want) => page.waitFor((want) => window.zorvane.gameState().pause === want, want, 10000);
// The keys of an expect line and their values.
const expected = (line) => Object.fromEntries(line.replace(/^expect /, '').trim().split(' ').map((w) => w.split('=')).map(([k, v]) => [k, Number(v)]));
const hide = (page) => page.evaluate(() => {
  Object.defineProperty(document, 'hidden', { value: true, configurable: true });
  document.dispatchEvent(new Event('visibilitychange'));
});

// Taps and the page's leave dialog are driven through Chromium's emulation of a phone.
const cannot = { firefox: 'taps through Chromium\'s emulation of a touch screen', webkit: 'WebKitWebDriver has no touch' };

export default [
  { name: 'the bar\'s controls stay put through play, pause and Game Over', cannot, run: async (t) => {
    const page = await phonePage(t, '?seed=1');
    const seen = [['at start', await controls(page)]];
    await playedNow(page, 'mid.replay', t.midGame);  // ends paused
    seen.push(['paused', await controls(page)]);
    t.check(!await enabled(page, 'pause'), 'Pause is disabled in its place while paused');
    // Pause and play on twice by the bar and the game's own button: a second tap where Pause
    // was presses nothing else.
    let round = 0;
    for (; round < 2; round++) {
      await page.touch.tap(...await gameButton(page));
      if (!await paused(page, false)) break;
      seen.push(['playing', await controls(page)]);
      const at = await centreOf(page, 'pause');
      await page.touch.tap(...at);
      if (!await paused(page, true)) break;
      await page.touch.tap(...at);
      const under = await page.evaluate(([x, y]) => document.elementFromPoint(x, y).id, at);
      if (under !== 'pause' || !(await page.evaluate(() => window.zorvane.gameState().pause))) break;
    }
    t.check(round === 2, 'Pause and play on twice by the bar, a second tap on the disabled Pause doing nothing', `rounds ${round}`);
    await playedNow(page, 'gameover.replay', t.gameOver);
    t.check((await page.evaluate(() => window.zorvane.gameState())).gameover, 'Game Over shows');
    seen.push(['Game Over', await controls(page)]);
    const moved = seen.filter(([, c]) => c !== seen[0][1]);
    return [moved.length === 0, moved.length ? `${seen[0][0]}: ${seen[0][1]} | ${moved.map((m) => m.join(': ')).join(' | ')}` : seen[0][1]];
  } },

  { name: 'a reload mid-game brings the game back, paused, and the recording goes on as it would', cannot, run: async (t) => {
    const page = await phonePage(t, '?seed=1');
    await page.evaluate((s) => window.zorvane.playRecordingNow('mid.replay', s), t.midGame);
    await paused(page, true);  // as the recording ended
    await page.touch.tap(...await gameButton(page));  // on, by the game's own Pause button
    await paused(page, false);
    await page.evaluate(() => new Promise((r) => setTimeout(r, 300)));  // a little more play, at the page's own pace
    await page.reload();
    const back = await page.waitFor(() => window.zorvane && window.zorvane.resumed !== undefined, null, 60000);
    const r = await page.evaluate(() => ({ resumed: window.zorvane.resumed, shown: document.getElementById('message-text').textContent,
      said: document.getElementById('said').textContent, kept: sessionStorage.getItem('zorvane game'), state: window.zorvane.gameState() }));
    const closing = expected(r.kept.trim().split('\n').pop());
    const differ = Object.keys(closing).filter((k) => k !== 't' && r.state[k] !== closing[k]);
    t.check(back && r.resumed && r.shown === 'Your game is back' && r.said.trim() === 'Your game is back',
      'the game is back, said and shown', `${r.resumed} | ${r.shown} | ${r.said}`);
    t.check(r.state.pause && differ.length === 0 && closing.currentScore > 0, 'the same score, lives, high score and field, paused',
      differ.map((k) => `${k} ${r.state[k]} against ${closing[k]}`).join(', ') || `score ${closing.currentScore}`);
    // Played on by the game's own Pause button: the new recording, the kept game's and what
    // followed, replays to the same game in the native replay tool.
    await page.touch.tap(...await gameButton(page));
    await paused(page, false);
    await page.evaluate(() => new Promise((r) => setTimeout(r, 200)));
    const recording = await page.evaluate(() => window.zorvane.recordingText());
    const file = path.join(t.work, 'resumed.zrec');
    fs.writeFileSync(file, recording);
    const replayed = spawnSync(t.nativeReplay, ['--quiet', file], { encoding: 'utf8' });
    const pauses = (text) => text.split('\ndown 80\nup 80\n').length;
    t.check(replayed.status === 0 && pauses(recording) === pauses(r.kept) + 1,
      'the recording goes on from the kept game, its P, and replays verified', `${replayed.status} ${replayed.stderr.trim()}`);
  } },

  { name: 'a kept game that misses its closing expect line is dropped with a word, and a new game begins', cannot, run: async (t) => {
    const page = await phonePage(t, '?seed=1');
    await page.evaluate((s) => window.zorvane.playRecordingNow('mid.replay', s), t.midGame);
    await hide(page);  // the page keeps the game as it hides
    const tampered = await page.evaluate(() => {
      const kept = sessionStorage.getItem('zorvane game');
      const changed = kept.replace(/(\nexpect [^\n]*currentScore=)(\d+)([^\n]*\n?)$/, (m, head, n, end) => `${head}${Number(n) + 10}${end}`);
      sessionStorage.setItem('zorvane game', changed);
      window.zorvane.resuming = true;  // as it unloads, the page keeps nothing more
      return changed !== kept;
    });
    await page.reload();
    await page.waitFor(() => window.zorvane && window.zorvane.resumed !== undefined, null, 60000);
    const r = await page.evaluate(() => [window.zorvane.resumed, document.getElementById('message-text').textContent,
      window.zorvane.gameState().currentScore, sessionStorage.getItem('zorvane game')]);
    return [tampered && r[0] === false && /could not be brought back/.test(r[1]) && r[2] === 0 && r[3] === null, r.join(' | ')];
  } },

  { name: 'the editor\'s unsaved layouts come back after a reload', cannot, run: async (t) => {
    const page = await phonePage(t, '?seed=1');
    await page.evaluate(() => document.getElementById('make').click());
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1);
    for (const key of ['Space', 'ArrowRight', 'Space', 'ArrowDown', 'Space']) await page.press(key);
    const made = await page.evaluate(() => document.title);
    page.raw?.on('dialog', (d) => d.accept());  // leaving unsaved layouts is asked first
    await page.reload();
    await page.waitFor(() => window.zorvane && window.zorvane.resumed !== undefined, null, 60000);
    const r = await page.evaluate(() => [window.zorvane.resumed, window.zorvane.game._zvEditorMode(), document.title]);
    t.check(/3 bricks, 3 to clear \(unsaved\)$/.test(made) && r[0] && r[1] === 1 && r[2] === made, 'back as they were', `${made} | ${r.join(' | ')}`);
    // A screen reader hears the editor, not the game: the layout, the code chosen, Try it and back.
    const heard = [];
    const hear = async () => heard.push(await page.evaluate(() => [document.getElementById('game').getAttribute('aria-label'),
      document.getElementById('said').textContent.trim()].join(' / ')));
    await hear();
    for (const key of ['KeyT', 'Escape']) {
      await page.press(key);
      await page.waitFor((key) => window.zorvane.game._zvEditorMode() === (key === 'KeyT' ? 2 : 1) && window.zorvane.settled(), key);
      await hear();
    }
    const label = 'Layout 1 of 1: 3 bricks, 3 to clear. Chosen: code 1, ';
    t.check(heard[0].startsWith(label) && /^Trying the layout/.test(heard[1].split(' / ')[1]) &&
      heard[2].startsWith(label) && heard[2].split(' / ')[1].startsWith(`Back in the editor. ${label}`), 'a screen reader hears the editor',
      heard.join(' | '));
    // Tab leaves the picture for the page's buttons (Save layouts, Copy a link, Leave), choosing no code.
    const focused = new Set();
    for (let i = 0; i < 8; i++) {
      await page.press('Tab');
      focused.add(await page.evaluate(() => document.activeElement.textContent));
    }
    const chosen = await page.evaluate(() => /Chosen: code 1,/.test(document.getElementById('game').getAttribute('aria-label')));
    return [['Save layouts', 'Copy a link', 'Leave the editor'].every((b) => focused.has(b)) && chosen, [...focused].join(', ')];
  } },
];
