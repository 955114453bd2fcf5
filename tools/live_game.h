// A live game as the window records it, for tests and benchmarks: the game runs on a
// simulated wall clock (a step at every timer tick and before every input, with a little
// lateness and now and then a stall), and a player holds an arrow about half the time (with
// the desktop's auto-repeat: a first repeat after 660 ms, then every 40 ms), serves, pauses
// now and then, jumps layouts and starts a new game after each game over. Start-ups take
// clock seeds as the window's do, so the recording has `randomize` lines and no `seed`.
#pragma once
#include <cstdint>
#include <string>

#include "levels/layouts.h"
#include "script/recorder.h"

namespace zorvane {

// Plays `ms` of live game time from `seed` into `recorder` (closed at the end).
void playRecorded(Recorder& recorder, uint64_t seed, int64_t ms, SharedLayouts layouts = nullptr);

// The same, as the text of a recording.
std::string liveRecording(uint64_t seed, int64_t ms, SharedLayouts layouts = nullptr);

}  // namespace zorvane
