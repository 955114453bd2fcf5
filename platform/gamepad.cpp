#include "platform/gamepad.h"

#include <cstdlib>

namespace zorvane {

void Gamepad::hold(bool& flag, int16_t code, bool down, Input& w) {
  if (flag == down) return;
  flag = down;
  if (down)
    w.keyDown(code);
  else
    w.keyUp(code);
}

void Gamepad::button(PadButton b, bool down, Input& w) {
  switch (b) {
    case PadButton::South:
      if (down) clickShownButton(w);
      break;
    case PadButton::Start: hold(start, keyPause, down, w); break;
    case PadButton::LeftShoulder: hold(leftShoulder, keyPreviousLayout, down, w); break;
    case PadButton::RightShoulder: hold(rightShoulder, keyNextLayout, down, w); break;
    case PadButton::DpadLeft: dpadLeft = down; steer(w); break;
    case PadButton::DpadRight: dpadRight = down; steer(w); break;
    case PadButton::Other: break;
  }
}

void Gamepad::stickX(int value, Input& w) {
  // Hysteresis: the stick leaves neutral at half deflection and returns below a third, so
  // that a resting thumb never flickers the paddle.
  const int size = std::abs(value);
  if (2 * size >= 32768)
    stick = value < 0 ? -1 : 1;
  else if (3 * size < 32768)
    stick = 0;
  steer(w);
}

void Gamepad::steer(Input& w) {
  const bool left = dpadLeft || stick < 0, right = dpadRight || stick > 0;
  const int16_t want = left == right ? 0 : left ? keyLeft : keyRight;
  if (want == held) return;
  if (held) w.keyUp(held);
  held = want;
  if (held) w.keyDown(held);
}

void Gamepad::unplugged(Input& w) {
  dpadLeft = dpadRight = false;
  stick = 0;
  steer(w);
  hold(start, keyPause, false, w);
  hold(leftShoulder, keyPreviousLayout, false, w);
  hold(rightShoulder, keyNextLayout, false, w);
}

void GamepadSlots::button(int pad, PadButton b, bool down) {
  if (pad >= 0 && pad < most) pads[pad].button(b, down, w);
}

void GamepadSlots::stickX(int pad, int value) {
  if (pad >= 0 && pad < most) pads[pad].stickX(value, w);
}

void GamepadSlots::unplugged(int pad) {
  if (pad >= 0 && pad < most) pads[pad].unplugged(w);
}

void GamepadSlots::letGo() {
  for (Gamepad& pad : pads) pad.unplugged(w);
}

bool clickShownButton(Input& w) {
  for (const std::string_view name : buttons::all)
    if (w.click(name)) return true;
  return false;
}

}  // namespace zorvane
