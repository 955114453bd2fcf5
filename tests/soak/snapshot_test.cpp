// The game as a value: a snapshot restored into a fresh window plays on exactly as the
// original does, and two copies of one game never touch each other.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "game/form1.h"
#include "platform/keys.h"
#include "script/script.h"
#include "tools/generator.h"
#include "trace/trace.h"

namespace zorvane {
namespace {

// Plays a script through the contract one handled event at a time.
class Stepper {
 public:
  explicit Stepper(const Script& s) : script(&s) {}

  static void load(Form1& f, const Script& s) {
    if (!s.layouts.empty()) f.useLayouts(std::make_shared<const Layouts>(s.layouts));
    f.fixSeed(s.seed);
    f.queueDraws(s.draws);
    f.Show();
  }

  // Runs up to and including the next handled event; false once the script is done.
  bool step(Form1& f) {
    for (;;) {
      if (waiting) {
        if (f.advanceTo(until) != 0) return true;
        waiting = false;
      }
      if (next == script->commands.size()) return false;
      const Command& c = script->commands[next++];
      switch (c.op) {
        case Op::Catchup:
          f.catchup(f.now() + c.value);
          [[fallthrough]];
        case Op::Wait:
          waiting = true;
          until = f.now() + c.value;
          break;
        case Op::Down: f.keyDown(static_cast<int16_t>(c.value)); return true;
        case Op::Up: f.keyUp(static_cast<int16_t>(c.value)); return true;
        case Op::Click:
          if (f.click(c.button())) return true;
          break;
        case Op::Expect: break;
      }
    }
  }

 private:
  const Script* script;
  size_t next = 0;
  bool waiting = false;
  int64_t until = 0;
};

// Every trace key of the game as it stands, with all 500 brick cells written out: a trace
// writer that remembers nothing of earlier lines.
std::string fullState(const Form1& f) {
  TraceWriter w;
  w.line(f, "state");
  return std::string(w.text());
}

TEST(Snapshot, RestoredIntoAFreshWindowPlaysOnAsTheOriginal) {
  std::mt19937_64 pick(7);
  for (const uint64_t seed : {11u, 12u, 13u, 14u, 15u, 16u, 17u, 18u}) {
    SCOPED_TRACE("generated game " + std::to_string(seed));
    // The last two on layouts of a player's own: a restored game restarts on them too.
    const Script script = generatedGame(seed, 6000, seed > 16 ? 12 : 0);
    // Count the events, then snapshot after a random one of them.
    uint64_t events = 0;
    {
      Form1 f;
      Stepper::load(f, script);
      Stepper s(script);
      while (s.step(f)) ++events;
    }
    ASSERT_GT(events, 1000u);
    const uint64_t at = std::uniform_int_distribution<uint64_t>(0, events - 1)(pick);

    Form1 original;
    Stepper::load(original, script);
    Stepper played(script);
    for (uint64_t e = 0; e < at; ++e) ASSERT_TRUE(played.step(original));
    const Form1 snap = original.snapshot();
    Form1 restored;
    restored.restore(snap);
    Stepper resumed = played;
    ASSERT_EQ(fullState(restored), fullState(original));
    uint64_t compared = 0;
    for (;;) {
      const bool a = played.step(original), b = resumed.step(restored);
      ASSERT_EQ(a, b);
      if (!a) break;
      ASSERT_EQ(fullState(restored), fullState(original)) << "event " << at + compared;
      ++compared;
    }
    EXPECT_EQ(at + compared, events);
  }
}

Command command(Op op, int32_t value) { return Command{op, value}; }

// The states a game goes through on a script, played alone.
std::vector<size_t> playedAlone(Form1 f, const Script& s) {
  std::vector<size_t> states;
  Stepper st(s);
  while (st.step(f)) states.push_back(std::hash<std::string>{}(fullState(f)));
  return states;
}

TEST(Snapshot, TwoCopiesPlayedDifferentlyNeverTouchEachOther) {
  const Script script = generatedGame(21, 3000);
  const auto half = static_cast<long>(script.commands.size() / 2);
  Script first, rest, other;
  first.seed = script.seed;
  first.draws = script.draws;
  for (const float r : {0.5f, 0.25f, 0.75f, 0.125f}) first.draws.push_back(r);
  for (long i = 0; i < long(script.commands.size()); ++i) (i < half ? first : rest).commands.push_back(script.commands[size_t(i)]);
  // The second copy gets a player of its own: right arrow, a layout jump, a pause.
  for (const Command c : {command(Op::Down, keys::Right), command(Op::Wait, 400), command(Op::Up, keys::Right),
                          command(Op::Down, keys::F1), command(Op::Wait, 3000), command(Op::Down, keys::P),
                          command(Op::Wait, 500), command(Op::Click, 0), command(Op::Wait, 5000)})
    other.commands.push_back(c);

  Form1 a;
  Stepper::load(a, first);
  Stepper sa(first);
  while (sa.step(a)) {
  }
  Form1 b = a;  // a copy of the game, made while it is in play
  ASSERT_FALSE(a.drawsGiven().empty());
  EXPECT_TRUE(b.drawsGiven().shares(a.drawsGiven()));  // a snapshot copies no draw
  const std::vector<size_t> aloneA = playedAlone(a.snapshot(), rest), aloneB = playedAlone(b.snapshot(), other);

  // Now the two copies in turns, event by event: each must go exactly as it did alone.
  Stepper onA(rest), onB(other);
  size_t ia = 0, ib = 0;
  for (bool goingA = true, goingB = true; goingA || goingB;) {
    if (goingA && (goingA = onA.step(a))) {
      ASSERT_LT(ia, aloneA.size());
      ASSERT_EQ(std::hash<std::string>{}(fullState(a)), aloneA[ia++]) << "first copy, event " << ia;
    }
    if (goingB && (goingB = onB.step(b))) {
      ASSERT_LT(ib, aloneB.size());
      ASSERT_EQ(std::hash<std::string>{}(fullState(b)), aloneB[ib++]) << "second copy, event " << ib;
    }
  }
  EXPECT_EQ(ia, aloneA.size());
  EXPECT_EQ(ib, aloneB.size());
  EXPECT_GT(ib, 100u);
  EXPECT_NE(fullState(a), fullState(b));
}

}  // namespace
}  // namespace zorvane
