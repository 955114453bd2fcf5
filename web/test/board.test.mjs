// The page served by the board of proven scores, in Debian's headless chromium: a player
// plays, posts the game and sees its rank; a second browser sees the same list and watches
// the game from it; the page served without a board shows no trace of one. Usage:
//   node board.test.mjs SITE_DIR BOARD_EXE
// Exit status 0 when every check passes, 1 when one fails.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const [site, boardExe] = process.argv.slice(2).map((a) => a && path.resolve(a));
if (!site || !boardExe) {
  console.error('usage: node board.test.mjs SITE_DIR BOARD_EXE');
  process.exit(2);
}
const here = path.dirname(fileURLToPath(import.meta.url));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zorvane-board-page-'));
let failures = 0;
function check(ok, what, detail = '') {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${detail ? `: ${detail}` : ''}`);
  if (!ok) failures++;
}

// A server that says where it listens on its first line: the board, or the plain page's.
function start(command, args) {
  return new Promise((resolve, reject) => {
    const server = spawn(command, args, { stdio: ['ignore', 'pipe', 'inherit'] });
    server.stdout.on('data', (d) => {
      const m = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(String(d));
      if (m) resolve({ server, url: m[0] });
    });
    server.on('exit', (code) => reject(new Error(`${path.basename(command)} stopped (${code})`)));
  });
}

// A page of the board, ready (its buttons answer) and drawn; the name a post asks for is given
// at once. With `late`, its board script comes only once the game is ready, as a slow network
// may bring it: the board's buttons must answer all the same.
async function open(browser, url, late = false) {
  const page = await browser.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  await page.setViewport({ width: 800, height: 700 });
  await page.evaluateOnNewDocument(() => { window.prompt = () => 'Ann <b>'; });
  if (late) {
    await page.setRequestInterception(true);
    page.on('request', async (request) => {
      if (request.url().endsWith('/board.js')) {
        await page.waitForFunction(() => window.zorvane?.ready, { timeout: 120000 }).catch(() => {});
      }
      request.continue();
    });
  }
  await page.goto(url);
  await page.waitForFunction(() => window.zorvane.ready && window.zorvane.frames > 0, { timeout: 120000 });
  return { page, errors };
}
const message = (page) => page.evaluate(() => document.getElementById('message-text').textContent);
const shown = (page, id) => page.evaluate((i) => !document.getElementById(i).hidden, id);

const board = await start(boardExe, ['--listen', '127.0.0.1:0', '--db', `sqlite:${work}/board.sqlite`, '--site', site]);
const plain = await start(process.execPath, [path.join(here, '..', 'serve.mjs'), site, '0']);
const launch = () => puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
  userDataDir: fs.mkdtempSync(path.join(work, 'profile-')),
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-sync'],
});
const first = await launch(), second = await launch();
try {
  // Served without a board: no button, no request.
  {
    const { page } = await open(first, plain.url);
    check(!(await shown(page, 'post')) && !(await shown(page, 'board')) && !(await page.$('#board-view')),
      'the page served without a board shows no trace of one');
    await page.close();
  }

  // A player plays a little, posts the game under a name and reads its rank.
  const { page, errors } = await open(first, board.url);
  check(await shown(page, 'post') && await shown(page, 'board'), 'the board\'s page shows Post and The board');
  await page.keyboard.down('ArrowRight');
  await page.waitForFunction(() => window.zorvane.gameState().t > 3000, { timeout: 120000 });
  await page.keyboard.up('ArrowRight');
  await page.$eval('#post', (b) => b.click());
  await page.waitForFunction(() => /^(Verified|Not)/.test(document.getElementById('message-text').textContent), { timeout: 120000 });
  check(await message(page) === 'Verified and listed: #1 of 1', 'a posted game is verified and listed', await message(page));
  await page.$eval('#post', (b) => b.click());
  await page.waitForFunction(() => /^(Already|Verified|Not)/.test(document.getElementById('message-text').textContent), { timeout: 120000 });
  check(/^(Already listed .*|Verified and listed): #\d of [12]$/.test(await message(page)), 'posted again, it says where it stands',
    await message(page));

  // A second browser reads the same list, the name as text, and watches the game from it.
  const other = await open(second, board.url, true);
  await other.page.$eval('#board', (b) => b.click());
  // The list, or the panel's word of why there is none: a loaded machine may take its time.
  await other.page.waitForFunction(() => document.querySelector('#board-view table a') ||
    /cannot be read|No game/.test(document.getElementById('board-view').textContent), { timeout: 120000 });
  const row = await other.page.evaluate(() => document.querySelectorAll('#board-view tr')[1]?.textContent ??
    document.getElementById('board-view').textContent);
  check(row.startsWith('1Ann <b>'), 'the second browser lists the game, the name as text', row);
  await other.page.$eval('#board-view table a', (a) => a.click());
  await other.page.waitForFunction(() => window.zorvane.playing(), { timeout: 120000 });
  check(/^#g=[0-9a-f]{32}$/.test(await other.page.evaluate(() => location.hash)), 'Watch plays the listed game');
  check(errors.length + other.errors.length === 0, 'no error on either page', [...errors, ...other.errors].join('; '));
} catch (e) {
  check(false, 'the board\'s page', e.stack);
} finally {
  await first.close();
  await second.close();
  board.server.kill('SIGTERM');
  plain.server.kill('SIGTERM');
  fs.rmSync(work, { recursive: true, force: true });
}
console.log(failures ? `${failures} failed` : 'every check passed');
process.exit(failures ? 1 : 0);
