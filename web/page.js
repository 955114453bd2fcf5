// Super Zorvane! in a browser: draws the game's read-only view on a canvas, feeds it keys,
// clicks, touches and time, and plays recordings. The game itself is the same C++ core as
// the desktop window, compiled to WebAssembly (zorvane.js, zorvane.wasm).
'use strict';

// The faces the design names, from the same Debian files and alias choices as the window.
const fontFiles = [
  ['Arial', 400, 'fonts/arial-400.woff'], ['Arial', 700, 'fonts/arial-700.woff'],
  ['Times New Roman', 400, 'fonts/times-400.woff'], ['Times New Roman', 700, 'fonts/times-700.woff'],
  ['Impact', 700, 'fonts/impact-700.woff'], ['Lucida Handwriting', 700, 'fonts/lucida-700.woff'],
  ['MS Song', 400, 'fonts/song-400.woff'],
];
const fallbackFaces = { 'Times New Roman': 'serif', 'Lucida Handwriting': 'cursive' };
// Ascender and descender of each file over its em (its hhea table): the window places a line
// of text with the ascent rounded up to whole pixels, where the browser's metrics round.
const faceMetrics = {
  'Arial': [1854 / 2048, 434 / 2048], 'Times New Roman': [1825 / 2048, 443 / 2048], 'Impact': [735 / 1000, 200 / 1000],
  'Lucida Handwriting': [920 / 1000, 280 / 1000], 'MS Song': [900 / 1024, 123 / 1024],
};

const canvas = document.getElementById('game');
let ctx = canvas.getContext('2d', { alpha: false });  // where drawing goes: the canvas or a sprite
const messageBox = document.getElementById('message');
const state = {
  game: null, scene: null, placement: null, dirty: true, origin: 0, hold: false,
  frames: 0, firstFrameAt: 0, touches: new Map(), widths: new Map(), faces: new Set(), sprites: new Map(),
};
window.zorvane = state;  // for the tests: frames drawn, time of the first frame, the scene

function showMessage(text) {
  messageBox.textContent = text;
  messageBox.hidden = !text;
}

// Round half to even, as the window's drawing rounds.
function roundEven(v) {
  const r = Math.round(v);
  return Math.abs(v % 1) === 0.5 && r % 2 !== 0 ? r - 1 : r;
}
function clamp(v, lo, hi) { return Math.min(Math.max(v, lo), hi); }
function css(color) {
  return `rgb(${color & 255},${(color >> 8) & 255},${(color >> 16) & 255})`;
}
const faceColor = 240 + 240 * 256 + 240 * 65536, black = 0;

// Uniform scale that fits the canvas, centred; pixels per 15 window units.
function place(scene) {
  const w = canvas.width, h = canvas.height;
  const scale = Math.max(Math.min(w * 15 / scene.width, h * 15 / scene.height), 0.01);
  const x = Math.floor((w - scene.width * scale / 15) / 2);
  const y = Math.floor((h - scene.height * scale / 15) / 2);
  const pw = roundEven(scene.width * scale / 15), ph = roundEven(scene.height * scale / 15);
  return { scale, x, y, picture: { x: Math.max(x, 0), y: Math.max(y, 0), w: Math.min(pw, w), h: Math.min(ph, h) } };
}

function thickness(pixels) { return Math.max(1, roundEven(Math.min(pixels, 64))); }
function pixelSize(points, scale) {
  const px = points * 20 / 15 * scale;
  return px >= 1 ? (px > 2000 ? 2000 : roundEven(px)) : 1;
}

// One item of the scene as the window draws it, in pixels.
function boxOf(it, p, clampIt) {
  const k = p.scale / 15, margin = 64, pic = p.picture;
  let b = [p.x + it[3] * k, p.y + it[4] * k, p.x + (it[3] + it[5]) * k, p.y + (it[4] + it[6]) * k];
  if (clampIt) {
    b = [clamp(b[0], pic.x - margin, pic.x + pic.w + margin), clamp(b[1], pic.y - margin, pic.y + pic.h + margin),
         clamp(b[2], pic.x - margin, pic.x + pic.w + margin), clamp(b[3], pic.y - margin, pic.y + pic.h + margin)];
  }
  return b;
}
function pixelRect(b) {
  const x0 = roundEven(b[0]), y0 = roundEven(b[1]);
  const x1 = Math.max(roundEven(b[2]), x0 + 1), y1 = Math.max(roundEven(b[3]), y0 + 1);
  return { x: x0, y: y0, w: x1 - x0, h: y1 - y0 };
}
function inset(r, t) { return { x: r.x + t, y: r.y + t, w: r.w - 2 * t, h: r.h - 2 * t }; }
function fill(r, color) {
  if (r.w <= 0 || r.h <= 0) return;
  ctx.fillStyle = css(color);
  ctx.fillRect(r.x, r.y, r.w, r.h);
}
function frame(b, t, topLeft, bottomRight) {
  t = Math.min(t, Math.floor(b.w / 2), Math.floor(b.h / 2));
  if (t <= 0) return;
  fill({ x: b.x, y: b.y + b.h - t, w: b.w, h: t }, bottomRight);
  fill({ x: b.x + b.w - t, y: b.y, w: t, h: b.h }, bottomRight);
  fill({ x: b.x, y: b.y, w: b.w - t, h: t }, topLeft);
  fill({ x: b.x, y: b.y, w: t, h: b.h - t }, topLeft);
}

function fontOf(it, p) {
  const face = it[13], fallback = fallbackFaces[face] || 'sans-serif', px = pixelSize(it[14], p.scale);
  return { css: `${it[15] >= 600 ? 700 : 400} ${px}px "${face}", ${fallback}`, px, metrics: state.faces.has(face) && faceMetrics[face] };
}

// Caption text at the window's place: the top of the line box at the top of the box
// (centred for buttons), aligned left, right or centred, cut to the box.
function text(it, box, p, centreY, dx, dy) {
  const caption = it[12];
  if (!caption || box.w <= 0 || box.h <= 0) return;
  const font = fontOf(it, p);
  ctx.font = font.css;
  const key = font.css + '\n' + caption;
  let m = state.widths.get(key);
  if (!m) {
    // Like the window's hinted text: each character, and each kerning between two, moves
    // the pen a whole number of pixels.
    const metrics = ctx.measureText(caption);
    let ascent = Math.ceil(metrics.fontBoundingBoxAscent), descent = Math.ceil(metrics.fontBoundingBoxDescent);
    if (font.metrics) {
      ascent = Math.ceil(font.metrics[0] * font.px);
      descent = Math.ceil((font.metrics[0] + font.metrics[1]) * font.px) - ascent;
    }
    const chars = [...caption], widths = chars.map((ch) => ctx.measureText(ch).width);
    const at = [];
    let w = 0;
    for (let i = 0; i < chars.length; i++) {
      if (i > 0) w += Math.round(ctx.measureText(chars[i - 1] + chars[i]).width - widths[i - 1] - widths[i]);
      at.push(w);
      w += Math.round(widths[i]);
    }
    m = { w, at, ascent, h: ascent + descent };
    if (state.widths.size > 4096) state.widths.clear();
    state.widths.set(key, m);
  }
  let x = box.x;
  if (it[10] === 1) x = box.x + box.w - m.w;
  if (it[10] === 2) x = box.x + Math.trunc((box.w - m.w) / 2);
  const y = centreY ? box.y + Math.trunc((box.h - m.h) / 2) : box.y;
  ctx.save();
  ctx.beginPath();
  ctx.rect(box.x, box.y, box.w, box.h);
  ctx.clip();
  ctx.fillStyle = css(it[8] < 0 ? black : it[8]);
  let i = 0;
  for (const ch of caption) ctx.fillText(ch, x + dx + m.at[i++], y + dy + m.ascent);
  ctx.restore();
}

function shapePath(kind, b, d) {
  const w = b[2] - b[0], h = b[3] - b[1];
  ctx.beginPath();
  if (kind === 3) {
    const r = Math.min(w, h) / 2 - d;
    if (r <= 0) return false;
    ctx.arc(b[0] + w / 2, b[1] + h / 2, r, 0, 2 * Math.PI);
    return true;
  }
  if (!(w > 2 * d && h > 2 * d)) return false;
  const x0 = b[0] + d, y0 = b[1] + d, x1 = b[2] - d, y1 = b[3] - d;
  const r = Math.max(0, Math.min(Math.min(w, h) / 4 - d, (x1 - x0) / 2, (y1 - y0) / 2));
  ctx.roundRect(x0, y0, x1 - x0, y1 - y0, r);
  return true;
}

function paintItem(it, p) {
  const kind = it[0];
  if (kind === 2 || kind === 3) {
    const b = boxOf(it, p, false);
    const w = b[2] - b[0], h = b[3] - b[1];
    const t = it[9] > 0 ? thickness(it[9] * p.scale) : 0;
    if (w < 1.5 || h < 1.5) {
      fill({ x: Math.floor(b[0]), y: Math.floor(b[1]), w: 1, h: 1 }, t ? black : it[7]);
      return;
    }
    if (shapePath(kind, b, 0)) { ctx.fillStyle = css(t ? black : it[7]); ctx.fill(); }
    if (t && shapePath(kind, b, t)) { ctx.fillStyle = css(it[7]); ctx.fill(); }
    return;
  }
  const box = pixelRect(boxOf(it, p, true));
  if (kind === 1) return paintBox(it, p, box);
  // A captioned label with a face, or a button, looks the same wherever it stands: drawn
  // once onto a sprite of its size, it costs one copy after that (the bricks are most of
  // the picture).
  const pic = p.picture;
  if (!it[12] || (kind === 4 && it[11]) || box.w > pic.w || box.h > pic.h) return paintBox(it, p, box);
  const key = [box.w, box.h, p.scale, ...it.slice(7)].join('\u0001');
  let sprite = state.sprites.get(key);
  if (!sprite) {
    if (state.sprites.size > 256) state.sprites.clear();
    sprite = document.createElement('canvas');
    sprite.width = box.w;
    sprite.height = box.h;
    const shown = ctx;
    ctx = sprite.getContext('2d', { alpha: false });
    paintBox(it, p, { x: 0, y: 0, w: box.w, h: box.h });
    ctx = shown;
    state.sprites.set(key, sprite);
  }
  ctx.drawImage(sprite, box.x, box.y);
}

function paintBox(it, p, box) {
  const kind = it[0];
  if (kind === 1) {
    const t = it[9] > 0 ? thickness(it[9] * p.scale) : 0;
    const inside = inset(box, t);
    if (!t) return fill(box, it[7]);
    if (inside.w <= 0 || inside.h <= 0) return fill(box, black);
    frame(box, t, black, black);
    fill(inside, it[7]);
  } else if (kind === 4) {
    const t = it[9] ? thickness(p.scale) : 0;
    if (!it[11]) fill(box, it[7] < 0 ? faceColor : it[7]);
    if (t) frame(box, t, black, black);
    text(it, inset(box, t), p, false, 0, 0);
  } else {
    const t = thickness(p.scale);
    const white = 0xffffff, dark = 64 * 0x10101, shade = 160 * 0x10101;
    fill(box, it[7]);
    frame(box, t, white, dark);
    frame(inset(box, t), t, it[7], shade);
    text(it, inset(box, 2 * t), p, true, 0, 0);
  }
}

// Every pixel an item can touch, within the picture.
function boundsOf(it, p) {
  const soft = it[0] === 2 || it[0] === 3;
  const b = boxOf(it, p, true);
  const r = soft ? { x: Math.floor(b[0]) - 2, y: Math.floor(b[1]) - 2, w: Math.ceil(b[2]) - Math.floor(b[0]) + 4,
                     h: Math.ceil(b[3]) - Math.floor(b[1]) + 4 } : pixelRect(b);
  const pic = p.picture;
  const x0 = Math.max(r.x, pic.x), y0 = Math.max(r.y, pic.y);
  const x1 = Math.min(r.x + r.w, pic.x + pic.w), y1 = Math.min(r.y + r.h, pic.y + pic.h);
  return { x: x0, y: y0, w: Math.max(0, x1 - x0), h: Math.max(0, y1 - y0) };
}
function meets(a, b) { return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h; }
function union(a, b) {
  const x = Math.min(a.x, b.x), y = Math.min(a.y, b.y);
  return { x, y, w: Math.max(a.x + a.w, b.x + b.w) - x, h: Math.max(a.y + a.h, b.y + b.h) - y };
}
const sameItem = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);

// The patches of the picture that differ from the last drawn scene: the old and the new
// place of every item that changed, merged where they meet. Null: repaint everything.
function changedPatches(before, now, p) {
  if (!before || before.items.length !== now.items.length || before.back !== now.back) return null;
  let patches = [];
  for (let i = 0; i < now.items.length; i++) {
    if (sameItem(before.items[i], now.items[i])) continue;
    for (const r of [boundsOf(before.items[i], p), boundsOf(now.items[i], p)]) {
      if (r.w <= 0 || r.h <= 0) continue;
      let merged = r;
      patches = patches.filter((q) => (meets(q, merged) ? ((merged = union(q, merged)), false) : true));
      patches.push(merged);
    }
  }
  // A soft shape is drawn whole in a patch: the browser's edge smoothing of a shape cut by
  // a clip can differ from that of the whole shape.
  for (let grown = true; grown && patches.length <= 12;) {
    grown = false;
    for (const it of now.items) {
      if (it[0] !== 2 && it[0] !== 3) continue;
      const r = boundsOf(it, p);
      for (let k = 0; k < patches.length; k++) {
        const q = patches[k], u = union(q, r);
        if (meets(q, r) && (u.w !== q.w || u.h !== q.h)) {
          patches.splice(k, 1);
          let merged = u;
          patches = patches.filter((o) => (meets(o, merged) ? ((merged = union(o, merged)), false) : true));
          patches.push(merged);
          grown = true;
          break;
        }
      }
    }
  }
  return patches.length > 12 ? null : patches;
}

// The picture, back to front: shapes and labels by stacking order, then buttons; only the
// patches that changed, unless the size or the whole scene did.
function draw() {
  const scene = state.scene;
  const p = place(scene);
  const samePlace = state.placement && state.placement.scale === p.scale && state.placement.x === p.x &&
                    state.placement.y === p.y && state.drawnSize === `${canvas.width}x${canvas.height}`;
  const patches = samePlace ? changedPatches(state.drawn, scene, p) : null;
  state.placement = p;
  state.drawnSize = `${canvas.width}x${canvas.height}`;
  state.drawn = scene;
  const items = scene.items.map((it, i) => [it, i]);
  items.sort((a, b) => a[0][1] - b[0][1] || a[0][2] - b[0][2] || a[1] - b[1]);
  const paint = (area) => {
    ctx.save();
    ctx.beginPath();
    ctx.rect(area.x, area.y, area.w, area.h);
    ctx.clip();
    fill(area, scene.back);
    for (const [it] of items) if (!patches || meets(boundsOf(it, p), area)) paintItem(it, p);
    ctx.restore();
  };
  if (patches) {
    for (const area of patches) paint(area);
  } else {
    fill({ x: 0, y: 0, w: canvas.width, h: canvas.height }, scene.back);
    paint(p.picture);
  }
  state.frames++;
  if (state.frames === 1) state.firstFrameAt = performance.now();
}

// Canvas pixels follow the window's size times devicePixelRatio, so that text stays crisp.
function resize() {
  const ratio = window.devicePixelRatio || 1;
  const w = Math.max(1, Math.round(canvas.clientWidth * ratio)), h = Math.max(1, Math.round(canvas.clientHeight * ratio));
  if (canvas.width !== w || canvas.height !== h) {
    canvas.width = w;
    canvas.height = h;
    state.dirty = true;
  }
}

// The game's time: the wall clock since the window was created, or a recording's own clock
// while one plays (watch.js: paused, faster or slower, moved by jumps).
function gameTime() {
  return state.gameTime ? state.gameTime() : Math.max(0, Math.floor(performance.now() - state.origin));
}

// Time moves the game on; the picture is drawn once per animation frame, only when changed.
function frameLoop() {
  const g = state.game;
  if (!state.hold) g._zvAdvanceTo(gameTime());
  refresh();
  requestAnimationFrame(frameLoop);
}
function refresh() {
  const g = state.game;
  const ptr = g._zvScene();
  if (ptr) {
    state.scene = JSON.parse(g.UTF8ToString(ptr));
    document.title = state.scene.title;
    state.dirty = true;
  }
  resize();
  if (state.dirty && state.scene) {
    draw();
    state.dirty = false;
  }
}

// Events reach the game at the time they happen: timers due before them fire first.
function catchUp() {
  if (!state.hold) state.game._zvAdvanceTo(gameTime());
}
function keyDown(code) { catchUp(); state.game._zvKeyDown(code); }
function keyUp(code) { catchUp(); state.game._zvKeyUp(code); }

// The frontmost shown button under a canvas pixel, or ''.
function buttonAt(px, py) {
  const p = state.placement;
  if (!p || !state.scene) return '';
  let found = '', z = 0;
  for (const it of state.scene.items) {
    if (it[0] !== 5) continue;
    const r = pixelRect(boxOf(it, p, true));
    if (px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h && (!found || it[2] > z)) {
      found = it[16];
      z = it[2];
    }
  }
  return found;
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
function clickName(name) {
  catchUp();
  return withText(name, (ptr) => state.game._zvClick(ptr));
}

function listen() {
  // Keys: the desktop's table, in the game's binding; the browser's own action of a game
  // key (scrolling, help) is prevented.
  const codes = new Map();
  const keyOf = (e) => {
    if (!codes.has(e.code)) codes.set(e.code, withText(e.code, (ptr) => state.game._zvKeyCode(ptr)));
    const code = codes.get(e.code);
    if (code < 0 && !e.ctrlKey && !e.metaKey && !e.altKey) e.preventDefault();
    return Math.abs(code);
  };
  window.addEventListener('keydown', (e) => {
    if (e.target instanceof HTMLInputElement) return;
    keyDown(keyOf(e));
  });
  window.addEventListener('keyup', (e) => keyUp(keyOf(e)));
  canvas.addEventListener('click', (e) => {
    const ratio = canvas.width / canvas.clientWidth;
    const name = buttonAt(Math.floor(e.offsetX * ratio), Math.floor(e.offsetY * ratio));
    if (name) clickName(name);
  });
  // A finger held on the left or right half of the playfield steers like the arrow keys.
  const touch = (e) => {
    e.preventDefault();
    const p = state.placement;
    const ratio = canvas.width / canvas.clientWidth;
    const middle = p ? (p.picture.x + p.picture.w / 2) / ratio : canvas.clientWidth / 2;
    const rect = canvas.getBoundingClientRect();
    for (const t of e.changedTouches) {
      if (e.type === 'touchstart') {
        const code = t.clientX - rect.left < middle ? 37 : 39;
        state.touches.set(t.identifier, code);
        keyDown(code);
      } else if (state.touches.has(t.identifier)) {
        keyUp(state.touches.get(t.identifier));
        state.touches.delete(t.identifier);
      }
    }
  };
  for (const type of ['touchstart', 'touchend', 'touchcancel']) canvas.addEventListener(type, touch, { passive: false });
  window.addEventListener('resize', () => { state.dirty = true; });

  // Recordings: dropped on the page or opened with the button.
  const file = document.getElementById('file');
  file.addEventListener('change', () => { if (file.files[0]) playFile(file.files[0]); file.value = ''; });
  window.addEventListener('dragover', (e) => e.preventDefault());
  window.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer.files[0]) playFile(e.dataTransfer.files[0]);
  });
}

// Plays a recording from its start at its own pace; the player takes over where it ends.
async function playFile(f) {
  const bytes = new Uint8Array(await f.arrayBuffer());
  playRecording(f.name, bytes);
}
function playRecording(name, bytes) {
  const g = state.game;
  const namePtr = g._malloc(g.lengthBytesUTF8(name) + 1);
  g.stringToUTF8(name, namePtr, g.lengthBytesUTF8(name) + 1);
  // In pieces of 1 MiB: the game parses each as it comes and never holds the text whole.
  const piece = 1 << 20, piecePtr = g._malloc(piece);
  g._zvReadRecording();
  for (let at = 0; at < bytes.length; at += piece) {
    g.HEAPU8.set(bytes.subarray(at, at + piece), piecePtr);
    if (!g._zvFeedRecording(piecePtr, Math.min(piece, bytes.length - at))) break;
  }
  const complaint = g._zvPlayRecording(namePtr);
  g._free(namePtr);
  g._free(piecePtr);
  if (complaint) {
    showMessage(g.UTF8ToString(complaint));
    return false;
  }
  showMessage('');
  state.origin = performance.now();
  state.dirty = true;
  return true;
}
// For the tests: the pixel boxes of the captioned labels and buttons, and where their text
// may stand (inside borders and frames); the picture's placement.
state.captionBoxes = () => state.scene.items.filter((it) => it[12] && (it[0] === 4 || it[0] === 5)).map((it) => {
  const box = pixelRect(boxOf(it, state.placement, true));
  const t = it[0] === 5 ? 2 * thickness(state.placement.scale) : it[9] ? thickness(state.placement.scale) : 0;
  return { box, inner: inset(box, t), text: it[12], fore: it[8] < 0 ? black : it[8] };
});
// For the tests: how the picture drawn patch by patch differs from a full repaint.
state.sameAsFullRepaint = () => {
  const pixels = () => ctx.getImageData(0, 0, canvas.width, canvas.height).data;
  const patched = pixels();
  state.drawn = null;
  draw();
  const full = pixels();
  let differ = 0, most = 0;
  for (let i = 0; i < full.length; i++) {
    if (full[i] !== patched[i]) differ++;
    most = Math.max(most, Math.abs(full[i] - patched[i]));
  }
  return { differ, most };
};
state.playRecording = (name, text) => playRecording(name, new TextEncoder().encode(text));
state.playBytes = playRecording;  // a recording's bytes (a shared link)
state.showMessage = showMessage;
state.withText = withText;
state.playing = () => state.game._zvPlaying() === 1;

// Every face is loaded before the first frame, so text never flashes in another face; a
// face that cannot be loaded falls back to a generic one, with one warning.
async function loadFonts() {
  const failed = [];
  await Promise.all(fontFiles.map(async ([family, weight, url]) => {
    try {
      const face = new FontFace(family, `url(${url})`, { weight: String(weight) });
      await face.load();
      document.fonts.add(face);
      state.faces.add(family);
    } catch (e) {
      failed.push(`${family} ${weight}`);
    }
  }));
  if (failed.length) console.warn(`Super Zorvane!: fonts not loaded (${failed.join(', ')}); text uses a fallback face`);
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
    showMessage('Super Zorvane! needs a browser with WebAssembly, and this one has none. ' +
                'Any current Firefox, Chrome, Safari or Edge will do.');
    return;
  }
  const params = new URLSearchParams(location.search);
  state.hold = params.has('hold');  // the tests' pictures: the clock stays at the load state
  try {
    const [, game] = await Promise.all([loadFonts(), loadScript('zorvane.js').then(() => createZorvane())]);
    state.game = game;
  } catch (e) {
    showMessage(`Super Zorvane! could not start: ${e.message}`);
    return;
  }
  const recordedAt = new Date().toISOString().replace('T', ' ').replace(/\.\d*Z$/, ' UTC');
  withText(recordedAt, (ptr) => state.game._zvStart(params.has('seed') ? Number(params.get('seed')) : -1, ptr));
  state.origin = performance.now();
  listen();
  window.dispatchEvent(new Event('zorvane-ready'));
  refresh();
  requestAnimationFrame(frameLoop);
}

main();
