// The canvas is the game's own picture, byte for byte: in Chromium the native replay tool's
// (at every size and pixel ratio), and in the other engines Chromium's.
import { canvasPicture, fitCanvas, nextFrames, nativePicture, openGame, pictureDifference } from '../support.mjs';

// Plays a state's script at once, the clock held, and waits for its picture to be shown
// (at scale 1 again, when `fit`: the bar may have grown with the recording's status).
async function playNow(page, script, fit) {
  const played = await page.evaluate((s) => window.zorvane.playRecordingNow('state.replay', s), script);
  await nextFrames(page);
  if (fit) await fitCanvas(page);
  return played && await page.waitFor(() => window.zorvane.settled());
}

export default [
  { name: 'the canvas is Chromium\'s, byte for byte: at load, mid-game, at Game Over and in the editor, side by side and upright', run: async (t) => {
    const states = [['at load', ''], ['mid-game', t.midGame], ['at Game Over', t.gameOver], ['in the editor', null],
      ['in the editor held upright', null]];
    const page = await openGame(t, '?hold&seed=1');
    for (const [what, script] of states) {
      if (script === null) {
        if (what.endsWith('upright')) {
          // A stage of 480 × 640 in every engine, whatever its bar and frame take, and a mouse
          // in every engine (Chromium's touch screen off), so that the editor is laid out alike.
          const size = (w, h) => (t.engine === 'chromium' ? page.raw.setViewport({ width: w, height: h }) : page.setSize(w, h));
          await size(480, 740);
          await page.waitFor(() => document.getElementById('stage').clientHeight > document.getElementById('stage').clientWidth);
          const [w, h, vw, vh] = await page.evaluate(() => [document.getElementById('stage').clientWidth,
            document.getElementById('stage').clientHeight, innerWidth, innerHeight]);
          await size(vw + 480 - w, vh + 640 - h);
          // Chromium reloads a page whose touch screen goes: the editor is opened again.
          await page.waitFor(() => window.zorvane && window.zorvane.frames > 0, null, 60000);
          await page.evaluate(() => window.zorvane.game._zvEditorMode() === 1 || document.getElementById('make').click());
        } else await page.evaluate(() => document.getElementById('make').click());
        const shown = await page.waitFor((upright) => window.zorvane.game._zvEditorMode() === 1 && window.zorvane.settled() &&
          window.zorvane.editorTargets().some(([what]) => what === 'codes-one-hit') === upright &&
          window.zorvane.painted === `${document.getElementById('game').width}x${document.getElementById('game').height}` &&
          (!upright || window.zorvane.painted === '480x640'), what.endsWith('upright'));
        if (!shown) t.check(false, `${what}: shown`, await page.evaluate(() => window.zorvane.painted));
      } else if (script && !await playNow(page, script, true)) {
        t.check(false, `${what}: played`);
        continue;
      }
      const mine = await canvasPicture(page);
      if (t.engine === 'chromium') {
        t.reference.set(what, mine);
        if (script !== null) {
          const differs = pictureDifference(mine, nativePicture(t, script, mine.width, mine.height));
          t.check(!differs, `${what}: the native picture`, differs);
        }
        t.check(mine.hashes.length > 0, `${what}: kept as the other engines' reference`, `${mine.width}x${mine.height}`);
      } else {
        const theirs = t.reference.get(what) ?? (script !== null && nativePicture(t, script, mine.width, mine.height));
        const differs = theirs ? pictureDifference(mine, theirs) : 'no picture of Chromium\'s to compare (run it with chromium)';
        t.check(!differs, `${what}: ${t.reference.has(what) ? 'Chromium\'s picture' : 'the native picture'}`, differs);
      }
    }
    // With the clock held nothing changes: five frames later no frame has been drawn.
    const frames = await page.evaluate(() => window.zorvane.frames);
    for (let i = 0; i < 5; i++) await nextFrames(page);
    t.check(await page.evaluate(() => window.zorvane.frames) === frames, 'with the clock held no frame is drawn');
  } },
  { name: 'at every size and pixel ratio the canvas is the native picture',
    cannot: { firefox: 'Chromium\'s pictures are the native ones at these sizes; the engines are compared at one', webkit: 'WebKitWebDriver sets no pixel ratio' },
    run: async (t) => {
      const page = await t.newPage();
      for (const [width, height, ratio] of [[700, 600, 1], [1920, 1080, 1], [1920, 1080, 2]]) {
        await page.raw.setViewport({ width, height, deviceScaleFactor: ratio });
        await page.goto(t.url + '?hold&seed=1');
        await page.waitFor(() => window.zorvane && window.zorvane.settled(), null, 60000);
        for (const [what, script] of [['the load state', ''], ['mid-game', t.midGame], ['game over', t.gameOver]]) {
          if (script && !await playNow(page, script, false)) t.check(false, `${what}: played`);
          const mine = await canvasPicture(page), differs = pictureDifference(mine, nativePicture(t, script, mine.width, mine.height));
          t.check(!differs, `${what} at ${width}x${height}, pixel ratio ${ratio}`, differs);
        }
      }
    } },
];
