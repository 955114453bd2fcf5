#include "platform/pointer.h"

namespace zorvane {

int16_t PointerSteering::keyFor(float pointerX, float paddleCentre, float step) {
  if (pointerX - paddleCentre > step) return keyRight;
  if (paddleCentre - pointerX > step) return keyLeft;
  return 0;
}

void PointerSteering::steer(bool pointing, float pointerX, const Paddle& paddle, Input& w) {
  if (held && !paddle.moving) held = 0;  // the game, or another key's release, stopped the paddle
  if (!pointing || !paddle.inPlay) return release(w);
  follow(pointerX, paddle.centre, paddle.step, w);
}

void PointerSteering::follow(float pointerX, float paddleCentre, float step, Input& w) {
  hold(keyFor(pointerX, paddleCentre, step), w);
}

void PointerSteering::release(Input& w) { hold(0, w); }

void PointerSteering::hold(int16_t want, Input& w) {
  if (want == held) return;
  if (held) w.keyUp(held);
  held = want;
  if (held) w.keyDown(held);
}

}  // namespace zorvane
