// Touch and mouse on the stage (the picture and the face around it), one way for both: one
// pointer at a time, its main button (in the layout editor the right one too, which empties),
// handed to the game in canvas pixels. The game's session
// does the rest: held on the playfield it steers the paddle, a new ball on the paddle at once
// (only key events reach the game, so recordings stay exact); a press and a release on the
// same shown button click it.
'use strict';

const pointer = { id: null };

// The event's place in canvas pixels.
function pointerAt(e) {
  const canvas = document.getElementById('game'), rect = canvas.getBoundingClientRect();
  const ratio = canvas.width / canvas.clientWidth;
  return [(e.clientX - rect.left) * ratio, (e.clientY - rect.top) * ratio];
}

// The pointer taken away: no click.
function releasePointer() {
  pointer.id = null;
  state.game._zvPointerCancel();
}

// Pointers on the stage, the picture and the face around it alike.
function listenPointer(stage) {
  stage.addEventListener('pointerdown', (e) => {
    const other = e.button === 2 && state.game._zvEditorMode() === 1;
    if (pointer.id !== null || (e.button !== 0 && !other)) return;  // one pointer at a time, the main button
    e.preventDefault();
    catchUp();
    pointer.id = e.pointerId;
    stage.setPointerCapture(e.pointerId);
    state.game._zvPointerDown(...pointerAt(e), other ? 1 : 0);
    wake();
  });
  stage.addEventListener('contextmenu', (e) => e.preventDefault());  // a long press calls no menu
  stage.addEventListener('pointermove', (e) => {
    if (e.pointerId !== pointer.id) return;
    catchUp();
    state.game._zvPointerMove(...pointerAt(e));
    wake();
  });
  stage.addEventListener('pointerup', (e) => {
    if (e.pointerId !== pointer.id) return;
    catchUp();
    pointer.id = null;
    state.game._zvPointerUp(...pointerAt(e));
    wake();
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
