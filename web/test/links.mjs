// Checks of how the page takes links, for the browser test to import and run on each engine:
//   await linkChecks({ browser, url, openPage, check, link })
// `openPage(browser, url, errors)` opens the page and waits for its first frame; `check(ok,
// what, detail)` counts one check; `link` is a working '#r=...' fragment of a short game.
import zlib from 'node:zlib';

// base64url of the raw-deflated text: a link's fragment, as the page writes one.
export const packed = (text) => zlib.deflateRawSync(Buffer.from(text)).toString('base64url');

export async function linkChecks({ browser, url, openPage, check, link }) {
  // Every listener registers with no fragment left in the address (a long one there makes
  // each registration take seconds), and the link is still read.
  const long = 'r=' + packed('wait 0\n'.repeat(600000));  // ~4 MiB of script in a long link
  let page = await browser.newPage();
  await page.evaluateOnNewDocument(() => {
    window.fragmentsSeen = [];
    window.longestDecode = 0;
    const add = EventTarget.prototype.addEventListener;
    EventTarget.prototype.addEventListener = function (type, ...rest) {
      window.fragmentsSeen.push(location.hash.length);
      return add.call(this, type, ...rest);
    };
    const decode = window.atob;
    window.atob = (text) => ((window.longestDecode = Math.max(window.longestDecode, String(text).length)), decode(text));
  });
  await page.goto(url + '#' + long);
  await page.waitForFunction(() => window.zorvane && window.zorvane.game && window.zorvane.game._zvPlaying() === 1,
    { timeout: 20000 }).catch(() => {});
  const seen = await page.evaluate(() => [window.fragmentsSeen.length, Math.max(0, ...window.fragmentsSeen),
    location.hash, window.longestDecode, window.zorvane.game._zvPlaying()]);
  check(seen[0] > 0 && seen[1] === 0 && seen[2] === '', 'no fragment is in the address when a listener registers',
    `${seen[0]} listeners, the longest fragment then ${seen[1]}, now '${seen[2].slice(0, 20)}'`);
  // Decoded a slice at a time: no one decode of the whole link.
  check(seen[3] > 0 && seen[3] <= 1368 && seen[4] === 1, 'a long link is decoded in slices and plays',
    `the longest decode ${seen[3]} characters, playing ${seen[4]}`);
  await page.close();

  // A link that arrives while the editor holds unsaved layouts asks first; kept, the editor stays.
  page = await openPage(browser, url + '?seed=1', []);
  const asked = [];
  let answered;
  const question = new Promise((resolve) => { answered = resolve; });
  page.on('dialog', (d) => { asked.push(d.message()); d.dismiss(); answered(); });
  await page.evaluate(() => document.getElementById('make').click());
  await page.waitForFunction(() => window.zorvane.game._zvEditorMode() === 1, { timeout: 5000 });
  await page.evaluate(() => { const g = window.zorvane.game; g._zvKeyDown(32); g._zvKeyUp(32); });  // Space paints
  await page.evaluate((fragment) => { location.hash = fragment; }, link);
  // The question, or (the fault) the editor gone without one.
  await Promise.race([question, page.waitForFunction(() => window.zorvane.game._zvEditorMode() !== 1, { timeout: 20000 })
    .catch(() => {})]);
  const state = await page.evaluate(() => [window.zorvane.game._zvEditorMode(), window.zorvane.game._zvUnsaved(), location.hash]);
  check(asked.length === 1 && state[0] === 1 && state[1] === 1 && state[2] === '',
    'a link asks before it replaces unsaved layouts, and kept they stay', `${asked.join(' / ')} ${state}`);
  await page.close();
}
