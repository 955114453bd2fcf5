// Layouts made by touch in the editor: a colour chosen, a row painted by a drag, tried (a
// fresh game on that layout alone) and back; then its link, opened in a new page, plays on
// that layout.
import { gameState, openGame } from '../support.mjs';

export const noTouch = 'WebKitWebDriver delivers touch actions as mouse events';

export default [
  { name: 'layouts made by touch in the editor: painted, tried, and linked', cannot: { webkit: noTouch }, run: async (t) => {
    let page = await openGame(t, '?seed=1');
    await page.evaluate(() => document.getElementById('make').click());
    await page.waitFor(() => window.zorvane.game._zvEditorMode() === 1 && window.zorvane.settled());
    const rect = await page.evaluate(() => { const r = document.getElementById('game').getBoundingClientRect(); return [r.x, r.y, r.width]; });
    const at = (x, y) => [rect[0] + x / 12840 * rect[2], rect[1] + y / 12840 * rect[2]];  // window units to the page's pixels
    const cell = (x) => at(120 + (x + 0.5) * 414.75, 1560 + 2.5 * 226.2);
    await page.touch.tap(...at(8700 + 4 * 450 + 210, 880 + 135));  // the swatch of code 5
    await page.touch.start(...cell(0));
    for (let x = 1; x <= 5; x++) await page.touch.move(...cell(x));
    await page.touch.end();
    const painted = await page.waitFor(() => document.title.endsWith('Layout 1 of 1: 6 bricks, 6 to clear (unsaved)'));
    const made = await page.evaluate(() => document.title);
    t.check(painted, 'a drag by touch paints a row of bricks', made);
    await page.touch.tap(...at(120 + 665, 520 + 200));  // Try it
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
];
