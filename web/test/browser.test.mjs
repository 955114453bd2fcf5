// The page in real browsers: Debian's chromium, firefox-esr and WebKitGTK, each on the page
// served from 127.0.0.1, through one driver (engines.mjs). The rows are in rows/*.mjs, listed
// in rows/index.mjs; each runs in every engine, unless it says why an engine cannot do it.
// Usage:
//   node browser.test.mjs SITE_DIR NATIVE_REPLAY SCRIPTS_DIR [ENGINE...]
// ENGINE: chromium, firefox, webkit (all three by default). Every line names its engine;
// exit status 0 when every check passes, 1 when one fails.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { engineNames, launch } from './engines.mjs';
import rows from './rows/index.mjs';
import { fixtures, serve, stop } from './support.mjs';

const [site, nativeReplay, scripts] = process.argv.slice(2, 5).map((a) => a && path.resolve(a));
const engines = process.argv.slice(5);
if (!site || !nativeReplay || !scripts || engines.some((e) => !engineNames.includes(e))) {
  console.error(`usage: node browser.test.mjs SITE_DIR NATIVE_REPLAY SCRIPTS_DIR [${engineNames.join('|')}...]`);
  process.exit(2);
}
if (!engines.length) engines.push(...engineNames);

const failed = {};
function check(engine, ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} [${engine}] ${what}${detail ? `: ${String(detail).replace(/[^\x20-\x7e\u00a0-\u2fff]/g, '?')}` : ''}`);
  if (!ok) failed[engine] = (failed[engine] || 0) + 1;
}
// A row that hangs (a driver that no longer answers) fails by itself instead of the whole run.
const rowLimitMs = 240000;

// One row in one engine: its pages are closed after it, whatever it did.
async function runRow(row, t, browser) {
  const pages = [], opened = [];
  const context = {
    ...t,
    check: (ok, what, detail) => check(t.engine, ok, `${row.name}: ${what}`, detail),
    newPage: async () => {
      const page = await browser.newPage(), close = page.close;
      pages.push(page);
      opened.push(page);
      page.close = () => (pages.splice(pages.indexOf(page), 1), close());
      return page;
    },
  };
  let limit;
  const result = await Promise.race([row.run(context),
    new Promise((_, reject) => { limit = setTimeout(() => reject(new Error(`no end after ${rowLimitMs / 1000} s`)), rowLimitMs); })])
    .catch((e) => [false, e.message]).finally(() => clearTimeout(limit));
  for (const page of pages.slice()) await page.close().catch(() => {});
  // No row's page may log an error, unless the row expects one (and checks it itself).
  const errors = (await Promise.all(opened.map((page) => page.errors().catch(() => [])))).flat();
  if (errors.length && !row.errorsExpected) check(t.engine, false, `${row.name}: no console errors`, errors.join(' | '));
  if (result !== undefined) check(t.engine, ...[result].flat().slice(0, 1), row.name, [result].flat()[1]);
}

async function main() {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zorvane-browser-'));
  const { server, url } = await serve(site);
  // Shared by every engine: the server, the native replay tool, and Chromium's pictures
  // (`reference`), which the other engines' canvases must equal.
  const shared = { url, site, nativeReplay, scripts, work, server, reference: new Map(), ...fixtures(scripts) };
  try {
    for (const row of rows.filter((r) => r.once)) await runRow(row, { ...shared, engine: 'server' }, null);
    for (const engine of engines) {
      const started = Date.now();
      let browser;
      try {
        browser = await launch(engine, work);
      } catch (e) {
        check(engine, false, 'the browser starts', e.message);
        continue;
      }
      try {
        for (const row of rows.filter((r) => !r.once)) {
          const cannot = row.cannot?.[engine];
          if (cannot) console.log(`skip [${engine}] ${row.name}: ${cannot}`);
          else await runRow(row, { ...shared, engine }, browser);
        }
      } finally {
        await browser.close().catch(() => {});
      }
      console.log(`     [${engine}] ${Math.round((Date.now() - started) / 1000)} s`);
    }
  } finally {
    await stop(server);
    fs.rmSync(work, { recursive: true, force: true });
  }
  const names = Object.keys(failed);
  console.log(names.length ? `checks failed in ${names.map((e) => `${e} (${failed[e]})`).join(', ')}` : 'every check passed');
  process.exit(names.length ? 1 : 0);
}

main().catch((e) => {
  console.error(e);
  process.exit(1);
});
