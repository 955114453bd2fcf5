// Gamepads (the Gamepad API's standard layout), read at each wake of the page and at each
// animation frame while one is connected. The game maps them to keys and clicks with the
// desktop's own table (platform/gamepad, in web/binding.cpp).
'use strict';

const pads = { seen: new Map(), polling: false };  // index → the last state handed to the game

// Hands every pad's change to the game, whose clock is caught up; true when one changed.
function readPads() {
  if (!navigator.getGamepads) return false;
  let changed = false;
  const now = new Set();
  for (const pad of navigator.getGamepads()) {
    if (!pad || !pad.connected) continue;  // the game hears as many as it has slots for
    now.add(pad.index);
    let buttons = 0;
    pad.buttons.forEach((b, i) => { if (i < 31 && (b.pressed || b.value > 0.5)) buttons |= 1 << i; });
    const x = Number(pad.axes[0]) || 0, last = pads.seen.get(pad.index);
    if (!last || last.buttons !== buttons || last.x !== x) {
      pads.seen.set(pad.index, { buttons, x });
      state.game._zvPad(pad.index, buttons, x);
      changed = true;
    }
  }
  for (const index of pads.seen.keys()) {
    if (!now.has(index)) {
      pads.seen.delete(index);
      state.game._zvPadGone(index);
      changed = true;
    }
  }
  if (pads.seen.size && !pads.polling) pollPads();
  return changed;
}
// While a pad is connected and the page shows, it is read at every animation frame.
function pollPads() {
  pads.polling = pads.seen.size > 0 && !document.hidden;
  if (!pads.polling) return;
  requestAnimationFrame(() => {
    catchUp();
    if (readPads()) wake();
    pollPads();
  });
}
function listenPads() {
  window.addEventListener('gamepadconnected', () => { catchUp(); if (readPads()) wake(); });
  window.addEventListener('gamepaddisconnected', () => { catchUp(); if (readPads()) wake(); });
}
