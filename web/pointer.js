// Steering by touch and by mouse, one way for both. While a pointer is held on the playfield
// the game holds Left or Right towards it by the window's rule for its mouse, and lets go
// once the paddle's centre is within one paddle step of it; a new ball on the paddle is
// steered at once. Only key events reach the game, so recordings stay exact. A press and a release on the same shown button click it, as the window clicks on
// the mouse's release. (The game finds the buttons and the paddle: see web/binding.cpp.)
'use strict';

const pointer = { id: null, x: 0, button: null };

// The event's place in canvas pixels.
function pointerAt(e) {
  const canvas = document.getElementById('game'), rect = canvas.getBoundingClientRect();
  const ratio = canvas.width / canvas.clientWidth;
  return [(e.clientX - rect.left) * ratio, (e.clientY - rect.top) * ratio];
}
function buttonAt([x, y]) {
  const name = state.game._zvButtonAt(Math.floor(x), Math.floor(y));
  return name ? state.game.UTF8ToString(name) : null;
}

// Tells the game where a steering pointer is, or that none steers; at each wake (the paddle
// has moved) and as the pointer moves, once the game's clock is caught up.
function steerPointer() {
  state.game._zvSteer(pointer.id !== null && !pointer.button ? 1 : 0, pointer.x);
}
function releasePointer() {
  pointer.id = pointer.button = null;
  steerPointer();
}

// Pointers on the stage, the picture and the face around it alike.
function listenPointer(stage) {
  stage.addEventListener('pointerdown', (e) => {
    if (pointer.id !== null || e.button !== 0) return;  // one pointer at a time, the main button
    e.preventDefault();
    const at = pointerAt(e);
    catchUp();
    pointer.id = e.pointerId;
    pointer.x = at[0];
    pointer.button = buttonAt(at);
    stage.setPointerCapture(e.pointerId);
    steerPointer();
    wake();
  });
  stage.addEventListener('contextmenu', (e) => e.preventDefault());  // a long press calls no menu
  stage.addEventListener('pointermove', (e) => {
    if (e.pointerId !== pointer.id || pointer.button) return;
    pointer.x = pointerAt(e)[0];
    catchUp();
    steerPointer();
    wake();
  });
  stage.addEventListener('pointerup', (e) => {
    if (e.pointerId !== pointer.id) return;
    const at = pointerAt(e), pressed = pointer.button;
    catchUp();
    releasePointer();
    if (pressed && buttonAt(at) === pressed) clickAt(Math.floor(at[0]), Math.floor(at[1]));
    else wake();
  });
  for (const type of ['pointercancel', 'lostpointercapture']) {
    stage.addEventListener(type, (e) => {
      if (e.pointerId !== pointer.id) return;
      catchUp();
      releasePointer();
      wake();
    });
  }
}
