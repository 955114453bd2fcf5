// Super Zorvane! in a browser: a thin host for the game, which is the same C++ core as the
// desktop window compiled to WebAssembly (zorvane.js, zorvane.wasm) and paints its own
// picture. The page copies the patches that changed onto the canvas, and feeds the game
// keys, clicks, pointers (web/pointer.js), gamepads (web/gamepad.js) and time; it plays
// recordings and shows messages. A service worker keeps the site for playing offline.
'use strict';

const canvas = document.getElementById('game');
const ctx = canvas.getContext('2d', { alpha: false });
const messageBox = document.getElementById('message');
const state = {
  game: null, hold: false, frames: 0, firstFrameAt: 0,
  pending: [], framePending: false, painting: 0, timer: 0, image: null, changes: 0, hiddenAt: -1,
};
window.zorvane = state;  // for the tests: frames drawn, pictures that changed, time of the first frame
// Runs `f` once the game is ready, or at once if it is: the page's other scripts are parsed
// after this one, and may come after the game is ready when the network is slow.
state.whenReady = (f) => (state.ready ? f() : window.addEventListener('zorvane-ready', f, { once: true }));
state.opened = 0;  // for the tests: files and links opened so far, whether played or refused

// The game's own controls of the bar, shown from the start so that nothing moves as it
// starts (nor as it plays, pauses or ends: a control that does not apply is disabled in its
// place): hidden when it cannot start.
function cannotPlay() {
  for (const id of ['pause', 'share']) document.getElementById(id).hidden = true;
}

function showMessage(text) {
  document.getElementById('message-text').textContent = text;
  messageBox.hidden = !text;
}

// Canvas pixels follow the window's size times devicePixelRatio, so that text stays crisp.
// The game is told the ratio and whether the pointer is a finger: the editor's targets are
// made large enough for it.
const coarse = window.matchMedia('(pointer: coarse)');
function resize() {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(canvas.clientWidth * ratio)), h = Math.max(1, Math.round(canvas.clientHeight * ratio));
  if (canvas.width !== w || canvas.height !== h) {
    canvas.width = w;
    canvas.height = h;
  }
  state.game._zvPointerKind(canvas.clientWidth ? w / canvas.clientWidth : ratio, coarse.matches ? 1 : 0);
}

// The game paints into its own memory; what changed is copied to the canvas at the next
// animation frame, and a frame is asked for only then. A large picture (the first one, or
// a new size) is painted a part a task, and copied once it is whole: each copy to a canvas
// of a phone's size costs the browser tens of milliseconds, however small the patch.
function paint() {
  const g = state.game;
  if (state.resuming) return;  // the picture waits for the kept game
  resize();
  const n = g._zvPaint(canvas.width, canvas.height);
  if (n > 0) {
    state.changes++;
    state.painted = `${canvas.width}x${canvas.height}`;
    const at = g._zvPatches() >> 2;
    for (let i = 0; i < n; i++) state.pending.push(g.HEAP32.subarray(at + 4 * i, at + 4 * i + 4).slice());
    // Many changes before one frame (a hidden tab shows none): copy the whole canvas once.
    if (state.pending.length > 32) state.pending = [[0, 0, canvas.width, canvas.height]];
  }
  clearTimeout(state.painting);
  if (g._zvPaintBehind()) {
    state.painting = setTimeout(paint);
  } else if (state.pending.length && !state.framePending) {
    state.framePending = true;
    requestAnimationFrame(show);
  }
  const title = g._zvTitle();
  if (title) document.title = g.UTF8ToString(title);
  editorMode();
  const status = g.UTF8ToString(g._zvStatus());
  const line = document.getElementById('status');
  if (line.textContent !== status) line.textContent = status;
  tell();
}

// The layout editor's mode (0 none, 1 editing, 2 a layout tried) shapes the stage and the bar:
// the editor's wider picture, "Make layouts" becoming the way out of the editor (Leave, as
// the editor's own) and back from a layout tried, and
// Save and Copy a link taking the layout file. The editor's Save downloads it.
function editorMode() {
  const g = state.game, mode = g._zvEditorMode();
  if (g._zvSaveAsked() && state.save) state.save();
  if (mode === state.editorMode) return;
  // The canvas takes the stage's new shape (the editor's, or the game's again): it is painted
  // again at its new size in a task of its own.
  if (state.editorMode !== undefined) setTimeout(paint);
  state.editorMode = mode;
  const stage = document.getElementById('stage');
  stage.classList.toggle('editing', mode === 1);
  stage.style.backgroundColor = g.UTF8ToString(g._zvFaceColour());
  const make = document.getElementById('make');
  make.textContent = ['Make layouts', 'Leave the editor', 'Back to the editor'][mode];
  for (const id of ['recording', 'layouts']) document.getElementById(id).hidden = mode !== 0;
  document.getElementById('share').hidden = mode === 2;
  document.getElementById('save').textContent = mode === 1 ? 'Save layouts' : 'Save this game';
}

// The game in words, as the game puts them (web/binding.cpp): what happened and what was
// asked for (S: the score), in the live region; the score, the lives and the bricks left as the picture's text alternative; and
// the page's Pause control enabled while the player's game runs (disabled in its place
// otherwise, so that a second tap where it was presses nothing else).
function tell() {
  const g = state.game;
  const news = g._zvNews();
  if (news) say(g.UTF8ToString(news));
  const summary = g.UTF8ToString(g._zvSummary());
  if (canvas.getAttribute('aria-label') !== summary) canvas.setAttribute('aria-label', summary);
  const pause = document.getElementById('pause'), disabled = !g._zvCanPause();
  if (pause.disabled !== disabled) pause.disabled = disabled;
}
// A sentence in the live region; the same sentence again is told again.
function say(text) {
  const live = document.getElementById('said');
  live.textContent = live.textContent === text ? `${text}\u00a0` : text;
}
function show() {
  const g = state.game, w = canvas.width, h = canvas.height;
  state.framePending = false;
  if (state.painted !== `${w}x${h}`) return void (state.pending.length = 0);  // the game could not paint this size
  if (g._zvPaintBehind()) return;  // the rest of the picture first
  const ptr = g._zvPixels();
  let img = state.image;
  // A view of the game's pixels: made again when they move (a new size, or grown memory).
  if (!img || img.width !== w || img.height !== h || img.data.buffer !== g.HEAPU8.buffer || img.data.byteOffset !== ptr) {
    img = state.image = new ImageData(new Uint8ClampedArray(g.HEAPU8.buffer, ptr, w * h * 4), w, h);
  }
  // About a million pixels a frame: a whole picture of a phone's size takes three.
  let budget = 1 << 20;
  while (state.pending.length && budget > 0) {
    const [x, y, pw, ph] = state.pending.shift(), rows = Math.min(ph, Math.max(1, Math.floor(budget / pw)));
    if (x + pw <= w && y + ph <= h) ctx.putImageData(img, 0, 0, x, y, pw, rows);
    if (rows < ph) state.pending.unshift([x, y + rows, pw, ph - rows]);
    budget -= pw * rows;
  }
  if (state.pending.length) {
    state.framePending = true;
    requestAnimationFrame(show);
  }
  state.frames++;
  if (state.frames === 1) state.firstFrameAt = performance.now();
}
// For the tests: every part of the picture painted and shown.
state.settled = () => state.game && state.frames > 0 && !state.framePending && !state.game._zvPaintBehind();

// Time moves the game on whenever it next needs it: a timer of the page's own wakes when
// the game says (its next due timer, or the recording's next command), and nothing runs
// between. A hidden page sleeps and its game stands still.
function wake() {
  const g = state.game;
  clearTimeout(state.timer);
  if (document.hidden || state.resuming) return;
  if (!state.hold) g._zvAdvanceTo(performance.now());
  readPads();
  if (window.zorvaneSound) window.zorvaneSound.hear(g, g._zvNow());  // web/sound.js
  paint();
  const notice = g._zvNotice();  // the recording has filled its room
  if (notice) showMessage(g.UTF8ToString(notice));
  if (state.afterWake) state.afterWake();  // watch.js: the position slider, a recording's end
  const at = state.hold ? -1 : g._zvNextWake(performance.now());
  if (at >= 0) state.timer = setTimeout(wake, Math.max(0, at - performance.now()));
}

// Events reach the game at the time they happen: timers due before them fire first.
function catchUp() {
  if (!state.hold && !document.hidden && !state.resuming) state.game._zvAdvanceTo(performance.now());
}
// While a kept game is being brought back, the player's input waits for it (it is dropped).
function keyDown(code, repeat) { if (state.resuming) return; catchUp(); state.game._zvKeyDown(code, repeat ? 1 : 0); wake(); }
function keyUp(code) { if (state.resuming) return; catchUp(); state.game._zvKeyUp(code); wake(); }

// The focus lost, or the page hidden: the game lets go of every key, gamepad and pointer
// held, as the window's does when it loses the focus; the pads are read afresh.
function releaseAll() {
  catchUp();
  state.game._zvLetGo();
  pointer.id = null;
  pads.seen.clear();
}
// Hidden, the game stands still. Shown again, live play goes on from where it stood with the
// window's rule for a stall (a timer that fell behind ticks once); a recording goes on from
// where it stood, at its own pace.
function visibility() {
  if (document.hidden) {
    releaseAll();
    keep();
    clearTimeout(state.timer);
    state.hiddenAt = performance.now();
  } else if (state.hiddenAt >= 0) {
    state.game._zvStoodStill(performance.now() - state.hiddenAt);
    state.hiddenAt = -1;
    wake();
  }
}

// Calls `f` with a C string of `text` in the game's memory.
function withText(text, f) {
  const g = state.game;
  const bytes = g.lengthBytesUTF8(text) + 1, ptr = g._malloc(bytes);
  g.stringToUTF8(text, ptr, bytes);
  try {
    return f(ptr);
  } finally {
    g._free(ptr);
  }
}
// Keys: the desktop's table, in the game's binding; the browser's own action of a game key
// (scrolling, help) is prevented.
function listenKeys() {
  const codes = new Map();
  const keyOf = (e) => {
    if (!codes.has(e.code)) codes.set(e.code, withText(e.code, (ptr) => state.game._zvKeyCode(ptr)));
    const code = codes.get(e.code);
    if (code < 0 && !e.ctrlKey && !e.metaKey && !e.altKey) e.preventDefault();
    return Math.abs(code);
  };
  // A focused button of the page keeps the keys that press it, and Tab moves the focus
  // through the page's controls (the editor too chooses its codes by digits or the palette);
  // the game has the rest.
  const pageKey = (e) => e.target instanceof HTMLInputElement || e.code === 'Tab' ||
    (e.target instanceof HTMLButtonElement && ['Space', 'Enter', 'NumpadEnter'].includes(e.code));
  window.addEventListener('keydown', (e) => {
    if (pageKey(e)) return;
    if (state.editorMode === 1) e.preventDefault();  // Tab, Backspace, Ctrl+S and the rest are the editor's
    keyDown(keyOf(e), e.repeat);
  });
  window.addEventListener('keyup', (e) => {
    if (!pageKey(e)) keyUp(keyOf(e));
  });
}
function listen() {
  listenKeys();
  window.addEventListener('blur', releaseAll);
  document.addEventListener('visibilitychange', visibility);
  window.addEventListener('pagehide', keep);
  listenPointer(document.getElementById('stage'));
  listenPads();
  window.addEventListener('resize', () => paint());

  // The layout editor, and the way back to it from a layout tried; leaving the page with
  // layouts unsaved asks first.
  document.getElementById('make').addEventListener('click', () => {
    if (state.resuming) return;
    catchUp();
    if (state.editorMode === 2) state.game._zvBackToEditor();
    else if (state.editorMode === 1) state.game._zvEditorLeave();
    else state.game._zvEdit();
    wake();
  });
  window.addEventListener('beforeunload', (e) => {
    if (state.game._zvUnsaved()) e.preventDefault();
  });

  // Pause by touch: what the P key gives.
  document.getElementById('pause').addEventListener('click', () => {
    if (state.resuming) return;
    catchUp();
    state.game._zvPause();
    wake();
  });

  // Fullscreen: the picture's stage on the whole screen.
  const full = document.getElementById('fullscreen'), stage = document.getElementById('stage');
  full.hidden = !document.fullscreenEnabled;
  full.addEventListener('click', () => stage.requestFullscreen().catch(() => {}));
  document.addEventListener('fullscreenchange', () => paint());

  // Recordings and layout files: dropped on the page or opened with a button.
  const file = document.getElementById('file');
  document.getElementById('recording').addEventListener('click', () => file.click());
  document.getElementById('layouts').addEventListener('click', () => file.click());  // a layout file is a script too
  document.getElementById('dismiss').addEventListener('click', () => showMessage(''));
  file.addEventListener('change', () => { if (file.files[0]) playFile(file.files[0]); file.value = ''; });
  window.addEventListener('dragover', (e) => e.preventDefault());
  window.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer.files[0]) playFile(e.dataTransfer.files[0]);
  });
}

// Plays a recording from its start at its own pace; the player takes over where it ends. A
// file longer than the replay tool reads is refused unread; another is read as it comes,
// never held whole.
async function playFile(f) {
  try {
    await readFile(f);
  } finally {
    state.opened++;
  }
}
async function readFile(f) {
  if (state.game._zvUnsaved() && !window.confirm('Leave the layout editor? Its layouts are not saved.')) return;
  const maxScriptBytes = state.game._zvMaxScriptBytes();
  if (f.size > maxScriptBytes) {
    showMessage(`zorvane-replay: ${f.name}: the script is longer than ${maxScriptBytes / (1 << 20)} MiB`);
    return;
  }
  try {
    await playRecording(f.name, pieces(f.stream()));
  } catch (e) {
    showMessage(`zorvane-replay: cannot read ${f.name}: ${e.message || e.name}`);
  }
}
// The chunks of a stream, as they come.
async function* pieces(stream) {
  const reader = stream.getReader();
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) return;
      yield value;
    }
  } finally {
    reader.cancel().catch(() => {});
  }
}

// The game reads a recording a slice at a time, about `readBudget` ms of it per task, so
// that the page answers meanwhile however long the recording is; the text is never held whole.
const readSlice = 1 << 16, readBudget = 10;
let reads = 0;  // recordings begun: a newer one ends the reading of an older one
const nextTask = (() => {
  const channel = new MessageChannel(), waiting = [];
  channel.port1.onmessage = () => waiting.shift()();
  return () => new Promise((resolve) => { waiting.push(resolve); channel.port2.postMessage(0); });
})();
// Hands the game the recording `pieces` gives (byte arrays, or promises of them), a slice a
// task. Resolves to false when a newer recording took its place; a piece that fails rejects
// with its error.
async function readRecording(pieces) {
  const g = state.game, read = ++reads, slice = g._malloc(readSlice);
  let started = performance.now();
  try {
    g._zvReadRecording();
    reading: for await (const piece of pieces) {
      for (let at = 0; at < piece.length; at += readSlice) {
        if (performance.now() - started > readBudget) {
          await nextTask();
          started = performance.now();
        }
        if (read !== reads) return false;
        const part = piece.subarray(at, at + readSlice);
        g.HEAPU8.set(part, slice);
        if (!g._zvFeedRecording(slice, part.length)) break reading;
      }
    }
  } catch (e) {
    if (read === reads) g._zvReadRecording();  // what was read of it goes
    throw e;
  } finally {
    g._free(slice);
  }
  return read === reads;
}
// Reads the text kept in the tab, written straight into the game's memory (UTF-8 takes at most
// three bytes a UTF-16 unit) and read there a slice a task, as readRecording does.
async function readKept(text) {
  const g = state.game, read = ++reads, room = 3 * text.length, at = g._malloc(room);
  if (!at) return false;
  try {
    const { written } = new TextEncoder().encodeInto(text, g.HEAPU8.subarray(at, at + room));
    g._zvReadRecording();
    let started = performance.now();
    for (let from = 0; from < written && read === reads; from += readSlice) {
      if (performance.now() - started > readBudget) {
        await nextTask();
        started = performance.now();
      }
      if (read === reads && !g._zvFeedRecording(at + from, Math.min(readSlice, written - from))) break;
    }
  } finally {
    g._free(at);
  }
  return read === reads;
}
// Reads the recording `pieces` gives, then plays it. Resolves to whether it plays: false
// after a bad line (the replay tool's message is shown), or when a newer recording took its
// place, or (`ask`) the player kept the editor's unsaved layouts. A piece that fails rejects
// with its error.
async function playRecording(name, pieces, ask = false) {
  const g = state.game;
  if (!(await readRecording(pieces))) return false;
  if (ask && g._zvUnsaved() && !window.confirm('Leave the layout editor for the link? Its layouts are not saved.')) {
    g._zvReadRecording();  // what was read of it goes
    return false;
  }
  const complaint = withText(name, (ptr) => g._zvPlayRecording(ptr, performance.now()));
  if (complaint) {
    showMessage(g.UTF8ToString(complaint));
    return false;
  }
  showMessage('');
  wake();
  return true;
}
// For the tests: the game's state as the replay tool's trace shows it.
state.gameState = () => JSON.parse(state.game.UTF8ToString(state.game._zvState()));
state.playRecording = (name, text) => playRecording(name, [new TextEncoder().encode(text)]);
state.playPieces = playRecording;  // a recording's bytes as they come (a shared link, unpacked)
state.showMessage = showMessage;
state.withText = withText;
state.wake = wake;
state.catchUp = catchUp;
// For the tests, with the clock held: a recording played to its end at once.
state.playRecordingNow = async (name, text) => {
  if (!(await playRecording(name, [new TextEncoder().encode(text)]))) return false;
  state.game._zvPlayToEnd(performance.now());  // the live game goes on from there
  paint();
  return true;
};
state.playing = () => state.game._zvPlaying() === 1;
state.editorTargets = () => JSON.parse(state.game.UTF8ToString(state.game._zvEditorTargets()));

// The tab keeps the player's game (or the editor's unsaved layouts) in its sessionStorage as
// the page hides, so that a reload, or a tab the browser discarded, brings it back; nothing
// of it leaves the tab. A recording longer than the storage holds is not kept, and the
// player is told once.
const kept = { game: 'zorvane game', layouts: 'zorvane layouts', most: 4 << 20 };  // most: UTF-16 units

// The game so far as a replay script, ending with the proof of the game now: the module
// hands it over in pieces of bytes, so that it is never whole in the module's memory.
state.recordingPieces = () => {
  const g = state.game, pieces = [];
  g.takePiece = (piece) => pieces.push(piece);
  try {
    g._zvRecording();
  } finally {
    g.takePiece = null;
  }
  return pieces;
};
state.textOf = (pieces) => {
  const decoder = new TextDecoder();
  return pieces.map((piece, i) => decoder.decode(piece, { stream: i + 1 < pieces.length })).join('');
};

function keep() {
  const g = state.game;
  if (!g || state.resuming) return;
  const mode = g._zvEditorMode();
  let key = null, text = '';
  try {
    if (mode !== 0 && g._zvUnsaved()) {
      key = kept.layouts;
      const lengthAt = g._malloc(4), at = g._zvLayoutFile(lengthAt), length = g.HEAP32[lengthAt >> 2];
      g._free(lengthAt);
      if (length <= kept.most) text = new TextDecoder().decode(g.HEAPU8.subarray(at, at + length));
    } else if (mode === 0 && !g._zvPlaying()) {
      key = kept.game;
      if (g._zvRecordingBound() <= kept.most) text = state.textOf(state.recordingPieces());
    }
    for (const k of [kept.game, kept.layouts]) if (k !== key) sessionStorage.removeItem(k);
    if (!key) return;
    // A game is worth keeping once the player has played it (a key or a button in it).
    if (key === kept.game && text && !/^(down|click) /m.test(text)) return void sessionStorage.removeItem(key);
    if (!text) throw new RangeError('too long');
    sessionStorage.setItem(key, text);
  } catch (e) {  // too long, or the storage is full or refused
    try { sessionStorage.removeItem(key); } catch {}
    if (!state.toldNotKept) {
      state.toldNotKept = true;
      showMessage(key === kept.game ? 'This game is too long for the tab to keep: a reload or a closed tab loses it (Save this game keeps it).'
        : 'These layouts are too many for the tab to keep: a reload loses them (Save layouts keeps them).');
    }
  }
}

// After a reload, before the first picture: the kept game played back to where it was (a
// slice a task, however long it is), then paused by a recorded P; or the kept layouts back in
// the editor, unsaved. A kept game that does not end on its expect line, or does not meet
// it, is dropped with a word, and a new game goes on.
async function resume() {
  if (state.hold) return false;  // the tests' pictures: the load state, whatever the tab kept
  let text = null, layouts = false;
  try {
    text = sessionStorage.getItem(kept.game);
    if (text === null) text = sessionStorage.getItem(kept.layouts), layouts = text !== null;
  } catch {}
  if (text === null) return false;
  const g = state.game, back = 'Your game is back', lost = 'Your last game could not be brought back: a new game begins.';
  state.resuming = true;
  let complaint = null;
  try {
    if (!layouts && !/\nexpect [^\n]*\n?$/.test(text)) throw new Error('no closing expect line');
    if (!(await readKept(text))) throw new Error('superseded');
    complaint = g._zvResume(performance.now());
    if (complaint) throw new Error(g.UTF8ToString(complaint));
    let started = performance.now();
    while (g._zvPlaying()) {
      if (performance.now() - started > readBudget) {
        await nextTask();
        started = performance.now();
      }
      g._zvAdvanceTo(performance.now());
    }
    if (!layouts && (!g._zvHandedOver() || g.UTF8ToString(g._zvVerdict()).startsWith('Not'))) throw new Error('missed');
  } catch (e) {
    state.resuming = false;
    sessionStorage.removeItem(layouts ? kept.layouts : kept.game);
    const recordedAt = new Date().toISOString().replace('T', ' ').replace(/\.\d*Z$/, ' UTC');
    withText(recordedAt, (ptr) => g._zvStart(-1, ptr, performance.now()));
    showMessage(layouts ? 'Your unsaved layouts could not be brought back.' : lost);
    return false;
  }
  state.resuming = false;
  if (!layouts && g._zvCanPause()) g._zvPause();  // recorded, as a P of the player's
  showMessage(layouts ? 'Your unsaved layouts are back' : back);
  say(layouts ? 'Your unsaved layouts are back' : back);
  window.dispatchEvent(new Event('zorvane-resumed'));
  return true;
}
state.keep = keep;

// Every face's file is handed to the game before the first frame, so text never flashes
// in another face; a face that cannot be loaded is drawn with another one, with one warning.
async function loadFonts(g) {
  const names = [];
  for (let i = 0, p; (p = g._zvFontName(i)); i++) names.push(g.UTF8ToString(p));
  const files = await Promise.all(names.map((name) => fetch(`fonts/${name}.ttf`)
    .then((r) => (r.ok ? r.arrayBuffer() : null), () => null)));
  const failed = [];
  files.forEach((file, i) => {
    const bytes = file && new Uint8Array(file);
    const ptr = bytes ? g._malloc(bytes.length) : 0;
    if (ptr) g.HEAPU8.set(bytes, ptr);
    if (!ptr || !g._zvFont(i, ptr, bytes.length)) failed.push(names[i]);
    if (ptr) g._free(ptr);
  });
  if (failed.length) console.warn(`Super Zorvane!: fonts not loaded (${failed.join(', ')}); text uses another face`);
}

function loadScript(src) {
  return new Promise((resolve, reject) => {
    const s = document.createElement('script');
    s.src = src;
    s.onload = resolve;
    s.onerror = () => reject(new Error(`cannot load ${src}`));
    document.head.appendChild(s);
  });
}

async function main() {
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    canvas.hidden = true;
    cannotPlay();
    showMessage('Super Zorvane! needs a browser with WebAssembly, and this one has none. ' +
                'Any current Firefox, Chrome, Safari or Edge will do.');
    return;
  }
  const params = new URLSearchParams(location.search);
  state.hold = params.has('hold');  // the tests' pictures: the clock stays at the load state
  try {
    state.game = await loadScript('zorvane.js').then(() => createZorvane());
    await loadFonts(state.game);
  } catch (e) {
    cannotPlay();
    showMessage(`Super Zorvane! could not start: ${e.message}`);
    return;
  }
  const recordedAt = new Date().toISOString().replace('T', ' ').replace(/\.\d*Z$/, ' UTC');
  withText(recordedAt, (ptr) => state.game._zvStart(params.has('seed') ? Number(params.get('seed')) : -1, ptr, performance.now()));
  document.getElementById('stage').style.backgroundColor = state.game.UTF8ToString(state.game._zvFaceColour());
  listen();
  // A game kept in the tab comes back before the first picture is painted, which then shows
  // it as it was: no new game flashes by first, and no picture is painted twice.
  state.resumed = await resume();
  state.resumedAt = performance.now();  // for the benchmark: the game playable once it is shown
  await new Promise((resolve) => setTimeout(resolve));  // the first picture in a task of its own
  wake();
  state.ready = true;
  window.dispatchEvent(new Event('zorvane-ready'));
  // The site kept for playing offline (where the browser allows: a secure origin).
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('sw.js').catch((e) => console.warn(`Super Zorvane!: not kept for offline play (${e.message})`));
  }
}

main();
