// One driver for the browser tests over the three engines' protocols: Chromium over the
// DevTools protocol and Firefox over WebDriver BiDi (both through puppeteer-core, which
// never downloads a browser), and WebKitGTK over classic WebDriver (WebKitWebDriver under a
// private Xvfb, spoken with fetch). Every engine's page offers the same calls:
//   goto(url), reload(), close()
//   evaluate(fn, ...args)        fn runs in the page (it may return a promise); JSON in and out
//   waitFor(fn, arg, timeoutMs)  true once fn(arg) is truthy in the page, false at the timeout
//   setSize(width, height)       the viewport in CSS pixels, at pixel ratio 1
//   keyDown(code), keyUp(code), press(code)   keys by their KeyboardEvent.code
//   click(x, y)                  the mouse's main button at a point of the viewport
//   touch                        tap(x, y), start(x, y), move(x, y), end(); null where the
//                                engine's driver has no touch (WebKitWebDriver's are mouse events)
//   errors()                     console errors and uncaught exceptions so far
//   raw                          puppeteer's page (Chromium and Firefox), for rows of their own
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export const engineNames = ['chromium', 'firefox', 'webkit'];

const binaries = {
  chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  firefox: process.env.FIREFOX || '/usr/bin/firefox-esr',
  webkit: process.env.WEBKIT_WEBDRIVER || '/usr/bin/WebKitWebDriver',
};
const miniBrowser = process.env.WEBKIT_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// Starts an engine with a fresh profile under `work`; throws a plain message when it is missing.
export async function launch(name, work) {
  if (!fs.existsSync(binaries[name])) throw new Error(`${binaries[name]} is missing (scripts/setup.sh installs it)`);
  return name === 'webkit' ? launchWebKit() : launchPuppeteer(name, fs.mkdtempSync(path.join(work, `${name}-`)));
}

// Key values of classic WebDriver for the codes the rows press (letters and digits are themselves).
const webDriverKeys = {
  ArrowLeft: '\uE012', ArrowUp: '\uE013', ArrowRight: '\uE014', ArrowDown: '\uE015', Escape: '\uE00C',
  Tab: '\uE004', Enter: '\uE007', Space: ' ', Backspace: '\uE003', F1: '\uE031', F2: '\uE032',
};
const keyValue = (code) => webDriverKeys[code] ?? (/^(Key|Digit)(.)$/.exec(code)?.[2].toLowerCase() ||
  (() => { throw new Error(`no WebDriver key for ${code}`); })());

async function launchPuppeteer(name, profile) {
  const browser = await puppeteer.launch(name === 'chromium' ? {
    executablePath: binaries.chromium, userDataDir: profile, headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'],
  } : { browser: 'firefox', executablePath: binaries.firefox, userDataDir: profile, headless: true });
  return {
    name, raw: browser,
    async newPage() {
      const page = await browser.newPage(), errors = [];
      await page.bringToFront();  // the keys go to the page in front
      page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
      page.on('pageerror', (e) => errors.push(e.message));
      // Touch needs a touch screen in Chromium's emulation; Firefox takes it as it is.
      const viewport = { deviceScaleFactor: 1, ...(name === 'chromium' ? { hasTouch: true } : {}) };
      return {
        raw: page,
        goto: (url) => page.goto(url).then(() => {}),
        reload: () => page.reload().then(() => {}),
        close: () => page.close(),
        evaluate: (fn, ...args) => page.evaluate(fn, ...args),
        waitFor: (fn, arg, timeout = 20000) => page.waitForFunction(fn, { timeout, polling: 10 }, arg).then(() => true, () => false),
        setSize: (width, height) => page.setViewport({ ...viewport, width, height }),
        keyDown: (code) => page.keyboard.down(code),
        keyUp: (code) => page.keyboard.up(code),
        press: (code) => page.keyboard.press(code),
        click: (x, y) => page.mouse.click(x, y),
        touch: {
          tap: (x, y) => page.touchscreen.tap(x, y),
          start: (x, y) => page.touchscreen.touchStart(x, y),
          move: (x, y) => page.touchscreen.touchMove(x, y),
          end: () => page.touchscreen.touchEnd(),
        },
        errors: async () => errors.slice(),
      };
    },
    close: () => browser.close(),
  };
}

// A child process's first line of output that matches `pattern`, or its exit as an error.
function firstMatch(child, stream, pattern) {
  return new Promise((resolve, reject) => {
    let seen = '';
    stream.on('data', (d) => {
      seen += d;
      const m = pattern.exec(seen);
      if (m) resolve(m);
    });
    child.on('exit', (code) => reject(new Error(`${child.spawnargs[0]} stopped (${code}): ${seen.slice(-300)}`)));
    child.on('error', (e) => reject(new Error(`${child.spawnargs[0]}: ${e.message}`)));
  });
}

// A port no one listens on now.
const freePort = () => new Promise((resolve) => {
  const server = net.createServer().listen(0, '127.0.0.1', () => {
    const { port } = server.address();
    server.close(() => resolve(port));
  });
});

// WebKitGTK: MiniBrowser on a private Xvfb, started and driven by WebKitWebDriver (in its
// automation mode MiniBrowser keeps no profile).
async function launchWebKit() {
  const xvfb = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1920x1200x24', '-nolisten', 'tcp'],
    { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const stopAll = [() => xvfb.kill()];
  try {
    const display = (await firstMatch(xvfb, xvfb.stdio[3], /^(\d+)\n/))[1];
    const port = await freePort();
    const driver = spawn(binaries.webkit, ['--host=127.0.0.1', `--port=${port}`],
      { stdio: ['ignore', 'ignore', 'pipe'], env: { ...process.env, DISPLAY: `:${display}` } });
    stopAll.unshift(() => driver.kill());
    const base = `http://127.0.0.1:${port}`;
    const stopped = new Promise((_, reject) => driver.on('exit', (code) => reject(new Error(`${binaries.webkit} stopped (${code})`))));
    stopped.catch(() => {});
    // Ready once it answers (it says nothing when it listens).
    while (!(await Promise.race([fetch(`${base}/status`).then((r) => r.ok, () => false), stopped]))) await new Promise((r) => setTimeout(r, 50));
    const call = async (method, where, body) => {
      // A browser that never answers fails its row (see the runner) rather than waiting for ever.
      const r = await fetch(base + where, { method, headers: { 'content-type': 'application/json' }, body: body && JSON.stringify(body),
        signal: AbortSignal.timeout(300000) });
      const answer = await r.json();
      if (answer.value && answer.value.error) throw new Error(`WebDriver ${where}: ${answer.value.error}: ${answer.value.message}`);
      return answer.value;
    };
    const session = await call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] } } } });
    const s = `/session/${session.sessionId}`;
    stopAll.unshift(() => call('DELETE', s).catch(() => {}));
    await call('POST', `${s}/timeouts`, { script: 600000, pageLoad: 120000 });
    const home = await call('GET', `${s}/window`);  // kept open: closing the last window ends the session
    return {
      name: 'webkit', raw: null,
      newPage: async () => {
        const handle = (await call('POST', `${s}/window/new`, { type: 'window' })).handle;
        await call('POST', `${s}/window`, { handle });
        return webKitPage(call, s, home);
      },
      close: async () => { for (const stop of stopAll) await stop(); },
    };
  } catch (e) {
    for (const stop of stopAll) await stop();
    throw e;
  }
}

// The page of one WebKit window. WebKitWebDriver has no console channel: the test server puts
// a hook first in the page that keeps every error in window.zorvaneErrors, read before each
// navigation and on request.
function webKitPage(call, s, home) {
  const errors = [];
  const run = async (fn, args) => {
    const r = await call('POST', `${s}/execute/async`, {
      script: `const done = arguments[arguments.length - 1];
        Promise.resolve().then(() => (${fn})(...arguments[0]))
          .then((value) => done({ value: value === undefined ? null : value }), (e) => done({ error: String(e && e.message || e) }));`,
      args: [args] });
    if (r.error !== undefined) throw new Error(r.error);
    return r.value;
  };
  // Polled in the page (a navigation meanwhile ends the script: it is asked again).
  const waitFor = async (fn, arg, timeout = 20000) => {
    const end = Date.now() + timeout;
    for (;;) {
      const left = end - Date.now();
      if (left <= 0) return false;
      const met = await run(`(fn, arg, left) => new Promise((resolve) => {
          const until = performance.now() + left;
          (function poll() {
            let ok = false;
            try { ok = (0, eval)('(' + fn + ')')(arg); } catch {}
            if (ok || performance.now() > until) resolve(!!ok); else setTimeout(poll, 10);
          })();
        })`, [String(fn), arg, left]).catch(() => false);
      if (met) return true;
    }
  };
  const collect = async () => {
    const seen = await run(() => (window.zorvaneErrors || []).splice(0), []).catch(() => []);
    errors.push(...seen);
  };
  const actions = (list) => call('POST', `${s}/actions`, { actions: list });
  // A key the window did not get (on a loaded machine WebKitWebDriver now and then sends one
  // before the new window takes keys) is let go and sent again, and said so.
  const key = async (type, code) => {
    const send = (type) => actions([{ type: 'key', id: 'keys', actions: [{ type, value: keyValue(code) }] }]);
    const count = () => run((type) => {
      if (!window.zorvaneKeys) {
        window.zorvaneKeys = { keydown: 0, keyup: 0 };
        for (const t of ['keydown', 'keyup']) addEventListener(t, () => window.zorvaneKeys[t]++, true);
      }
      return window.zorvaneKeys[type.toLowerCase()];
    }, [type]);
    for (let tries = 0; tries < 3; tries++) {
      const before = await count();
      await send(type);
      if (await waitFor((w) => window.zorvaneKeys[w.type.toLowerCase()] > w.before, { type, before }, 20000)) return;
      console.log(`note [webkit] ${type} ${code} did not reach the page: sent again`);
      if (type === 'keyDown') await send('keyUp');
    }
    throw new Error(`WebKitWebDriver did not deliver ${type} ${code}`);
  };
  return {
    raw: null,
    goto: async (url) => { await collect(); await call('POST', `${s}/url`, { url }); },
    reload: async () => { await collect(); await call('POST', `${s}/refresh`, {}); },
    close: async () => {
      await collect();
      await call('DELETE', `${s}/window`);
      await call('POST', `${s}/window`, { handle: home });
    },
    evaluate: (fn, ...args) => run(fn, args),
    waitFor,
    // The window's size less what its frame takes, until the viewport is the size asked for.
    setSize: async (width, height) => {
      for (let tries = 0; tries < 3; tries++) {
        const [w, h] = await run(() => [innerWidth, innerHeight], []);
        if (w === width && h === height) return;
        const rect = await call('GET', `${s}/window/rect`);
        await call('POST', `${s}/window/rect`, { width: rect.width + width - w, height: rect.height + height - h });
      }
    },
    keyDown: (code) => key('keyDown', code),
    keyUp: (code) => key('keyUp', code),
    press: async (code) => { await key('keyDown', code); await key('keyUp', code); },
    click: (x, y) => actions([{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: [
      { type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' },
      { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }] }]),
    touch: null,
    errors: async () => { await collect(); return errors.slice(); },
  };
}
