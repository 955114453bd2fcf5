// The page starts, and plays by key and by a click on the picture's own button.
import { gameState, openGame, pauseCentre } from '../support.mjs';

// Errors heard so far, once `page.errors()` has had the chance to hear one planted after the
// page's own: a channel that hears nothing cannot pass the row.
async function errorsWithPlanted(page) {
  await page.evaluate(() => { setTimeout(() => { throw new Error('planted by the test'); }); });
  let errors = [];
  for (let tries = 0; tries < 500 && !errors.some((e) => /planted by the test/.test(e)); tries++) {
    await page.evaluate(() => new Promise((r) => setTimeout(r)));
    errors = await page.errors();
  }
  return errors;
}

export default [
  { name: 'the page starts with no console error (and its channel hears one planted)', errorsExpected: true, run: async (t) => {
    const page = await openGame(t, '?seed=1');
    const title = await page.evaluate(() => document.title);
    const errors = await errorsWithPlanted(page), planted = errors.filter((e) => /planted by the test/.test(e));
    return [title === 'Super Zorvane!' && planted.length === 1 && errors.length === 1, `${title} | ${errors.join(' | ')}`];
  } },
  { name: 'keys play: Right serves, the ball moves, and the patches leave the canvas the game\'s picture', run: async (t) => {
    const page = await openGame(t, '?seed=1');
    const before = (await gameState(page)).ball;
    await page.keyDown('ArrowRight');
    const served = await page.waitFor((b) => JSON.stringify(window.zorvane.gameState().ball) !== b, JSON.stringify(before));
    await page.keyUp('ArrowRight');
    // Five frames, each compared once its patches are copied.
    let differing = 0, frames = 0;
    for (let i = 0; i < 5; i++) {
      const r = await page.evaluate((last) => new Promise((done) => requestAnimationFrame(function compare() {
        if (window.zorvane.framePending || window.zorvane.frames <= last) return requestAnimationFrame(compare);
        const g = window.zorvane.game, canvas = document.getElementById('game');
        const shown = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        const painted = g.HEAPU8.subarray(g._zvPixels(), g._zvPixels() + shown.length);
        let differ = 0;
        for (let k = 0; k < shown.length; k++) differ += shown[k] !== painted[k];
        done({ frames: window.zorvane.frames, differ });
      })), frames);
      frames = r.frames;
      differing += r.differ;
    }
    const after = (await gameState(page)).ball;
    // The score on request, in the live region (every sentence it takes is heard: on a loaded
    // machine the ball may be lost, and said so, before the test looks).
    await page.evaluate(() => {
      const live = document.getElementById('said');
      window.heard = [];
      new MutationObserver(() => window.heard.push(live.textContent)).observe(live, { childList: true, characterData: true, subtree: true });
    });
    await page.keyDown('KeyS');
    await page.keyUp('KeyS');
    const said = await page.waitFor(() => window.heard.some((s) => /^Score \d+\./.test(s)));
    const seen = await page.evaluate(() => [document.hidden ? 'hidden' : 'shown', document.hasFocus() ? 'focused' : 'not focused',
      document.getElementById('said').textContent]);
    return [served && said && differing === 0,
      `ball ${before} → ${after}; ${differing} bytes differ after ${frames} frames; ${seen.join(', ')}`];
  } },
  { name: 'P pauses, the picture\'s Pause button is cyan, and a click on it plays on', run: async (t) => {
    const page = await openGame(t, '?seed=1');
    await page.press('KeyP');
    const paused = await page.waitFor(() => window.zorvane.gameState().pause && window.zorvane.settled());
    const [x, y] = pauseCentre;
    const rgb = await page.evaluate((x, y) => [...document.getElementById('game').getContext('2d')
      .getImageData(Math.floor(x), Math.floor(y) - 20, 1, 1).data.slice(0, 3)], x, y);
    await page.click(x, y);
    const resumed = await page.waitFor(() => !window.zorvane.gameState().pause);
    return [paused && rgb[0] < 40 && rgb[1] > 215 && rgb[2] > 215 && resumed, `paused ${paused}, rgb ${rgb}, resumed ${resumed}`];
  } },
  { name: 'F1 changes the layout, and the browser\'s own action is prevented', run: async (t) => {
    const page = await openGame(t, '?seed=1');
    await page.evaluate(() => {
      window.lastF1 = null;
      window.addEventListener('keydown', (e) => { if (e.code === 'F1') window.lastF1 = e.defaultPrevented; });
    });
    const before = (await gameState(page)).layoutIndex;
    await page.press('F1');
    const changed = await page.waitFor((b) => window.zorvane.gameState().layoutIndex !== b, before);
    const prevented = await page.evaluate(() => window.lastF1);
    return [changed && prevented === true, `layout ${before} → ${(await gameState(page)).layoutIndex}, prevented ${prevented}`];
  } },
];
