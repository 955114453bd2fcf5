// Layouts made by touch in the editor: a colour chosen, a row painted by a drag, tried (a
// fresh game on that layout alone) and back; then its link, opened in a new page, plays on
// that layout. And the same by a finger on a phone held upright, where the editor lays
// itself out for the finger.
import { gameState, openGame } from '../support.mjs';

export const noTouch = 'WebKitWebDriver delivers touch actions as mouse events';

// The editor's targets by name ("try", "code 5", "cell": the first cell), in CSS pixels of the page.
const targetsOf = async (page) => new Map(await page.evaluate(() => {
  const c = document.getElementById('game'), r = c.getBoundingClientRect(), k = r.width / c.width;
  return window.zorvane.editorTargets().map(([what, x, y, w, h]) => [what, { x: r.x + x * k, y: r.y + y * k, w: w * k, h: h * k }]);
}));
const middle = (b) => [b.x + b.w / 2, b.y + b.h / 2];

// A finger's walk through the editor on a phone held upright (390 × 844 at 3 pixels to a CSS
// pixel): thirty bricks in three codes by taps and drags, a drag undone whole and done again,
// tried and back, and a link copied. Every target the finger hits is measured from the
// editor's own geometry (zvEditorTargets): at least 44 × 44 CSS pixels, a cell 24 tall.
async function fingerWalk(t) {
  const page = await openGame(t, '?seed=1');
  await page.raw.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, hasTouch: true, isMobile: true });
  const tapPage = async (id) => {
    const r = await page.evaluate((id) => document.getElementById(id).getBoundingClientRect().toJSON(), id);
    await page.touch.tap(r.x + r.width / 2, r.y + r.height / 2);
  };
  await tapPage('make');
  const upright = await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1 && window.zorvane.settled() &&
    window.zorvane.editorTargets().some(([what]) => what === 'codes-one-hit'));
  t.check(upright, 'the editor lays itself out upright', await page.evaluate(() => `${innerWidth}x${innerHeight}, canvas ${window.zorvane.painted}`));
  if (!upright) return;
  const targets = () => targetsOf(page);
  let boxes = await targets();
  const cell0 = boxes.get('cell'), small = new Set();
  const measure = (what, b) => {
    if (what === 'cell' ? b.h < 24 : b.w < 44 || b.h < 44) small.add(`${what} ${b.w.toFixed(1)}x${b.h.toFixed(1)}`);
    return b;
  };
  const hit = (what) => measure(what, boxes.get(what));
  const cellAt = (x, y) => { hit('cell'); return [cell0.x + (x + 0.5) * cell0.w, cell0.y + (y + 0.5) * cell0.h]; };
  const tap = async (what) => {
    await page.touch.tap(...middle(hit(what)));
    boxes = await targets();  // a group chosen shows other swatches
  };
  const drag = async (row) => {
    await page.touch.start(...cellAt(0, row));
    for (let x = 1; x < 10; x++) await page.touch.move(...cellAt(x, row));
    await page.touch.end();
  };
  const bricks = (n) => page.waitFor((n) => document.title.includes(`: ${n} bricks, `), n);
  await tap('codes-one-hit');
  await tap('code 5');
  await drag(0);
  await tap('codes-2-4');
  await tap('code 30');
  await drag(1);
  const dragged = await bricks(20);
  await tap('undo');
  const undone = await bricks(10);
  await tap('redo');
  await bricks(20);
  await tap('codes-special');
  await tap('code 80');
  for (let x = 0; x < 10; x++) await page.touch.tap(...cellAt(x, 3));
  const made = await bricks(30), title = await page.evaluate(() => document.title);
  t.check(dragged && undone && made, 'thirty bricks in three codes by taps and drags, a drag undone whole', title);
  await tap('try');
  const tried = await page.waitFor(() => window.zorvane.game._zvEditorMode() === 2) && await gameState(page);
  await tapPage('make');  // Back to the editor
  const back = await page.waitFor((title) => window.zorvane.game._zvEditorMode() === 1 && document.title === title, title);
  t.check(tried && tried.layoutCount === 1 && back, 'tried alone, and back as it was', `${tried && tried.bricksLeft} | ${await page.evaluate(() => document.title)}`);
  await tapPage('link');
  const linked = await page.waitFor(() => /link/.test(document.getElementById('message-text').textContent));
  const link = await page.evaluate(async () => (await window.zorvane.shareLink()).link);
  t.check(linked && /#r=[A-Za-z0-9_-]+$/.test(link), 'a link copied', await page.evaluate(() => document.getElementById('message-text').textContent));
  // Every target the finger hit, and every one it could.
  const all = await targets();
  for (const [what, b] of all) measure(what, b);
  t.check(small.size === 0 && all.size > 20, `${all.size} targets, at least 44 x 44 CSS pixels, a cell ${cell0.w.toFixed(1)} x ${cell0.h.toFixed(1)}`, [...small].join(', '));
}

export default [
  { name: 'layouts made by touch in the editor: painted, tried, and linked', cannot: { webkit: noTouch }, run: async (t) => {
    let page = await openGame(t, '?seed=1');
    await page.evaluate(() => document.getElementById('make').click());
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1 && window.zorvane.settled());
    const boxes = await targetsOf(page);
    const rect = await page.evaluate(() => { const r = document.getElementById('game').getBoundingClientRect(); return [r.x, r.y, r.width]; });
    // A cell where the game draws its brick (window units to the page's pixels), not where the editor says it is.
    const cell = (x) => [rect[0] + (120 + (x + 0.5) * 414.75) / 12840 * rect[2], rect[1] + (1560 + 2.5 * 226.2) / 12840 * rect[2]];
    await page.touch.tap(...middle(boxes.get('code 5')));
    await page.touch.start(...cell(0));
    for (let x = 1; x <= 5; x++) await page.touch.move(...cell(x));
    await page.touch.end();
    const painted = await page.waitFor(() => document.title.endsWith('Layout 1 of 1: 6 bricks, 6 to clear (unsaved)'));
    const made = await page.evaluate(() => document.title);
    t.check(painted, 'a drag by touch paints a row of bricks', made);
    await page.touch.tap(...middle(boxes.get('try')));
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 2);
    const tried = await gameState(page);
    t.check(tried.layoutCount === 1 && tried.bricksLeft === 6, 'Try it plays the layout alone', `${tried.layoutCount} ${tried.bricksLeft}`);
    await page.evaluate(() => document.getElementById('make').click());  // Back to the editor
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1);
    const back = await page.evaluate(async () => [window.zorvane.game._zvEditorMode(), document.title, await window.zorvane.shareLink()]);
    t.check(back[0] === 1 && back[1] === made && /#r=[A-Za-z0-9_-]+$/.test(back[2].link), 'back in the editor as it was, and a link',
      `${back[0]} | ${back[1]} | ${back[2].link || back[2].why}`);
    await page.close();
    if (!back[2].link) return;
    page = await openGame(t, back[2].link);
    await page.waitFor(() => window.zorvane.gameState().layoutCount === 1);
    const linked = await page.evaluate(() => [document.title, window.zorvane.gameState()]);
    t.check(linked[0] === 'Super Zorvane! \u2014 your own layouts from link' && linked[1].bricksLeft === 6 && linked[1].layoutCount === 1,
      'the link plays on the layout made', `${linked[0]} | ${linked[1].bricksLeft}`);
  } },
  { name: 'a finger makes layouts on a phone held upright', run: fingerWalk,
    cannot: { firefox: 'phones are emulated through Chromium\'s own emulation (touch, pixel ratio, a coarse pointer)', webkit: noTouch } },
];
