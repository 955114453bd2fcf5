// What input delivers to a game: the key codes and button clicks of a keyboard, a mouse or
// a gamepad. The game window takes them, and so does whatever stands before it (a recorder).
#pragma once
#include <cstdint>
#include <string_view>

namespace zorvane {

// The game's buttons by name, as a click names them, frontmost first: Pause, Game Over, Level.
namespace buttons {
constexpr std::string_view pause = "pause", gameover = "gameover", nextlevel = "nextlevel";
inline constexpr std::string_view all[] = {pause, gameover, nextlevel};
}  // namespace buttons

struct Input {
  virtual ~Input() = default;
  virtual void keyDown(int16_t keyCode) = 0;          // Form_KeyDown, shift state 0
  virtual void keyUp(int16_t keyCode) = 0;            // Form_KeyUp, shift state 0
  virtual bool click(std::string_view button) = 0;    // false: no such shown button
};

}  // namespace zorvane
