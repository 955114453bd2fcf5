// The mouse as the arrow keys: the paddle's centre follows the pointer's x through Left and
// Right key events, as a gamepad steers, so that a recording holds only keys.
#pragma once
#include <cstdint>

#include "platform/input.h"
#include "platform/keys.h"

namespace zorvane {

class PointerSteering {
 public:
  static constexpr int16_t keyLeft = keys::Left, keyRight = keys::Right;

  // The key towards the pointer while the paddle's centre is more than one step from it;
  // none within a step, where the paddle rests. All in window units.
  static int16_t keyFor(float pointerX, float paddleCentre, float step);

  void follow(float pointerX, float paddleCentre, float step, Input& w);  // holds, swaps or releases
  void release(Input& w);             // the pointer left the window, or play stopped
  void forget() { held = 0; }         // the game stopped the paddle itself (a lost ball): nothing held
  int16_t steering() const { return held; }

 private:
  void hold(int16_t want, Input& w);
  int16_t held = 0;
};

}  // namespace zorvane
