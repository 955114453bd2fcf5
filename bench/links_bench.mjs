// The page with the longest links and files, for docs/performance.md: each case in a fresh
// headless chromium, from navigation until the page has opened the link or file (played or
// refused it) and a second has passed: the renderer's peak resident memory (VmHWM of its
// /proc/PID/status) and the page's longest task (a PerformanceObserver's long tasks), beside
// a plain page load. Targets: under 300 MiB, and no task over 100 ms beyond the plain load's.
// Usage: node bench/links_bench.mjs SITE_DIR [CASE...]   (every case by default)
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const puppeteer = createRequire(path.join(here, '..', 'web', 'test', 'package.json'))('puppeteer-core');
const site = path.resolve(process.argv[2] || 'build/web/site');
const chosen = process.argv.slice(3);
const mib = 1 << 20, bound = 64 * mib;  // the longest script

// The scripts: the longest recording of `wait 0` lines, one line of spaces as long, and
// layout lines (more than the 100 a file may hold) packed into a link of about 1 MiB.
const waits = () => 'wait 0\n'.repeat(Math.floor(bound / 7));
const spaces = () => ' '.repeat(bound - 1) + '\n';
const rands = () => 'rand' + ' 0'.repeat(bound / 2 - 3) + '\n';
const ups = () => 'up 1\n'.repeat(Math.floor(bound / 5));
const halves = () => 'rand' + ' .5'.repeat(Math.floor((bound - 6) / 3)) + '\n';
// Two hours of waiting after a long rand line: watched, then jumped to its end (a snapshot every 10 s).
const watched = () => 'rand' + ' .5'.repeat(Math.floor((bound - 16384) / 3)) + '\n' + 'wait 10000\n'.repeat(720);
function layouts() {
  let seed = 1, text = '';
  const digit = () => ((seed = (seed * 1103515245 + 12345) >>> 0) >>> 16) % 10;
  while (text.length < 1.3 * mib) text += 'layout' + Array.from({ length: 10 }, () => ' ' + Array.from({ length: 40 }, digit).join('')).join('') + '\n';
  return text;
}
const link = (text) => 'r=' + zlib.deflateRawSync(Buffer.from(text), { level: 9 }).toString('base64url');
const cases = [
  { name: 'plain', what: 'a plain page load' },
  { name: 'wait-link', what: 'a link of 64 MiB of `wait 0` lines', fragment: () => link(waits()) },
  { name: 'spaces-link', what: 'a link of one 64 MiB line of spaces', fragment: () => link(spaces()) },
  { name: 'rand-link', what: 'a link of one 64 MiB `rand 0 0 …` line', fragment: () => link(rands()) },
  { name: 'ups-link', what: 'a link of 64 MiB of `up 1` lines', fragment: () => link(ups()) },
  { name: 'halves-link', what: 'a link of one 64 MiB `rand .5 .5 …` line', fragment: () => link(halves()) },
  { name: 'jumped-link', what: 'a link of a 64 MiB `rand .5 …` line and two hours of waits, jumped to its end', fragment: () => link(watched()), jump: true },
  { name: 'layouts-link', what: 'a link of about 1 MiB of layout lines', fragment: () => link(layouts()) },
  { name: 'wait-file', what: 'a file of 64 MiB of `wait 0` lines, opened', file: waits },
  { name: 'spaces-file', what: 'a file of one 64 MiB line of spaces, opened', file: spaces },
].filter((c) => !chosen.length || chosen.includes(c.name));

const server = spawn(process.execPath, [path.join(here, '..', 'web', 'serve.mjs'), site, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const url = await new Promise((resolve) => server.stdout.on('data', (d) => {
  const m = /http:\/\/127\.0\.0\.1:\d+\//.exec(String(d));
  if (m) resolve(m[0]);
}));
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'zorvane-links-bench-'));
const peakOf = (pid) => Number(/VmHWM:\s*(\d+)/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'))?.[1] || 0) * 1024;
try {
  let plainTask = 0;
  for (const c of cases) {
    const browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium', userDataDir: fs.mkdtempSync(path.join(work, 'profile-')),
      headless: true, args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    try {
      const page = await browser.newPage();
      await page.setViewport({ width: 568, height: 521, deviceScaleFactor: 1 });
      await page.evaluateOnNewDocument(() => {
        window.longTasks = [];
        new PerformanceObserver((list) => { for (const e of list.getEntries()) window.longTasks.push(Math.round(e.duration)); })
          .observe({ type: 'longtask', buffered: true });
      });
      const started = Date.now();
      await page.goto(url + '?seed=1' + (c.fragment ? '#' + c.fragment() : ''), { timeout: 120000 });
      await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 120000, polling: 50 });
      if (c.file) {
        const file = path.join(work, `${c.name}.zrec`);
        fs.writeFileSync(file, c.file());
        await (await page.$('#file')).uploadFile(file);
      }
      // Looked at every 100 ms from here (a wait in the page would outlast the protocol's patience).
      while ((c.file || c.fragment) && !(await page.evaluate(() => window.zorvane.opened))) {
        if (Date.now() - started > 600000) throw new Error(`${c.name}: not opened in 600 s`);
        await new Promise((r) => setTimeout(r, 100));
      }
      const opened = (Date.now() - started) / 1000;
      if (c.jump) {
        await page.evaluate(() => window.zorvane.game._zvJumpTo(window.zorvane.game._zvPlayLength()));
        while (await page.evaluate(() => window.zorvane.game._zvPlaying() === 1)) {
          if (Date.now() - started > 1200000) throw new Error(`${c.name}: not at its end in 1200 s`);
          await new Promise((r) => setTimeout(r, 100));
        }
      }
      await new Promise((r) => setTimeout(r, 1000));
      const [tasks, message, playing, wasm] = await page.evaluate(() => [window.longTasks,
        document.getElementById('message').hidden ? '' : document.getElementById('message-text').textContent,
        window.zorvane.game._zvPlaying(), window.zorvane.game.HEAPU8.length]);
      const cdp = await browser.target().createCDPSession();
      const renderers = (await cdp.send('SystemInfo.getProcessInfo')).processInfo.filter((p) => p.type === 'renderer');
      const peak = Math.max(...renderers.map((p) => peakOf(p.id)));
      const longest = Math.max(0, ...tasks);
      if (c.name === 'plain') plainTask = longest;
      console.log(`${c.what}: renderer peak ${(peak / mib).toFixed(0)} MiB (the game's memory ${(wasm / mib).toFixed(0)} MiB); longest task ${longest} ms` +
        (c.name === 'plain' ? '' : ` (${longest - plainTask >= 0 ? '+' : ''}${longest - plainTask} ms beside the plain load)`) +
        `; opened in ${opened.toFixed(1)} s, ${playing ? 'playing' : 'not playing'}${message ? `, "${message.slice(0, 90)}"` : ''}`);
    } finally {
      await browser.close();
    }
  }
} finally {
  server.kill();
  fs.rmSync(work, { recursive: true, force: true });
}
