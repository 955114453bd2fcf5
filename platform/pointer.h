// The mouse as the arrow keys: the paddle's centre follows the pointer's x through Left and
// Right key events, as a gamepad steers, so that a recording holds only keys. The same rule
// for the window's --mouse and the page's finger or mouse.
#pragma once
#include <cstdint>

#include "platform/input.h"
#include "platform/keys.h"

namespace zorvane {

class PointerSteering {
 public:
  static constexpr int16_t keyLeft = keys::Left, keyRight = keys::Right;

  // The paddle as the pointer steers it, in window units.
  struct Paddle {
    float centre = 0;      // the paddle's centre
    float step = 0;        // one paddle step: within it of the pointer, the paddle rests
    bool moving = false;   // a direction is held
    bool inPlay = false;   // the paddle's timer runs (not paused, over or cleared)
  };

  // The key towards the pointer while the paddle's centre is more than one step from it;
  // none within a step, where the paddle rests. All in window units.
  static int16_t keyFor(float pointerX, float paddleCentre, float step);

  // One look at the pointer and the paddle: while the pointer steers (`pointing`) and the
  // paddle is in play, the key towards it is held; otherwise none. A key the game let go
  // itself (a lost ball recentres the paddle and stops it) is pressed again at once, so a
  // pointer held through a lost ball steers, and serves, the new ball wherever it is.
  void steer(bool pointing, float pointerX, const Paddle& paddle, Input& w);

  int16_t steering() const { return held; }  // 37, 39 or 0: the arrow it holds down

 private:
  void follow(float pointerX, float paddleCentre, float step, Input& w);  // holds, swaps or releases
  void release(Input& w);
  void hold(int16_t want, Input& w);
  int16_t held = 0;
};

}  // namespace zorvane
