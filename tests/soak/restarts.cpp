// Many restarts in one process: each one unloads every display object and builds them
// again, so a leak or a container that keeps growing shows up here.
#include <malloc.h>

#include <cstdio>

#include "drive/player.h"
#include "game/form1.h"
#include "tests/core/test_door.h"
#include "tests/soak/invariants.h"
#include "tests/soak/soak.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's allocator statistics (GCC ships no header for them).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace zorvane::soak {
namespace {

struct Broken {};

// Bytes the program has allocated and not freed (under ASan, its allocator's count).
size_t heapInUse() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

long residentKilobytes() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * 4;
}

constexpr uint64_t warmUp = 100;          // restarts before the first measurement
constexpr size_t heapSlack = 64 * 1024;   // bytes
constexpr long rssSlack = 4 * 1024;       // kilobytes; under ASan the quarantine grows RSS by design

}  // namespace

RestartResult runRestarts(uint64_t seed, uint64_t count) {
  RestartResult r;
  ScriptGenerator generator(seed);
  InvariantChecker checker;
  std::string broken;
  uint64_t timerEvents = 0;
  bool measured = false;
  DriverOptions options;
  options.afterEvent = [&](const Form1& f, std::string_view ev) {
    if (ev.starts_with("Timer")) ++timerEvents;
    if (ev == "click gameover") ++r.restarts;
    if (!checker.check(f, ev, broken)) {
      r.message = "invariant broken after " + std::string(ev) + ": " + broken;
      throw Broken{};
    }
  };
  Driver replay(options);
  try {
    replay.load(generator.gameSeed(), {generator.draws().begin(), generator.draws().end()});
    while (r.restarts < count) {
      // A stretch of play, then the last life lost.
      for (const uint64_t until = timerEvents + 60; timerEvents < until && r.restarts < count;)
        replay.run(generator.next(replay.form()));
      if (r.restarts >= count) break;
      Form1& f = DriverTestDoor::form(replay);
      const int32_t best = DriverTestDoor::fields(f).bestScore;
      if (!DriverTestDoor::fields(f).gameover.Visible) {
        DriverTestDoor::fields(f).livesLeft = 1;
        DriverTestDoor::lostlife(f);
      }
      if (!replay.click("gameover")) {
        r.message = "the game-over button is not shown after the last life was lost";
        break;
      }
      if (DriverTestDoor::fields(f).livesLeft < 1 || DriverTestDoor::fields(f).currentScore != 0 || DriverTestDoor::fields(f).levelNumber != 1 || DriverTestDoor::fields(f).bestScore != best) {
        r.message = "a restart did not start a new game keeping the high score";
        break;
      }
      if (!measured && r.restarts >= warmUp) {
        measured = true;
        r.heapBefore = heapInUse();
        r.rssBefore = residentKilobytes();
      }
    }
  } catch (const Broken&) {
  }
  r.heapAfter = heapInUse();
  r.rssAfter = residentKilobytes();
  if (r.message.empty() && measured) {
    if (r.heapAfter > r.heapBefore + heapSlack) r.message = "memory in use grew across restarts";
#if !defined(__SANITIZE_ADDRESS__)
    if (r.rssAfter > r.rssBefore + rssSlack) r.message = "resident memory grew across restarts";
#endif
  }
  r.ok = r.message.empty();
  return r;
}

}  // namespace zorvane::soak
