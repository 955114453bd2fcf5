// Cues: what just happened in the game that a front end may want to be heard. The game
// fills a small fixed list during an event; the driver hands it on and empties it. The
// cues change nothing in the game and allocate nothing.
#pragma once
#include <array>
#include <cstdint>
#include <span>

namespace zorvane {

// What happened in the game that a sound marks.
enum class CueKind : uint8_t {
  Wall,              // the ball off the left, right or top wall
  Paddle,            // the ball turned up at the paddle
  BrickCleared,      // a one-hit brick knocked out
  BrickWeakened,     // a multi-hit brick needs one hit fewer
  BrickUnbreakable,  // a "!" brick hit
  BrickSpecial,      // a "?" brick hit
  BallLost,          // the ball fell past the paddle
  ExtraLife,         // 5000 points of hits earned a life
  FieldCleared,      // the last brick of a field is gone
  GameOver,          // the last life is lost
};
constexpr int cueKinds = 10;  // the kinds above

// One cue raised by an event.
struct Cue {
  CueKind kind = CueKind::Wall;  // what happened
  uint8_t column = 0, row = 0;  // the brick's cell, for a brick cue
};

// The cues raised by the event being handled, in order.
class Cues {
 public:
  // One event raises a handful at most; any beyond the list's room are dropped.
  void add(CueKind kind, int column = 0, int row = 0) {
    if (count < room.size()) room[count++] = {kind, static_cast<uint8_t>(column), static_cast<uint8_t>(row)};
  }
  std::span<const Cue> list() const { return {room.data(), count}; }  // raised so far
  bool empty() const { return count == 0; }  // none raised
  void clear() { count = 0; }                // before the next event

 private:
  std::array<Cue, 8> room{};
  size_t count = 0;
};

}  // namespace zorvane
