// After one visit the page plays with no network: its service worker keeps the site.
import { gameState, openGame, serve, stop } from '../support.mjs';

const offlineRows = [
  { name: 'offline after one visit: reloaded with the server stopped, the page draws and serves the ball', run: async (t) => {
    // A server of its own (a new origin): the page's one visit is this row's.
    const { server, url } = await serve(t.site);
    try {
      const page = await openGame({ ...t, url }, '?seed=1');
      const kept = await page.waitFor(() => navigator.serviceWorker.controller, null, 60000) && await page.evaluate(async () => {
        const version = /"version":"(\w+)"/.exec(await (await fetch('sw.js')).text())[1], names = await caches.keys();
        return names.length === 1 && names[0].endsWith(` ${version}`);
      });
      await stop(server);
      await page.reload();
      const drew = await page.waitFor(() => window.zorvane && window.zorvane.frames > 0, null, 60000);
      const ball = drew && JSON.stringify((await gameState(page)).ball);
      await page.keyDown('ArrowRight');
      const served = drew && await page.waitFor((b) => JSON.stringify(window.zorvane.gameState().ball) !== b, ball);
      await page.keyUp('ArrowRight');
      return [kept && served, `one cache of this build ${kept}, drew ${drew}, served ${served}`];
    } finally {
      await stop(server);
    }
  } },
];
export default offlineRows;
offlineRows.push({ name: 'the manifest parses and names the game, with its icons (one maskable) and screenshots', run: async (t) => {
  const page = await openGame(t, '?hold');
  return page.evaluate(async () => {
    const m = await (await fetch('manifest.webmanifest')).json();
    const images = await Promise.all([...m.icons, ...m.screenshots].map((i) => fetch(i.src).then(async (r) => {
      if (!r.ok || r.headers.get('content-type') !== 'image/png') return false;
      const b = await createImageBitmap(await r.blob());
      return i.sizes === `${b.width}x${b.height}`;
    })));
    return m.name === 'Super Zorvane!' && ['standalone', 'fullscreen'].includes(m.display) && m.start_url && m.id &&
      m.icons.map((i) => `${i.sizes} ${i.purpose || 'any'}`).join() === '192x192 any,512x512 any,512x512 maskable' &&
      m.screenshots.map((i) => i.form_factor).join() === 'wide,narrow' && images.every(Boolean);
  });
} });
