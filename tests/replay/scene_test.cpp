// Whole scenes through the replay library: the trace of each handled event, the bricks
// diff, and running without a trace.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "drive/player.h"
#include "game/form1.h"
#include "tests/core/test_door.h"
#include "trace_reader.h"

namespace zorvane {
namespace {

using test::Json;

std::string sampleScript(const std::string& name) {
  std::ifstream in(std::string(ZORVANE_REPLAY_SCRIPTS) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_FALSE(text.str().empty()) << name;
  return text.str();
}

Script parsed(std::string_view text) {
  Script s;
  ScriptError e;
  EXPECT_TRUE(parseScript(text, s, e)) << "line " << e.line << ": " << e.message;
  return s;
}

// The trace of a script, as text and as parsed lines.
struct Traced {
  std::string text;
  std::vector<Json> lines;
};

Traced traceOf(std::string_view script, DriverOptions options = {}) {
  Traced t;
  options.traceSink = [&](std::string_view chunk) { t.text += chunk; };
  Driver replay(std::move(options));
  playWhole(replay, parsed(script));
  t.lines = test::parseTrace(t.text);
  return t;
}

std::vector<std::pair<int64_t, std::string>> clockOf(const std::vector<Json>& lines) {
  std::vector<std::pair<int64_t, std::string>> events;
  for (const Json& l : lines) events.emplace_back(l["t"].i(), l["ev"].s());
  return events;
}

void expectBox(const Json& box, std::array<float, 4> expected) {
  ASSERT_EQ(box.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(box[i].f(), expected[i]) << "member " << i;
}

TEST(ReplayScene, LoadLineShowsTheDesignPlayfield) {
  const Traced t = traceOf("");
  ASSERT_EQ(t.lines.size(), 1u);
  const Json& load = t.lines[0];

  for (const char* key :
       {"t", "ev", "currentScore", "extraLifePoints", "bestScore", "levelNumber", "layoutIndex", "layoutCount",
        "livesLeft", "bricksAtStart", "bricksLeft", "paddleDirection", "ballVelocityY", "boardRight", "lastCell",
        "diceRoll", "brickWidth", "brickHeight", "boardLeft", "boardTop", "boardBottom", "ballVelocityX",
        "baseSpeed", "speedFactorX", "speedFactorY", "logoBallStepX", "logoBallStepY", "ball", "paddle",
        "logoball", "life", "showscore", "highscore", "numbricks", "pause", "gameover", "nextlevel", "timers",
        "bricks"})
    EXPECT_TRUE(load.has(key)) << key;
  EXPECT_EQ(load.size(), 39u);

  EXPECT_EQ(load["t"].i(), 0);
  EXPECT_EQ(load["ev"].s(), "load");
  EXPECT_EQ(load["brickWidth"].f(), 414.75f);
  EXPECT_EQ(load["brickHeight"].f(), 226.2f);
  EXPECT_EQ(load["boardLeft"].f(), 120.0f);
  EXPECT_EQ(load["boardTop"].f(), 1560.0f);
  EXPECT_EQ(load["boardRight"].i(), 8415);
  EXPECT_EQ(load["boardBottom"].f(), 7215.0f);
  EXPECT_EQ(load["baseSpeed"].f(), 103.6875f);
  expectBox(load["paddle"], {3749.5f, 6762.6f, 1036, 169});
  expectBox(load["ball"], {4211, 6649.6f, 113, 113});
  ASSERT_EQ(load["logoball"].size(), 3u);
  for (size_t i = 0; i < 3; ++i) expectBox(load["logoball"][i], {4387.5f, 307.5f, 75.4f, 75.4f});
  // The logo balls' steps, whole arrays: u is a brick width over 2.5.
  const double u = 414.75 / 2.5;
  const double stepX[] = {1.1 * u, -u, 0.9 * u};
  const int64_t stepY[] = {149, -166, -182};
  ASSERT_EQ(load["logoBallStepX"].size(), 3u);
  ASSERT_EQ(load["logoBallStepY"].size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(load["logoBallStepX"][i].d(), stepX[i]) << "logoBallStepX " << i;
    EXPECT_EQ(load["logoBallStepY"][i].i(), stepY[i]) << "logoBallStepY " << i;
  }
  ASSERT_EQ(load["life"].size(), 6u);
  ASSERT_EQ(load["timers"].size(), 3u);
  EXPECT_EQ(load["numbricks"].s(), "200");
  EXPECT_EQ(load["showscore"].s(), "000000");
  EXPECT_EQ(load["nextlevel"][0].b(), false);
  EXPECT_EQ(load["nextlevel"][1].s(), "Level: 1");
  const bool lives[] = {true, true, true, false, false, false};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(load["life"][i].b(), lives[i]) << "life " << i + 1;
  const int64_t timers[] = {25, 25, 50};
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(load["timers"][i].i(), timers[i]);

  // Every cell once, in order; layout 1 fills brick rows 3 to 12 (cells 41 to 240).
  const Json& bricks = load["bricks"];
  ASSERT_EQ(bricks.size(), 500u);
  for (size_t k = 0; k < 500; ++k) {
    const Json& cell = bricks[k];
    ASSERT_EQ(cell.size(), 5u);
    const int64_t i = cell[0].i();
    ASSERT_EQ(i, static_cast<int64_t>(k + 1));
    const bool field = i >= 41 && i <= 240;
    EXPECT_EQ(cell[1].i() > 0, field) << "cell " << i;
    EXPECT_EQ(cell[2].b(), field) << "cell " << i;
  }
}

// The events a script makes, after the load line, each at its time. Waits add up and fire
// the timers in clock order; a catch-up makes each timer that is more than one interval
// overdue fire once, at the end of the step, in the tie order; one on time or exactly one
// interval late fires as in a wait. Timer1 and Timer2 run every 25 ms and are first due at
// 25; Timer3 every 50, at 50.
TEST(ReplayScene, EachScriptFiresItsEventsInClockOrder) {
  using Events = std::vector<std::pair<int64_t, std::string>>;
  const struct { std::string script; Events after; } cases[] = {
      {"wait 100\nwait 10\nwait 15",
       {{25, "Timer1"}, {25, "Timer2"}, {50, "Timer1"}, {50, "Timer2"}, {50, "Timer3"}, {75, "Timer1"}, {75, "Timer2"},
        {100, "Timer1"}, {100, "Timer2"}, {100, "Timer3"}, {125, "Timer1"}, {125, "Timer2"}}},
      {sampleScript("serve.txt"),
       {{0, "down 37"}, {25, "Timer1"}, {25, "Timer2"}, {50, "Timer1"}, {50, "Timer2"}, {50, "Timer3"}, {50, "up 37"}}},
      // The second click finds the button hidden: no event, no line.
      {sampleScript("pause.txt"),
       {{0, "down 80"}, {50, "Timer3"}, {100, "Timer3"}, {100, "click pause"}, {125, "Timer1"}, {125, "Timer2"}}},
      // A long stall: every timer fires once at 200, then they run on from there.
      {"catchup 200\nwait 50",
       {{200, "Timer1"}, {200, "Timer2"}, {200, "Timer3"}, {225, "Timer1"}, {225, "Timer2"},
        {250, "Timer1"}, {250, "Timer2"}, {250, "Timer3"}}},
      // Timer1 and Timer2 exactly one interval late at 50: not caught up, they fire twice.
      {"catchup 50",
       {{25, "Timer1"}, {25, "Timer2"}, {50, "Timer1"}, {50, "Timer2"}, {50, "Timer3"}}},
      // One millisecond later they are: once each, after Timer3, which is on time at 50.
      {"catchup 51\nwait 25",
       {{50, "Timer3"}, {51, "Timer1"}, {51, "Timer2"}, {76, "Timer1"}, {76, "Timer2"}}},
      // Timer3 exactly one of its longer intervals late at 100 is not caught up.
      {"catchup 100",
       {{50, "Timer3"}, {100, "Timer1"}, {100, "Timer2"}, {100, "Timer3"}}},
      // Nothing overdue: the same as a wait, and an empty step fires nothing.
      {"wait 20\ncatchup 10\ncatchup 0", {{25, "Timer1"}, {25, "Timer2"}}},
      // Paused: the stopped timers stay stopped; the logo's timer fires once.
      {"down 80\ncatchup 500\nwait 50", {{0, "down 80"}, {500, "Timer3"}, {550, "Timer3"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const Events all = clockOf(traceOf(c.script).lines);
    EXPECT_EQ(Events(all.begin() + 1, all.end()), c.after);
  }
}

// Each start-up's Randomize reseeds from the next randomize line; with none left, it
// keeps the generator as it stands, which is the seed's.
TEST(ReplayScene, RandomizeSeedsFeedTheStartUpsInOrder) {
  std::string gameover = sampleScript("gameover.txt");
  gameover.erase(0, gameover.find("down 37"));  // no rand or seed lines: every draw is generated
  const auto traceWith = [&](const std::string& head) { return traceOf(head + gameover); };

  const Traced seeded = traceWith("seed 5\n"), randomized = traceWith("randomize 5\n");
  EXPECT_EQ(randomized.text, seeded.text);
  EXPECT_EQ(traceWith("seed 9\nrandomize 5\n").text, seeded.text);
  EXPECT_NE(traceWith("seed 1\n").lines[0]["speedFactorX"].d(), seeded.lines[0]["speedFactorX"].d());

  // Two seeds: the restart's start-up takes the second, and draws as a game seeded with it.
  const Traced twice = traceWith("randomize 5\nrandomize 9\n");
  const Traced nine = traceOf("seed 9\n");
  size_t click = 0;
  while (click < twice.lines.size() && twice.lines[click]["ev"].s() != "click gameover") ++click;
  ASSERT_LT(click, twice.lines.size());
  const auto firstLines = [&](const std::string& text) {  // the trace up to the click
    size_t end = 0;
    for (size_t i = 0; i < click; ++i) end = text.find('\n', end) + 1;
    return text.substr(0, end);
  };
  EXPECT_EQ(firstLines(twice.text), firstLines(seeded.text));
  for (const char* key : {"speedFactorX", "speedFactorY"}) {
    EXPECT_EQ(twice.lines[click][key].d(), nine.lines[0][key].d()) << key;
    EXPECT_NE(twice.lines[click][key].d(), seeded.lines[click][key].d()) << key;
  }
}

// What the trace promises of a brick cell.
struct CellState {
  int64_t code = 0;
  bool visible = false;
  std::string caption;
  int64_t color = 0;
  bool operator==(const CellState&) const = default;
};
using Field = std::array<CellState, 501>;

Field fieldOf(const Form1& f) {
  Field field{};
  for (int i = 1; i <= 500; ++i) {
    const Label& b = DriverTestDoor::fields(f).brick(i);
    field[i] = {DriverTestDoor::fields(f).brickCode[(i - 1) % 20 + 1][(i - 1) / 20 + 1], b.Visible, b.Caption, b.BackColor};
  }
  return field;
}

// Replaying the diffs from the load line on must give the window's bricks at every line,
// and a listed cell must really have changed.
TEST(ReplayTrace, BrickDiffsRebuildTheFieldAtEveryLine) {
  std::vector<Field> actual;
  DriverOptions options;
  options.afterEvent = [&](const Form1& f, std::string_view) { actual.push_back(fieldOf(f)); };
  const Traced t = traceOf("down 112\nwait 50\ndown 113\nwait 50\n" + sampleScript("gameover.txt"), options);
  ASSERT_EQ(t.lines.size(), actual.size());

  Field rebuilt{};
  size_t partialLines = 0;
  for (size_t n = 0; n < t.lines.size(); ++n) {
    SCOPED_TRACE(t.lines[n]["ev"].s() + " at " + std::to_string(t.lines[n]["t"].i()));
    if (t.lines[n].has("bricks")) {
      const Json& bricks = t.lines[n]["bricks"];
      ASSERT_GT(bricks.size(), 0u);
      if (n == 0) {
        ASSERT_EQ(bricks.size(), 500u);
      }
      if (n > 0 && bricks.size() < 500) ++partialLines;
      int64_t last = 0;
      for (const Json& cell : bricks.items) {
        const int64_t i = cell[0].i();
        ASSERT_GT(i, last);
        ASSERT_LE(i, 500);
        last = i;
        const CellState now{cell[1].i(), cell[2].b(), cell[3].s(), cell[4].i()};
        if (n > 0) {
          EXPECT_NE(now, rebuilt[i]) << "cell " << i << " listed unchanged";
        }
        rebuilt[i] = now;
      }
    }
    ASSERT_EQ(rebuilt, actual[n]);
  }
  EXPECT_GT(partialLines, 2u) << "the scene should hit bricks and re-lay fields";
}

// Each kind of change lists its cell once, on the line after it, and never again.
TEST(ReplayTrace, EveryKindOfCellChangeIsListedOnce) {
  Driver replay;
  replay.load(1, {});
  Form1& f = DriverTestDoor::form(replay);
  TraceWriter writer;
  const auto nextLine = [&] {
    writer.clear();
    writer.line(f, "check");
    return test::parseJson(writer.text());
  };
  ASSERT_EQ(nextLine()["bricks"].size(), 500u);
  EXPECT_FALSE(nextLine().has("bricks"));

  const std::string longCaption = "a \"long\" caption";
  const struct { const char* what; std::function<void()> change; int cell; } cases[] = {
      {"caption", [&] { DriverTestDoor::fields(f).brick(7).Caption = "?"; }, 7},
      {"long caption", [&] { DriverTestDoor::fields(f).brick(8).Caption = longCaption; }, 8},
      {"other long caption", [&] { DriverTestDoor::fields(f).brick(8).Caption = longCaption + "!"; }, 8},
      {"long to short caption", [&] { DriverTestDoor::fields(f).brick(8).Caption = "!"; }, 8},
      {"colour", [&] { DriverTestDoor::fields(f).brick(300).BackColor = RGB(1, 2, 3); }, 300},
      {"visibility", [&] { DriverTestDoor::fields(f).brick(500).Visible = !DriverTestDoor::fields(f).brick(500).Visible; }, 500},
      {"code", [&] { DriverTestDoor::fields(f).brickCode[20][1] = 77; }, 20},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.change();
    // Changed by hand, not through the game's brick procedures: the write marks the cell.
    const Json line = nextLine();
    ASSERT_TRUE(line.has("bricks"));
    ASSERT_EQ(line["bricks"].size(), 1u);
    const Json& cell = line["bricks"][0];
    const Label& b = DriverTestDoor::fields(f).brick(c.cell);
    EXPECT_EQ(cell[0].i(), c.cell);
    EXPECT_EQ(cell[1].i(), DriverTestDoor::fields(f).brickCode[(c.cell - 1) % 20 + 1][(c.cell - 1) / 20 + 1]);
    EXPECT_EQ(cell[2].b(), b.Visible);
    EXPECT_EQ(cell[3].s(), b.Caption);
    EXPECT_EQ(cell[4].i(), b.BackColor);
    EXPECT_FALSE(nextLine().has("bricks"));
  }
  // Marks only narrow the comparison: rewriting the values a cell already has lists nothing.
  DriverTestDoor::fields(f).brickCode[20][1] = DriverTestDoor::fields(f).brickCode[20][1];
  DriverTestDoor::fields(f).brick(20).Caption = std::string(DriverTestDoor::fields(f).brick(20).Caption);
  DriverTestDoor::fields(f).brick(21).Visible = DriverTestDoor::fields(f).brick(21).Visible;
  EXPECT_FALSE(nextLine().has("bricks"));
  writer.forgetBricks();
  EXPECT_EQ(nextLine()["bricks"].size(), 500u);
}

TEST(ReplayTrace, RunningWithoutTraceHandlesTheSameEvents) {
  const std::string script = sampleScript("gameover.txt") + "down 39\nwait 200\nup 39\nwait 60000\n";
  struct Seen {
    int64_t t;
    std::string ev;
    int32_t score;
    float ballLeft;
    bool operator==(const Seen&) const = default;
  };
  const auto record = [](std::vector<Seen>& seen) {
    return [&seen](const Form1& f, std::string_view ev) {
      seen.push_back({f.now(), std::string(ev), DriverTestDoor::fields(f).currentScore, DriverTestDoor::fields(f).ball.Left});
    };
  };

  std::vector<Seen> traced, silent;
  size_t chunks = 0;
  std::string text;
  DriverOptions withTrace;
  withTrace.traceSink = [&](std::string_view chunk) {
    ++chunks;
    EXPECT_TRUE(chunk.ends_with('\n'));  // whole lines only
    text += chunk;
  };
  withTrace.afterEvent = record(traced);
  Driver a(std::move(withTrace));
  playWhole(a, parsed(script));

  DriverOptions without;
  without.afterEvent = record(silent);
  Driver b(std::move(without));
  playWhole(b, parsed(script));

  EXPECT_EQ(traced, silent);
  EXPECT_EQ(a.events(), traced.size());
  EXPECT_EQ(b.events(), silent.size());
  EXPECT_GT(chunks, 1u);  // a long trace arrives in several chunks
  EXPECT_EQ(test::parseTrace(text).size(), traced.size());
}

}  // namespace
}  // namespace zorvane
