// Recorded games: the live game's recording replays to the very trace it wrote live, the
// recording's lines and files, and a watched recording passing through the same states.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/output_file.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "game/form1.h"
#include "script/recorder.h"
#include "script/script.h"
#include "tests/core/test_door.h"

namespace zorvane {
namespace {

// A sink that keeps every write apart, to check that each one holds whole lines.
struct Capture {
  std::vector<std::string> writes;
  Recorder::Sink sink() {
    return [this](std::string_view s) {
      writes.emplace_back(s);
      return true;
    };
  }
  std::string text() const {
    std::string all;
    for (const std::string& w : writes) all += w;
    return all;
  }
};

// A live game as the window plays it: uneven steps on a wall clock, stalls, and a player
// who steers, pauses, jumps layouts and clicks whatever button is up.
struct LiveRun {
  std::string recording, trace;
  std::vector<std::string> writes;
};

LiveRun playLive(uint64_t seed, int64_t duration, SharedLayouts layouts = nullptr) {
  Capture rec;
  LiveRun run;
  Recorder recorder(rec.sink(), {.version = "1.0", .recordedAt = "2026-12-09 02:30:33 UTC"});
  std::mt19937_64 rng(seed), seeds(seed + 100);
  Driver live({.traceSink = [&](std::string_view s) { run.trace += s; },
               .afterEvent = {},
               .recorder = &recorder,
               .seeds = [&] { return seeds(); }});
  auto pick = [&](int64_t lo, int64_t hi) { return std::uniform_int_distribution<int64_t>(lo, hi)(rng); };
  if (layouts) live.useLayouts(std::move(layouts));
  live.start();
  int64_t now = 0;
  while (now < duration) {
    now += pick(0, 9) == 0 ? pick(200, 700) : pick(0, 30);  // now and then a stall
    live.step(now);
    switch (pick(0, 60)) {
      case 0: case 1: live.keyDown(37); break;
      case 2: case 3: live.keyDown(39); break;
      case 4: case 5: live.keyUp(static_cast<int16_t>(pick(0, 1) ? 37 : 39)); break;
      case 6: if (pick(0, 9) == 0) live.keyDown(80), live.keyUp(80); break;
      case 7: live.click("pause"); break;
      case 8: live.click("gameover"); break;
      case 9: live.click("nextlevel"); break;
      case 10: if (pick(0, 9) == 0) live.keyDown(static_cast<int16_t>(pick(0, 1) ? 112 : 113)); break;
      default: break;
    }
  }
  live.close();
  run.recording = rec.text();
  run.writes = rec.writes;
  return run;
}

std::string replayed(const std::string& recording, std::optional<ExpectMiss>* miss = nullptr) {
  Script script;
  ScriptError error;
  EXPECT_TRUE(parseScript(recording, script, error)) << "line " << error.line << ": " << error.message;
  std::string trace;
  Driver replay({.traceSink = [&](std::string_view s) { trace += s; }, .afterEvent = {}, .recorder = nullptr, .seeds = {}});
  const std::optional<ExpectMiss> missed = playWhole(replay, script);
  if (miss) *miss = missed;
  else EXPECT_FALSE(missed) << describe(*missed);
  return trace;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Five layouts of a player's own, every code 0 to 99 among them.
SharedLayouts ownLayouts() {
  auto set = std::make_shared<Layouts>(5);
  for (size_t k = 0; k < set->size(); ++k)
    for (size_t cell = 0; cell < 200; ++cell) {
      const size_t code = (k * 37 + cell * 13) % 100;
      (*set)[k][cell / 20] += {static_cast<char>('0' + code / 10), static_cast<char>('0' + code % 10)};
    }
  return set;
}

TEST(Recording, ReplaysToTheLiveTraceByteForByte) {
  for (const uint64_t seed : {1, 2, 3, 4}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const SharedLayouts own = seed == 4 ? ownLayouts() : nullptr;  // the last on a layout file
    const LiveRun run = playLive(seed, 120000, own);
    if (own) {
      EXPECT_EQ(count(run.recording.substr(0, run.recording.find("\nwait ")), "\nlayout "), 5u);
    }
    // The run went through what makes recording hard: stalls, restarts with fresh seeds.
    EXPECT_GT(count(run.recording, "\ncatchup "), 5u);
    EXPECT_GT(count(run.recording, "\nrandomize "), 1u);
    EXPECT_GT(count(run.trace, "\"ev\":\"click gameover\""), 0u);
    EXPECT_EQ(replayed(run.recording), run.trace);
    for (const std::string& w : run.writes) EXPECT_EQ(w.back(), '\n') << w;
  }
}

// The value of `key` in the last line of `text` that has one ("currentScore=" in a script,
// "\"currentScore\":" in a trace).
int64_t lastValue(const std::string& text, const std::string& key) {
  return std::stoll(text.substr(text.rfind(key) + key.size()));
}

// The recording proves itself: every 10 s of game time and at its end an expect line, all of
// them met by the replay; a copy with its arrows swapped after the first 2 s fails at the
// first expect line after the swap that the game no longer meets.
TEST(Recording, ExpectLinesProveTheGameAndATamperedCopyFailsWhereItDiffers) {
  const LiveRun run = playLive(6, 95000);
  EXPECT_TRUE(run.recording.starts_with(
      "# Super Zorvane! 1.0 recording, 2026-12-09 02:30:33 UTC: replay it with zorvane-replay, watch it with "
      "zorvane --watch\n"));
  EXPECT_EQ(count(run.recording, "\nexpect t="), 10u);  // at 10 s, 20 s, ... 90 s and at the end
  const std::string last = run.recording.substr(run.recording.rfind("\nexpect ") + 1);
  EXPECT_EQ(last.find('\n'), last.size() - 1) << "the last line is the proof";
  for (const char* key : {"currentScore", "bestScore", "livesLeft", "bricksLeft", "diceRoll"})
    EXPECT_EQ(lastValue(last, std::string(key) + "="), lastValue(run.trace, "\"" + std::string(key) + "\":")) << key;
  EXPECT_EQ(replayed(run.recording), run.trace);  // every expect met

  std::string tampered;
  std::istringstream lines(run.recording);
  int64_t played = 0;
  std::vector<int64_t> expectTimes;  // script line -> t of its expect, 0 for other lines
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("wait ") || line.starts_with("catchup ")) played += std::stoll(line.substr(line.find(' ')));
    if (played > 2000 && (line == "down 37" || line == "up 37")) line.back() = '9';
    else if (played > 2000 && (line == "down 39" || line == "up 39")) line.back() = '7';
    expectTimes.push_back(line.starts_with("expect t=") ? std::stoll(line.substr(9)) : 0);
    tampered += line + "\n";
  }
  ASSERT_NE(tampered, run.recording);
  std::optional<ExpectMiss> miss;
  const std::string trace = replayed(tampered, &miss);
  ASSERT_TRUE(miss) << "the tampered copy passed every expect line";
  ASSERT_GE(miss->line, 1);
  const int64_t t = expectTimes.at(static_cast<size_t>(miss->line - 1));
  EXPECT_GT(t, 2000) << "line " << miss->line << " is not an expect line after the swap";
  EXPECT_NE(miss->key, ExpectKey::t);  // the clock is the same, the game is not
  // The trace stops at the expect line: its last event came by then, with the game's value.
  EXPECT_GT(lastValue(trace, "\"t\":"), t - Recorder::expectEvery);
  EXPECT_LE(lastValue(trace, "\"t\":"), t);
  EXPECT_EQ(lastValue(trace, "\"" + std::string(keyName(miss->key)) + "\":"), miss->actual);
}

TEST(Recording, ACutRecordingReplaysUpToItsLastLine) {
  const LiveRun run = playLive(4, 30000);
  const std::string whole = replayed(run.recording);
  // Cut after any write, as a killed game leaves it: the replay's trace is a beginning of
  // the whole one.
  std::string cut;
  for (size_t i = 0; i < run.writes.size(); i += 7) {
    cut.clear();
    for (size_t j = 0; j <= i; ++j) cut += run.writes[j];
    const std::string part = replayed(cut);  // and every expect line in it is met
    ASSERT_EQ(whole.compare(0, part.size(), part), 0) << "cut after write " << i;
  }
}

TEST(Recorder, StepsBecomeWaitsAndCatchupsOfTheirOwnTime) {
  Capture out;
  Recorder r(out.sink());
  r.randomize(77);
  r.step(10, false);
  r.step(15, false);
  r.down(39);                    // the waits before it merge into one line
  r.step(0, false);
  r.step(20, false);
  r.step(600, true);             // a catch-up takes no earlier time in
  r.step(5, false);
  r.click("pause");
  r.step(25, false);
  r.close();                     // the last wait
  const std::string header = out.writes.front().substr(0, out.writes.front().find('\n') + 1);
  EXPECT_EQ(header[0], '#');
  EXPECT_EQ(out.text(), header +
                            "wait 25\nrandomize 77\ndown 39\n"
                            "wait 20\ncatchup 600\n"
                            "wait 5\nclick pause\n"
                            "wait 25\n");
}

TEST(Recorder, PendingWaitIsWrittenOnceASecond) {
  Capture out;
  Recorder r(out.sink());
  for (int i = 0; i < 39; ++i) r.step(25, false);
  EXPECT_TRUE(out.writes.empty());
  r.step(25, false);  // a second since the start
  ASSERT_EQ(out.writes.size(), 1u);
  EXPECT_NE(out.writes[0].find("\nwait 1000\n"), std::string::npos);
  for (int i = 0; i < 39; ++i) r.step(25, false);
  r.up(37);
  r.step(40, false);
  EXPECT_EQ(out.writes.back(), "wait 975\nup 37\n");
  r.close();
  EXPECT_EQ(out.writes.back(), "wait 40\n");
}

TEST(Recorder, StopsWritingAfterAFailedWrite) {
  int calls = 0;
  Recorder r([&](std::string_view) { return ++calls > 1 ? true : false; });
  r.down(37);
  EXPECT_TRUE(r.failed());
  r.up(37);
  r.close();
  EXPECT_EQ(calls, 1);
}

std::string scratch(const std::string& name) {
  return testing::TempDir() + "zorvane-live-" + std::to_string(getpid()) + "-" + name;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OutputFile, ReplacesARegularFileAndRefusesWhatItCannotWrite) {
  const std::string path = scratch("out.zrec");
  std::ofstream(path) << "an older and longer recording\n";
  std::string error;
  {
    OutputFile f;
    ASSERT_TRUE(f.open(path, error)) << error;
    EXPECT_EQ(slurp(path), "an older and longer recording\n");  // kept until the game can start
    ASSERT_TRUE(f.empty(error)) << error;
    EXPECT_TRUE(f.write("wait 5\n"));
  }
  EXPECT_EQ(slurp(path), "wait 5\n");
  unlink(path.c_str());

  OutputFile f;
  EXPECT_FALSE(f.open(testing::TempDir(), error));  // a directory
  EXPECT_NE(error.find("cannot write"), std::string::npos);
  EXPECT_FALSE(f.open(scratch("no-such-dir/out.zrec"), error));
  EXPECT_NE(error.find("No such file"), std::string::npos);

  // A pipe nobody reads is refused at once instead of hanging; /dev/null is written as it is.
  const std::string fifo = scratch("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(f.open(fifo, error));
  unlink(fifo.c_str());
  ASSERT_TRUE(f.open("/dev/null", error)) << error;
  EXPECT_TRUE(f.write("wait 5\n"));
  struct stat st{};
  ASSERT_EQ(stat("/dev/null", &st), 0);
  EXPECT_TRUE(S_ISCHR(st.st_mode));

  // A device that takes nothing: the failure is kept, told once, and later writes are refused.
  ASSERT_TRUE(f.open("/dev/full", error)) << error;
  EXPECT_FALSE(f.write("wait 5\n"));
  EXPECT_NE(f.failure().find("No space"), std::string::npos) << f.failure();
  EXPECT_FALSE(f.reported());
  EXPECT_TRUE(f.reported());
  EXPECT_FALSE(f.write("wait 5\n"));
}

// A live game's recording, started as --watch plays it (a few commands and ticks a call:
// where a slice stops changes nothing), with the trace of the uninterrupted replay to
// compare with.
struct Watched {
  explicit Watched(uint64_t seed, int64_t duration) : run(playLive(seed, duration)), expected(replayed(run.recording)) {
    Script script;
    ScriptError error;
    EXPECT_TRUE(parseScript(run.recording, script, error));
    player = std::make_unique<ScriptPlayer>(std::move(script));
    player->limit(5);
    player->start(live);
  }
  LiveRun run;
  std::string expected, trace;
  int seedsHanded = 0;
  Driver live{{.traceSink = [this](std::string_view s) { trace += s; },
               .afterEvent = {},
               .recorder = nullptr,
               .seeds = [this] { return uint64_t(++seedsHanded); }}};
  std::unique_ptr<ScriptPlayer> player;
};

TEST(ScriptPlayer, PacedInSlicesPassesThroughTheStatesOfTheReplayThenTheGameIsLive) {
  Watched w(5, 40000);
  Driver& live = w.live;
  Form1& form = DriverTestDoor::form(live);
  ScriptPlayer& player = *w.player;
  // The window's clock moves on unevenly, and at speed 4: waits and catch-ups are split.
  std::mt19937_64 rng(9);
  int64_t t = 0;
  while (player.playTo(live, t)) {
    const int64_t next = player.nextTime(live);
    EXPECT_GE(next, live.now());
    if (next <= t) continue;  // a slice ran out before `t`: the next call goes on at once
    t += std::uniform_int_distribution<int64_t>(0, 120)(rng);
  }
  EXPECT_FALSE(player.playing());
  live.close();
  EXPECT_EQ(w.trace, w.expected);

  // Live again: the script's seeds are dropped, and each restart takes a fresh live seed.
  EXPECT_EQ(w.seedsHanded, 1);
  EXPECT_EQ(form.seedsQueued(), 1u);
  for (int i = 0; i < 400 && !DriverTestDoor::fields(form).gameover.Visible; ++i) live.step(live.now() + 25);
  if (!DriverTestDoor::fields(form).gameover.Visible) {
    DriverTestDoor::fields(form).livesLeft = 0;
    DriverTestDoor::over(form);
  }
  ASSERT_TRUE(live.click("gameover"));
  EXPECT_EQ(w.seedsHanded, 2);
}

// The lines of a trace whose time t is in (from, to].
std::string linesBetween(const std::string& trace, int64_t from, int64_t to) {
  std::string kept;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    const int64_t t = std::stoll(line.substr(5));  // {"t":
    if (t > from && t <= to) kept += line + "\n";
  }
  return kept;
}

// Jumps back and forward in a watched recording: after each, the game goes through exactly
// the states of the uninterrupted replay, from the snapshot it started from; also when the
// snapshots have thinned out to the most that may be kept.
TEST(Seeker, AfterAJumpTheGamePlaysOnAsTheUninterruptedRun) {
  // Back to 12.345 s, forward to 31 s, back to 5 s, then to the end: from the snapshots at
  // 10, 20 and 0 s, or, with two kept (then 20 s apart), at 0, 20 and 0 s.
  const struct { size_t mostKept, kept; int64_t from[3]; } cases[] = {
      {Seeker::keptByDefault, 3, {10000, 20000, 0}},
      {2, 2, {0, 20000, 0}},
  };
  const int64_t to[] = {12345, 31000, 5000};
  for (const auto& c : cases) {
    SCOPED_TRACE("at most " + std::to_string(c.mostKept) + " snapshots");
    Watched w(7, 45000);
    const std::string& expected = w.expected;
    const std::string& trace = w.trace;
    Driver& live = w.live;
    Seeker seeker(live, *w.player, c.mostKept);
    std::mt19937_64 rng(3);
    int64_t t = 0;
    while (t < 27000) {
      t += std::uniform_int_distribution<int64_t>(0, 120)(rng);
      while (seeker.playTo(t) && w.player->nextTime(live) <= t) {  // slice after slice
      }
    }
    const int64_t played = t;
    EXPECT_EQ(seeker.snapshots(), c.kept);

    std::vector<size_t> starts;
    for (const int64_t moment : to) {
      live.flush();
      starts.push_back(trace.size());
      EXPECT_TRUE(seeker.jumpTo(moment));
      for (int calls = 0; calls < 10000 && seeker.jumping(); ++calls) seeker.playTo(0);  // over later calls, paced
      EXPECT_EQ(live.now(), moment);
    }
    for (t = 5000; seeker.playTo(t);) t += std::uniform_int_distribution<int64_t>(0, 500)(rng);
    live.close();
    EXPECT_GE(seeker.length(), 45000);  // the time recorded, to the last step
    EXPECT_LT(seeker.length(), 45000 + 700);
    // (compared as booleans: the traces run to megabytes)
    EXPECT_TRUE(trace.substr(0, starts[0]) == linesBetween(expected, -1, played));
    for (size_t i = 0; i + 1 < std::size(to); ++i)
      EXPECT_TRUE(trace.substr(starts[i], starts[i + 1] - starts[i]) == linesBetween(expected, c.from[i], to[i]))
          << "after jump " << i;
    EXPECT_TRUE(trace.substr(starts.back()) == expected.substr(expected.find('\n') + 1));  // all but the load line
    EXPECT_FALSE(seeker.jumpTo(0));  // the recording has ended: the game is live
  }
}

}  // namespace
}  // namespace zorvane
