// A game controller as the window's keyboard and mouse: it gives the game only the key
// codes and button clicks they would give.
#pragma once
#include <cstdint>

#include "platform/input.h"
#include "platform/keys.h"

namespace zorvane {

enum class PadButton { South, Start, LeftShoulder, RightShoulder, DpadLeft, DpadRight, Other };

class Gamepad {
 public:
  static constexpr int16_t keyLeft = keys::Left, keyRight = keys::Right, keyPause = keys::P;
  static constexpr int16_t keyNextLayout = keys::F1, keyPreviousLayout = keys::F2;

  void button(PadButton b, bool down, Input& w);  // a button pressed or released
  void stickX(int value, Input& w);                // left stick, -32768 (left) .. 32767
  void unplugged(Input& w);                        // releases every key it holds

  int16_t steering() const { return held; }         // 37, 39 or 0: the arrow it holds down

 private:
  void steer(Input& w);                             // sends the change of direction
  void hold(bool& flag, int16_t code, bool down, Input& w);

  bool dpadLeft = false, dpadRight = false;
  int stick = 0;                                     // -1 left, 0 neutral, 1 right
  int16_t held = 0;
  bool start = false, leftShoulder = false, rightShoulder = false;
};

// The gamepads one player plays with, each in a slot of its own (0 up), each driving the input
// as a Gamepad does; a pad past the last slot is not heard.
class GamepadSlots {
 public:
  static constexpr int most = 4;                   // pads played at once

  explicit GamepadSlots(Input& w) : w(w) {}
  void button(int pad, PadButton b, bool down);
  void stickX(int pad, int value);                  // -32768 (left) .. 32767
  void unplugged(int pad);                          // releases every key it holds
  void letGo();                                     // every pad's keys released (the focus lost)

 private:
  Input& w;
  Gamepad pads[most];
};

// Clicks the topmost button the window shows: Pause, then Game Over, then Level.
bool clickShownButton(Input& w);

}  // namespace zorvane
