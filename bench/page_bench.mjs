// The page's costs, for docs/performance.md: transfer size (gzip -9 of every file),
// navigation to the first frame in a warm headless chromium, the longest tasks on the main
// thread from navigation to a playing game (a PerformanceObserver's long tasks, at desktop
// size and at phone size with pixel ratio 3), chromium's CPU and the frames
// drawn with a ball in play, the frames drawn while nothing changes, and the CPU of a floor
// page beside it (the game's timer rate, one 16 × 16 putImageData each time).
// With --reload FILE (a recording of an hour, as zorvane-reference-hour writes it): a reload
// in the middle of that game at 390 × 844 × 3, the game kept in the tab: from the first
// frame to the game playable again (the page brings it back before its first frame), from
// navigation to the first frame and the main thread's CPU time to it, beside a plain load
// of the same size, and the long tasks meanwhile.
// Usage: node bench/page_bench.mjs SITE_DIR [SECONDS] [--start] [--reload FILE]  (--start: the long tasks only)
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';
import { fileURLToPath } from 'node:url';

const site = path.resolve(process.argv[2] || 'build/web/site');
const seconds = Number(process.argv.slice(3).find((a) => /^\d+$/.test(a)) || 20);
const onlyStart = process.argv.includes('--start');  // the long tasks only
const reloadFile = process.argv.includes('--reload') ? process.argv[process.argv.indexOf('--reload') + 1] : null;
const here = path.dirname(fileURLToPath(import.meta.url));
// puppeteer-core as the browser tests install it.
const puppeteer = createRequire(path.join(here, '..', 'web', 'test', 'package.json'))('puppeteer-core');
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];

// Transfer size: every file the page fetches as web/serve.mjs sends it to a browser that
// accepts Brotli (the build's .br copy, where it wrote one), beside gzip -9 of every file.
let total = 0, served = 0;
const walk = (dir) => {
  for (const e of fs.readdirSync(dir, { withFileTypes: true })) {
    const f = path.join(dir, e.name);
    if (e.isDirectory()) { walk(f); continue; }
    if (/\.(gz|br)$/.test(e.name) || /^screenshot-/.test(e.name)) continue;  // copies; the install dialog's pictures
    const size = zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length;
    const sent = fs.existsSync(`${f}.br`) ? fs.statSync(`${f}.br`).size : fs.statSync(f).size;
    total += size;
    served += sent;
    console.log(`  ${path.relative(site, f).padEnd(22)} ${fs.statSync(f).size} bytes, ${size} gzipped, ${sent} sent`);
  }
};
walk(site);
console.log(`transfer size: ${(served / 1024).toFixed(1)} KiB sent (Brotli copies), ${(total / 1024).toFixed(1)} KiB with gzip -9 of every file`);

const server = spawn(process.execPath, [path.join(here, '..', 'web', 'serve.mjs'), site, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
const url = await new Promise((resolve) => server.stdout.on('data', (d) => {
  const m = /http:\/\/127\.0\.0\.1:\d+\//.exec(String(d));
  if (m) resolve(m[0]);
}));
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zorvane-bench-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium', userDataDir: profile, headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
try {
  // Navigation to the first frame: the page's own clock from navigation start.
  const page = await browser.newPage();
  await page.setViewport({ width: 568, height: 489, deviceScaleFactor: 1 });
  const times = [];
  for (let i = 0; i < 8; i++) {
    await page.goto(url + '?seed=1');
    await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 });
    times.push(await page.evaluate(() => window.zorvane.firstFrameAt));
  }
  const warm = times.slice(1);
  console.log(`navigation to first frame, warm: median ${median(warm).toFixed(0)} ms, ` +
              `${Math.min(...warm).toFixed(0)}–${Math.max(...warm).toFixed(0)} ms (first, cold: ${times[0].toFixed(0)} ms)`);

  // Collects the page's long tasks (over 50 ms) in window.longTasks from its start.
  const watchLongTasks = (p) => p.evaluateOnNewDocument(() => {
    window.longTasks = [];
    new PerformanceObserver((list) => { for (const e of list.getEntries()) window.longTasks.push(Math.round(e.duration)); })
      .observe({ type: 'longtask', buffered: true });
  });
  // Long tasks (over 50 ms) from navigation until the game plays: its first frame shown and
  // a served ball moving, five warm loads at each size.
  const longTasks = async (width, height, ratio, touch) => {
    const p = await browser.newPage();
    await p.setViewport({ width, height, deviceScaleFactor: ratio, hasTouch: touch, isMobile: touch });
    await watchLongTasks(p);
    const runs = [];
    for (let i = 0; i < 6; i++) {
      await p.goto(url + '?seed=1');
      await p.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 });
      await p.keyboard.down('ArrowRight');
      await sleep(100);
      await p.keyboard.up('ArrowRight');
      await p.waitForFunction(() => window.zorvane.frames > 3, { timeout: 20000 });
      await sleep(300);
      runs.push(await p.evaluate(() => window.longTasks));
    }
    await p.close();
    const warm = runs.slice(1), longest = warm.map((r) => Math.max(0, ...r));
    console.log(`long tasks to a playing game at ${width}x${height}, pixel ratio ${ratio}: longest ${Math.max(...longest)} ms ` +
                `(median of 5 warm loads ${median(longest)} ms; their tasks over 50 ms: ${warm.map((r) => `[${r.join(' ')}]`).join(' ')}; ` +
                `cold: [${runs[0].join(' ')}])`);
  };
  if (reloadFile) {
    const text = fs.readFileSync(reloadFile, 'utf8');
    const p = await browser.newPage();
    await p.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, hasTouch: true, isMobile: true });
    await watchLongTasks(p);
    // The CPU time of the page's main thread from navigation to its first frame, from
    // chromium's trace (each task's thread time): a figure the machine's load inflates less.
    const mainThreadCpu = async (load) => {
      await p.tracing.start({ categories: ['disabled-by-default-devtools.timeline', 'blink.user_timing'] });
      await load();
      await p.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 60000 });
      const events = JSON.parse(new TextDecoder().decode(await p.tracing.stop())).traceEvents;
      const start = events.filter((e) => e.name === 'navigationStart' && e.args.data?.documentLoaderURL).pop();
      const end = start.ts + 1000 * await p.evaluate(() => window.zorvane.firstFrameAt);
      return Math.round(events.filter((e) => e.name === 'RunTask' && e.pid === start.pid && e.tid === start.tid &&
        e.ts >= start.ts && e.ts < end).reduce((sum, e) => sum + (e.tdur || 0), 0) / 1000);
    };
    const runs = [];
    for (let i = 0; i < 5; i++) {
      // A plain load at the same size, then a reload with the hour kept in the tab.
      if (i > 0) await p.evaluate(() => { sessionStorage.clear(); window.zorvane.resuming = true; });  // nothing kept as it unloads
      const plainCpu = await mainThreadCpu(() => p.goto(url));
      const plain = await p.evaluate(() => Math.round(window.zorvane.firstFrameAt));
      await p.waitForFunction(() => window.zorvane.resumed !== undefined, { timeout: 60000 });
      await p.evaluate((text) => { sessionStorage.setItem('zorvane game', text); window.zorvane.resuming = true; }, text);
      const cpu = await mainThreadCpu(() => p.reload());
      await p.waitForFunction(() => window.zorvane.resumed !== undefined, { timeout: 60000 });
      runs.push({ plain, plainCpu, cpu, ...await p.evaluate(() => ({ resumed: window.zorvane.resumed,
        first: Math.round(window.zorvane.firstFrameAt), playable: Math.round(window.zorvane.resumedAt), tasks: window.longTasks })) });
    }
    await p.close();
    const list = (f) => runs.map(f).join(', ');
    console.log(`a reload in the middle of the hour (${text.length} bytes), 390x844 pixel ratio 3: ` +
                `${runs.filter((r) => r.resumed).length} of ${runs.length} brought back; first frame to playable ` +
                `${list((r) => `${Math.max(0, r.playable - r.first)} ms`)}; navigation to the first frame ` +
                `${list((r) => r.first)} ms (a plain load beside it: ${list((r) => r.plain)} ms), the main thread's CPU ` +
                `to it ${list((r) => r.cpu)} ms (plain: ${list((r) => r.plainCpu)} ms); ` +
                `tasks over 50 ms: ${runs.map((r) => `[${r.tasks.join(' ')}]`).join(' ')}`);
    if (onlyStart) throw 'done';
  }
  await longTasks(568, 489 + 32, 1, false);
  await longTasks(390, 844, 3, true);
  await longTasks(844, 390, 3, true);
  if (onlyStart) throw 'done';

  // CPU with a ball in play: every chromium process's CPU time over the interval.
  const cdp = await browser.target().createCDPSession();
  // Each process's CPU time; a difference counts only the processes alive at both looks (a
  // page closed before the interval takes its time away with it).
  const cpu = async () => new Map((await cdp.send('SystemInfo.getProcessInfo')).processInfo.map((p) => [p.id, p]));
  const spent = (a, b) => [...b.values()].reduce((sum, p) => {
    const t = a.has(p.id) ? p.cpuTime - a.get(p.id).cpuTime : 0;
    return { all: sum.all + t, renderer: sum.renderer + (p.type === 'renderer' ? t : 0) };
  }, { all: 0, renderer: 0 });
  // Frames while nothing changes: the clock held at the load state.
  await page.goto(url + '?hold&seed=1');
  await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0, { timeout: 20000 });
  const held = await page.evaluate(() => window.zorvane.frames);
  await sleep(2000);
  console.log(`frames drawn in 2 s while nothing changes: ${(await page.evaluate(() => window.zorvane.frames)) - held}`);

  await page.goto(url);
  await page.waitForFunction(() => window.zorvane && window.zorvane.frames > 0);
  const serve = async () => { await page.keyboard.down('ArrowRight'); await sleep(60); await page.keyboard.up('ArrowRight'); };
  await serve();
  await sleep(500);
  const counts = () => page.evaluate(() => [window.zorvane.frames, window.zorvane.changes]);
  const before = await cpu(), t0 = Date.now(), [frames0, changes0] = await counts();
  while (Date.now() - t0 < seconds * 1000) {
    await sleep(1000);
    await serve();  // serves again whenever the ball rests on the paddle; otherwise it steers briefly
  }
  const after = await cpu(), wall = (Date.now() - t0) / 1000;
  const [frames1, changes1] = await counts();
  const used = spent(before, after), game = used.all / wall;
  console.log(`CPU with a ball in play over ${wall.toFixed(0)} s: all chromium processes ${(100 * game).toFixed(1)} % ` +
              `of one core, the page's renderer ${(100 * used.renderer / wall).toFixed(1)} %, ` +
              `${((frames1 - frames0) / wall).toFixed(1)} frames/s for ${((changes1 - changes0) / wall).toFixed(1)} changes/s`);
  await page.close();

  // The floor page: wakes at the game's timer rate in play (the ball and paddle timers every
  // 25 ms, the logo's every 50 ms, due together) and puts one 16 × 16 patch on a canvas.
  const floor = await browser.newPage();
  await floor.setViewport({ width: 568, height: 489, deviceScaleFactor: 1 });
  await floor.setContent(`<canvas id="c" width="568" height="489"></canvas><script>
    const ctx = document.getElementById('c').getContext('2d', { alpha: false });
    const patch = new ImageData(16, 16), start = performance.now();
    let n = 0;
    const tick = () => {
      n++;
      patch.data.fill(n & 255);
      requestAnimationFrame(() => ctx.putImageData(patch, 0, 0));
      setTimeout(tick, Math.max(0, start + 25 * (n + 1) - performance.now()));
    };
    tick();
  </script>`);
  await sleep(500);
  const f0 = await cpu(), ft0 = Date.now();
  await sleep(seconds * 1000);
  const f1 = await cpu(), fwall = (Date.now() - ft0) / 1000;
  const floorCpu = spent(f0, f1).all / fwall;
  console.log(`floor page over ${fwall.toFixed(0)} s: all chromium processes ${(100 * floorCpu).toFixed(1)} % of one core; ` +
              `the game's page costs ${(game / floorCpu).toFixed(2)} times the floor`);
} catch (e) {
  if (e !== 'done') throw e;
} finally {
  await browser.close();
  server.kill();
  fs.rmSync(profile, { recursive: true, force: true });
}
