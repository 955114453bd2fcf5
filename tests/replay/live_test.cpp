// Recorded games: the live game's recording replays to the very trace it wrote live, the
// recording's lines and files, and a watched recording passing through the same states.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "editor/editor.h"
#include "host/loop.h"
#include "host/program.h"
#include "image/output_file.h"
#include "paint/text.h"
#include "drive/player.h"
#include "drive/seek.h"
#include "game/form1.h"
#include "platform/keys.h"
#include "script/recorder.h"
#include "script/script.h"
#include "session/session.h"
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

Script parsed(const std::string& text) {
  Script script;
  ScriptError error;
  EXPECT_TRUE(parseScript(text, script, error)) << "line " << error.line << ": " << error.message;
  return script;
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
  r.seed(5);                     // written straight after the first line
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
                            "seed 5\nwait 25\nrandomize 77\ndown 39\n"
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

  // (A folder, or a file in a missing one, is refused: the window's command-line test has the messages.)
  OutputFile f;
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

// A file over the size limit (RLIMIT_FSIZE) takes only part of a write: it is cut back to
// its last whole line, so that the recording stays a script. (In a child: the limit is the
// process's own.)
TEST(OutputFile, APartlyWrittenLineIsCutBackToTheLastWholeOne) {
  const std::string path = scratch("limit.zrec");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
    OutputFile f;
    std::string error;
    bool wrote = f.open(path, error) && f.empty(error) && f.write(std::string(60, 'w') + "\n");
    wrote = wrote && !f.write(std::string(30, 'x') + "\n" + std::string(30, 'y') + "\n");  // crosses byte 100
    _exit(wrote && !f.write("z\n") ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(slurp(path), std::string(60, 'w') + "\n");
  std::remove(path.c_str());
}

// The editor's save, one row per file it may meet: each is saved over (or refused) through
// the one write-and-rename routine, a file someone else changed is saved only when asked,
// and nothing but the file and what was asked for is left in its folder.
TEST(EditorSave, KeepsWhatTheFileWasAndRefusesWhatItMayNotWrite) {
  namespace fs = std::filesystem;
  const bool root = geteuid() == 0;
  const auto besides = [](int last) {  // the folder's entries: f.layouts and f-2 to f-LAST beside it
    std::vector<std::string> all{"f.layouts"};
    for (int n = 2; n <= last; ++n) all.push_back("f-" + std::to_string(n) + ".layouts");
    return std::sort(all.begin(), all.end()), all;
  };
  const struct Row {
    const char* name;
    std::function<void(const std::string& dir)> before = {};  // makes "f.layouts" (or the row's file) as found
    std::string file = "f.layouts";                      // the name the editor saves to
    SaveHow how = SaveHow::Checked;
    bool changed = false;                                // someone else wrote the file after it was read
    const char* says = "";                               // a refusal's reason; "" when saved
    std::string savedTo = "f.layouts";                   // the file that holds the new text
    std::vector<std::string> after = {"f.layouts"};      // the folder's entries afterwards
    unsigned mode = 0600;                                // the saved file's permissions (0: a new file's)
    bool link = false;                                   // the row's file is a link, and stays one
    bool owned = false;                                  // the file is another user's (root only)
  } rows[] = {
      {.name = "a private file keeps its mode", .before = [](auto& d) { fs::permissions(d + "/f.layouts", fs::perms(0600)); }},
      {.name = "a group's file keeps its mode", .before = [](auto& d) { fs::permissions(d + "/f.layouts", fs::perms(0664)); }, .mode = 0664},
      {.name = "a read-only file is refused", .before = [](auto& d) { fs::permissions(d + "/f.layouts", fs::perms(0444)); },
       .says = "Permission denied", .savedTo = "", .mode = 0444},
      {.name = "through a link the file it names is replaced, the link kept", .before = [](auto& d) { fs::permissions(d + "/f.layouts", fs::perms(0640)); fs::create_symlink("f.layouts", d + "/link.layouts"); },
       .file = "link.layouts", .after = {"f.layouts", "link.layouts"}, .mode = 0640, .link = true},
      {.name = "a link to a folder's file, from another folder", .before = [](auto& d) { fs::create_directory(d + "/sub"); fs::rename(d + "/f.layouts", d + "/sub/f.layouts");
                     fs::create_symlink("sub/f.layouts", d + "/f.layouts"); },
       .savedTo = "sub/f.layouts", .after = {"f.layouts", "sub"}, .mode = 0644, .link = true},
      {.name = "a 255-byte name", .before = [](auto& d) { fs::rename(d + "/f.layouts", d + "/" + std::string(247, 'x') + ".layouts"); },
       .file = std::string(247, 'x') + ".layouts", .savedTo = std::string(247, 'x') + ".layouts",
       .after = {std::string(247, 'x') + ".layouts"}, .mode = 0644},
      {.name = "a killed save's leftovers are no hindrance", .before = [](auto& d) { std::ofstream(d + "/.zorvane-save-AAAAAA") << "half"; fs::create_directory(d + "/f.layouts.saving-1"); },
       .after = {".zorvane-save-AAAAAA", "f.layouts", "f.layouts.saving-1"}, .mode = 0644},
      {.name = "a file changed since it was read is not saved over unasked", .changed = true, .says = "changed",
       .savedTo = "", .mode = 0644},
      {.name = "unless asked to", .how = SaveHow::Over, .changed = true, .mode = 0644},
      {.name = "or saved beside it", .before = [](auto& d) { std::ofstream(d + "/f-2.layouts") << "another's"; },
       .how = SaveHow::Beside, .changed = true, .savedTo = "f-3.layouts", .after = {"f-2.layouts", "f-3.layouts", "f.layouts"},
       .mode = 0},
      {.name = "or beside it under the last name there is", .before = [](auto& d) { for (int n = 2; n < 99; ++n) std::ofstream(d + "/f-" + std::to_string(n) + ".layouts"); },
       .how = SaveHow::Beside, .changed = true, .savedTo = "f-99.layouts", .after = besides(99), .mode = 0},
      {.name = "another user's file stays theirs (root may give it back)", .before = [](auto& d) { ASSERT_EQ(chown((d + "/f.layouts").c_str(), 65534, 65534), 0); }, .mode = 0644, .owned = true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.owned && !root) continue;
    const std::string dir = scratch("save");
    fs::remove_all(dir);
    fs::create_directory(dir);
    {
      std::ofstream(dir + "/f.layouts") << "old\n";
    }
    fs::permissions(dir + "/f.layouts", fs::perms(0644));
    if (row.before) row.before(dir);
    Files files;
    files.editPath = dir + "/" + row.file;
    files.editStamp = image::stampOf(files.editPath);
    ASSERT_TRUE(files.editStamp.exists);
    if (row.changed) std::ofstream(dir + "/" + row.file, std::ios::app) << "# appended by another\n";
    const std::string before = slurp(dir + "/" + row.file);
    const SaveOutcome done = saveEdited(files, "new\n", row.how);
    EXPECT_EQ(done.saved, row.savedTo != "") << done.why;
    if (done.saved) {
      EXPECT_EQ(slurp(dir + "/" + row.savedTo), "new\n");
      EXPECT_EQ(done.to, shownName(row.how == SaveHow::Beside ? row.savedTo : row.file));
      EXPECT_EQ(files.editStamp, image::stampOf(files.editPath));  // a second save needs no question
      EXPECT_EQ(saveEdited(files, "newer\n", SaveHow::Checked).saved, true);
    } else {
      EXPECT_EQ(slurp(dir + "/" + row.file), before);
      EXPECT_NE((done.changed ? std::string("changed") : done.why).find(row.says), std::string::npos) << done.why;
    }
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator(dir)) entries.push_back(e.path().filename());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, row.after);
    struct stat st {};
    ASSERT_EQ(stat((dir + "/" + (row.savedTo != "" ? row.savedTo : row.file)).c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 07777, row.mode ? row.mode : 0666 & ~mask);
    if (row.owned) {
      EXPECT_EQ(st.st_uid, 65534u);
    }
    EXPECT_EQ(fs::is_symlink(dir + "/" + row.file), row.link);
    fs::remove_all(dir);
  }
}

// An expect line is checked whole wherever it stands: a wrong last value of a line that is
// not the script's last is met as surely as one of the last line.
TEST(ScriptPlayer, ChecksEveryValueOfEveryExpectLine) {
  const struct {
    const char* script;
    int64_t line;
  } cases[] = {
      {"expect t=0 currentScore=0 bestScore=5\nexpect t=0\n", 1},
      {"expect t=0 bestScore=5 currentScore=0\nwait 10\nexpect t=10\n", 1},
      {"expect t=0\nexpect t=0 currentScore=0 bestScore=5\n", 2},
      {"expect t=0 currentScore=0 bestScore=0\nwait 10\nexpect t=10 bestScore=0\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Driver d;
    const std::optional<ExpectMiss> miss = playWhole(d, parsed(c.script));
    EXPECT_EQ(miss ? miss->line : 0, c.line);
    if (miss) {
      EXPECT_EQ(miss->key, ExpectKey::bestScore);
    }
  }
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
  // With four kept, the fifth at 40 s thins them to 0 and 20 s (the one at 20 s moves down),
  // then keeps 40 s: the jump to 31 s starts from 20 s.
  const struct { size_t mostKept, kept; int64_t from[3], played; } cases[] = {
      {Seeker::keptByDefault, 3, {10000, 20000, 0}, 27000},
      {2, 2, {0, 20000, 0}, 27000},
      {4, 3, {0, 20000, 0}, 42000},
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
    while (t < c.played) {
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


// A host as the window and the page are: it tells the session its wall clock, hands it keys
// and pointers, and paints its picture into a buffer of 568 x 489 pixels (scale 1).
struct FakeHost {
  explicit FakeHost(const std::function<void(SessionOptions&)>& set = {}) : session(fonts, options(set)) {}
  static SessionOptions options(const std::function<void(SessionOptions&)>& set) {
    SessionOptions o;
    if (set) set(o);
    return o;
  }
  // Advances to `wall` as a host's wake-ups do: again at once while a slice of the recording
  // ran out before it.
  void at(double to) {
    wall = to;
    for (int i = 0; i < 100000; ++i) {
      session.advance(wall);
      const double next = session.nextWake(wall);
      if (next < 0 || next > wall) break;
    }
  }
  int64_t paint(int width = 568) {  // the pixels painted
    pixels.resize(size_t(width) * 489);
    int64_t area = 0;
    for (const paint::Rect& r : session.paint({pixels.data(), width, 489, width, paint::xrgb})) area += int64_t(r.w) * r.h;
    return area;
  }
  std::vector<uint32_t> pixels;
  paint::Fonts fonts;  // none: nothing here reads the text
  Session session;
  double wall = 0;
};

// The window's command line takes --speed over the range its help states, and no further;
// the window sleeps until the session has more to do, at most a second (50 ms while a
// sound plays), and not at all when it is due.
TEST(Host, SpeedsOfTheHelpAndSleepsOfTheLoop) {
  testing::internal::CaptureStdout();
  printHelp();
  const std::string help = testing::internal::GetCapturedStdout();
  const size_t at = help.find("real speed, ");
  ASSERT_NE(at, std::string::npos) << help;
  double lowest = 0, highest = 0;
  ASSERT_EQ(std::sscanf(help.c_str() + at, "real speed, %lf to %lf", &lowest, &highest), 2);
  const struct {
    double speed;
    bool taken;
  } speeds[] = {{lowest, true}, {highest, true}, {lowest * 0.99, false}, {highest * 1.01, false}, {1, true}};
  for (const auto& c : speeds) {
    std::string speed = std::to_string(c.speed), error;
    const char* argv[] = {"zorvane", "--watch", "game.zrec", "--speed", speed.c_str()};
    Options options;
    EXPECT_EQ(parseOptions(5, const_cast<char**>(argv), options, error), c.taken) << speed << ": " << error;
    if (c.taken) {
      EXPECT_EQ(options.speed, std::stod(speed));
    }
  }

  FakeHost host;
  Session& s = host.session;
  s.edit({}, "mine.layouts");  // nothing to do but for input
  EXPECT_EQ(sleepFor(s, 0, false), 1000);
  EXPECT_EQ(sleepFor(s, 0, true), 50);
  s.start(0, 1);
  host.at(100);
  const double due = s.nextWake(100);  // the game's next timer
  ASSERT_GT(due, 100);
  EXPECT_EQ(sleepFor(s, 100, false), std::ceil(due - 100));
  EXPECT_EQ(sleepFor(s, due + 5, false), 0);
}

// The one loop of both windows, on a system whose messages are scripted: each reaches the
// session, the focus lost lets go of the keys held, what S asks for is told, only the main
// button clicks in the game, the title is set, and closing ends the loop with the
// recording's last lines.
TEST(Host, TheLoopHandsTheWindowsMessagesToTheSession) {
  struct Scripted : host::System {
    std::vector<host::Event> events;
    std::string title;
    void wait(double, GamepadSlots&, const Take& take) override {
      for (const host::Event& e : std::exchange(events, {{host::Event::Close}}))
        if (!take(e)) return;
    }
    void setTitle(const std::string& t) override { title = t; }
    bool newPixels() override { return false; }
    bool show(const Paint& paint) override {
      pixels.resize(568 * 489);
      return !paint({pixels.data(), 568, 489, 568, paint::xrgb}).empty();
    }
    std::vector<uint32_t> pixels;
  } system;
  using E = host::Event;
  system.events = {{E::KeyDown, keys::Right}, {E::FocusLost},  {E::KeyDown, keys::S},
                   {E::KeyDown, keys::P},     {E::KeyUp, keys::P}, {E::PointerDown, 0, false, 304, 240, true},
                   {E::PointerUp, 0, false, 304, 240, true},    {E::KeyDown, keys::Left}, {E::KeyUp, keys::Left},
                   {E::PointerDown, 0, false, 304, 240},        {E::PointerUp, 0, false, 304, 240}};
  std::string recorded;
  FakeHost host([&](SessionOptions& o) { o.record = [&](std::string_view lines) { return recorded += lines, true; }; });
  host.session.start(0, 1);
  const bool left = false;
  testing::internal::CaptureStderr();
  host::run(system, host.session, host::Clock(), Options{}, left, {});
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "zorvane: Score 0.\n");
  EXPECT_EQ(system.title, "Super Zorvane!");
  const size_t click = recorded.find("\nclick pause\n");  // the main button's, on Pause, after the Left key
  ASSERT_NE(click, std::string::npos) << recorded;
  EXPECT_EQ(recorded.rfind("\nclick pause\n"), click);
  EXPECT_LT(recorded.find("\ndown 37\n"), click) << recorded;
  const size_t down = recorded.find("\ndown 39\n");
  EXPECT_NE(down, std::string::npos) << recorded;
  EXPECT_NE(recorded.find("\nup 39\n", down), std::string::npos) << recorded;
  EXPECT_NE(recorded.find("\nexpect "), std::string::npos) << recorded;
}

// The watch clock, for every front end: the keys (and the page's buttons, which call the
// same functions) pause, change the speed within 0.25x..8x and jump 10 s, and the game
// stands where the clock says.
TEST(Session, WatchClockPausesChangesSpeedAndJumps) {
  const LiveRun run = playLive(8, 40000);
  FakeHost host([](SessionOptions& o) { o.slice = 50; });
  Session& s = host.session;
  s.watch(parsed(run.recording), "game.zrec", 1000);
  const struct {
    int16_t key;  // 0: only time passes
    int times;
    double wall;
    int64_t position;
    double speed;
    bool paused;
  } steps[] = {
      {0, 1, 2000, 1000, 1, false},                 // its own pace
      {keys::Up, 1, 2000, 1000, 2, false},          // Up doubles
      {0, 1, 2500, 2000, 2, false},
      {keys::Down, 3, 2500, 2000, 0.25, false},     // Down halves, to a quarter at the least
      {0, 1, 2900, 2100, 0.25, false},
      {keys::Up, 6, 2900, 2100, 8, false},          // and 8 times at the most
      {0, 1, 3000, 2900, 8, false},
      {keys::Space, 1, 3000, 2900, 8, true},        // Space pauses
      {0, 1, 9000, 2900, 8, true},                  // and time stands
      {keys::Right, 1, 9000, 12900, 8, true},       // Right jumps 10 s on, paused too
      {keys::Left, 2, 9000, 0, 8, true},            // Left jumps back, never before the start
      {keys::Space, 1, 9000, 0, 8, false},          // Space plays on
      {keys::Down, 3, 9500, 500, 1, false},
  };
  for (const auto& step : steps) {
    for (int i = 0; i < step.times; ++i) s.keyDown(step.key);
    host.at(step.wall);
    SCOPED_TRACE("key " + std::to_string(step.key) + " at " + std::to_string(step.wall));
    EXPECT_EQ(s.position(), step.position);
    EXPECT_EQ(s.driver().now(), step.position);  // no jump is left on its way
    EXPECT_EQ(s.speed(), step.speed);
    EXPECT_EQ(s.paused(), step.paused);
    EXPECT_EQ(s.nextWake(step.wall) < 0, step.paused);
  }
  s.stoodStill(4000);  // a hidden page slept: the recording waited as long
  host.at(13500);
  EXPECT_EQ(s.position(), 500);
  s.keyDown(keys::Space, true);  // a held Space repeats: that does nothing
  EXPECT_FALSE(s.paused());
  EXPECT_EQ(s.title(), "Super Zorvane! \u2014 playing a recording at 1\u00d7 (Space: pause, Left/Right: 10 s back/on, "
                       "Up/Down: faster/slower)");
  EXPECT_EQ(s.status(), "Playing the recording game.zrec");
  // A far jump plays its way there over later calls and says how far it has got; Esc stops
  // one on its way where it got to.
  const std::string head = "Playing the recording game.zrec \u2014 jumping: ";
  std::vector<int> percents;
  EXPECT_TRUE(s.jumpTo(35000));
  for (std::string said; (said = s.status()).starts_with(head) && percents.size() < 1000; s.advance(9500)) {
    EXPECT_TRUE(said.ends_with("% (Esc stops)")) << said;
    percents.push_back(std::stoi(said.substr(head.size())));
  }
  ASSERT_GE(percents.size(), 3u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_TRUE(percents.back() > 50 && percents.back() < 100) << percents.back();
  EXPECT_EQ(s.driver().now(), 35000);
  EXPECT_TRUE(s.jumpTo(39000));
  s.keyDown(keys::Escape);
  EXPECT_EQ(s.status(), "Playing the recording game.zrec");
  EXPECT_LT(s.position(), 39000);
  EXPECT_EQ(s.position(), s.driver().now());
  EXPECT_TRUE(s.jumpTo(30000));
  EXPECT_EQ(s.position(), 30000);
  EXPECT_TRUE(s.jumpTo(s.length()));  // to its end: then the player has the game
  host.at(9500);
  EXPECT_FALSE(s.watching());
  EXPECT_EQ(s.title(), "Super Zorvane!");
  // The game's news is told while a recording plays at its own pace, not faster.
  for (const double speed : {1.0, 2.0}) {
    s.watch(parsed("wait 100\ndown 80\nup 80\nwait 1000\n"), "p.zrec", 0, speed);
    s.news();  // the first look tells nothing
    host.at(150);
    EXPECT_EQ(s.news(), speed > 1 ? "" : "Paused.") << speed;
  }
}

// When a recording ends the player has the game, on the wall clock from where it stopped;
// the session says what the recording proved, and the window tells the player a missed
// expect line once; the new recording holds the lines that make the watched game (written
// again from it: at once for the window, when the page asks for them) and then what the
// player played, so that it replays to the very trace the session wrote; and a hovering
// pointer steers nothing while the recording plays.
TEST(Session, HandsOverWhenARecordingEndsAndRecordsWhatFollows) {
  const LiveRun run = playLive(5, 20000);
  std::string tampered = run.recording;
  tampered.insert(tampered.rfind("currentScore=") + 13, "1");
  const std::string unended = run.recording.substr(0, run.recording.size() - 1);
  const std::string score = std::to_string(lastValue(run.trace, "\"currentScore\":"));
  const std::string padded = std::string(6 - score.size(), '0') + score;
  const struct {
    const std::string& text;
    std::string verdict, told;  // told: the start of what the window says of it
    bool replays;
  } cases[] = {
      {run.recording, "Verified: score " + padded, "", true},
      {unended, "Verified: score ", "", true},
      {tampered, "Not verified: line ", "zorvane: game.zrec, line ", false},
  };
  for (const auto& c : cases)
  for (const bool later : {false, true}) {
    SCOPED_TRACE(c.verdict + (later ? ", start written when asked" : ", start written at once"));
    std::string trace, recorded;
    FakeHost host([&](SessionOptions& o) {
      o.seeds = [] { return uint64_t(77); };
      o.trace = [&](std::string_view lines) { trace += lines; };
      o.record = [&](std::string_view lines) { return recorded += lines, true; };
      o.startLater = later;
      o.slice = 200;
      o.steering = Steering::Hover;
    });
    Session& s = host.session;
    s.watch(parsed(c.text), "game.zrec", 500, 8);
    EXPECT_EQ(recorded.empty(), later);
    host.paint();
    double wall = 500;
    while (s.watching() && wall < 10000) s.pointerMoved(wall / 20, 400), host.at(wall += 37);
    ASSERT_FALSE(s.watching());
    s.pointerLeft();
    Options options;
    options.watch = "game.zrec";
    for (const std::string& told : {c.told, std::string()}) {  // told once
      testing::internal::CaptureStderr();
      tellEnding(s, options);
      const std::string said = testing::internal::GetCapturedStderr();
      EXPECT_TRUE(said.starts_with(told) && said.empty() == told.empty()) << said;
    }
    EXPECT_TRUE(s.verdict().starts_with(c.verdict)) << s.verdict();
    EXPECT_EQ(s.fileName("D"), "zorvane-D-score-" + padded + ".zrec");
    s.keyDown(keys::S, true);  // S asks for the score in words, once, and its repeats do not
    EXPECT_EQ(s.said(), "");
    s.keyDown(keys::S);
    EXPECT_EQ(s.said() + s.said(), "Score " + score + ".");
    s.keyUp(keys::S);
    const int64_t end = s.driver().now();
    host.at(wall + 300);
    EXPECT_EQ(s.driver().now(), end + 300);  // the wall clock goes on from where it stopped
    s.keyDown(keys::Right);  // the player's keys reach the game now
    host.at(wall + 800);
    s.keyUp(keys::Right);
    s.keyDown(keys::Delete), s.keyUp(36);  // keys the game has no code for reach it as 0
    host.at(wall + 12000);
    s.close();
    std::string whole;
    s.writeStart([&](std::string_view piece) { return whole += piece, true; });
    whole += recorded;
    if (!c.replays) continue;
    EXPECT_NE(whole.find("\nup 39\ndown 0\nup 0\n"), std::string::npos);
    EXPECT_EQ(replayed(whole), trace);
  }
}

// A recording holds no more than a script may: a watched recording that leaves room for a
// few events is played on and recorded until the room runs short, then ends with its closing
// lines (and verifies); one that leaves none records nothing after it. Either way the player
// is told once, and the file is whole lines within the room.
TEST(Session, ARecordingStopsWhereAScriptsRoomEnds) {
  const LiveRun run = playLive(5, 20000);
  const Script watched = parsed(run.recording);
  std::string start;
  writeGameLines(watched, [&](std::string_view piece) { return start += piece, true; });
  for (const bool later : {false, true})
  for (const size_t room : {Session::closingRoom + 600, size_t(50)}) {
    SCOPED_TRACE(std::to_string(room) + (later ? ", start written when asked" : ", start written at once"));
    // However it is written, the start counts as the lines it was read from.
    const size_t counted = watched.gameBytes;
    std::string recorded;
    FakeHost host([&](SessionOptions& o) {
      o.recordingRoom = counted + room;  // as a script's 64 MiB, sooner
      o.startLater = later;
      o.seeds = [] { return uint64_t(77); };
      o.record = [&](std::string_view lines) { return recorded += lines, true; };
    });
    Session& s = host.session;
    s.watch(parsed(run.recording), "big.zrec", 0, 8);
    double wall = 0;
    while (s.watching() && wall < 10000) host.at(wall += 37);
    std::string told;
    for (int i = 0; i < 400; ++i) {
      s.keyDown(i % 2 ? keys::Left : keys::Right);
      host.at(wall += 40);
      s.keyUp(i % 2 ? keys::Left : keys::Right);
      told += s.notice();
    }
    s.close();
    std::string whole;
    s.writeStart([&](std::string_view piece) { return whole += piece, true; });
    whole += recorded;
    EXPECT_LE(whole.size(), counted + room);
    EXPECT_EQ(whole.back(), '\n');
    EXPECT_EQ(told, "This game has filled the 64 MiB a recording may hold: the recording ends here, and what you play from now "
                    "on is not recorded.");
    ASSERT_TRUE(whole.starts_with(start));
    const std::string after = whole.substr(start.size());
    EXPECT_EQ(after.find("down 39") != std::string::npos, room > Session::closingRoom) << after.substr(0, 200);
    std::optional<ExpectMiss> miss;
    replayed(whole, &miss);
    EXPECT_FALSE(miss.has_value());
  }
}

// A pointer steers the paddle towards itself (held down on the page, hovering with the
// window's --mouse) and stops within a step of it; a press and a release on the same shown
// button click it, drawn pressed meanwhile.
TEST(Session, APointerSteersTowardsItselfAndClicksTheButtonItPressed) {
  for (const Steering steering : {Steering::Held, Steering::Hover}) {
    SCOPED_TRACE(steering == Steering::Held ? "held" : "hover");
    FakeHost host([&](SessionOptions& o) { o.steering = steering; });
    Session& s = host.session;
    s.start(0, 1);
    host.paint();
    const auto centre = [&] { return double(s.driver().paddle().centre) / 15; };
    const double target = centre() + 60;
    if (steering == Steering::Held) s.pointerDown(target, 400);
    s.pointerMoved(target, 400);
    EXPECT_TRUE(s.driver().paddle().moving);
    for (double wall = 0; wall < 1000 && s.driver().paddle().moving; wall += 16) host.at(wall);
    EXPECT_FALSE(s.driver().paddle().moving);
    EXPECT_LE(std::abs(centre() - target), s.driver().paddle().step / 15);
    if (steering == Steering::Held) {  // lifted, it steers no more
      s.pointerDown(target + 100, 400);
      s.pointerUp(target + 100, 400);
      EXPECT_FALSE(s.driver().paddle().moving);
    }
    s.pointerLeft();
    // Held as the window loses the focus, a key or a pad's stick: let go then. A pad past the
    // last slot is not heard.
    for (const int pad : {-1, 0, GamepadSlots::most - 1, GamepadSlots::most}) {
      pad < 0 ? s.keyDown(keys::Right) : s.pads().stickX(pad, 32767);
      EXPECT_EQ(s.driver().paddle().moving, pad < GamepadSlots::most) << pad;
      s.letGo();
      EXPECT_FALSE(s.driver().paddle().moving);
    }
    s.keyDown(keys::P);
    s.keyUp(keys::P);
    const GameFields& game = DriverTestDoor::fields(s.driver().form());
    ASSERT_TRUE(game.pause.Visible);
    host.paint();
    s.pointerDown(304, 240);  // a press on Pause taken away clicks nothing
    s.pointerCancelled();
    s.pointerUp(304, 240);
    EXPECT_TRUE(game.pause.Visible);
    s.pointerDown(304, 240);  // on Pause; away and back again; released there
    s.pointerMoved(10, 10);
    s.pointerMoved(304, 240);
    EXPECT_TRUE(game.pause.Visible);
    s.pointerUp(304, 240);
    EXPECT_FALSE(game.pause.Visible);
    s.pointerDown(304, 240);  // off any shown button now: nothing
    s.pointerUp(304, 240);
    EXPECT_FALSE(game.pause.Visible);
  }
}

// Every fixed text the game and the editor draw has its glyphs in the face it is drawn with,
// in the machine's files and in the page's cut of them (made by the build from the same list,
// paint/faces.cmake): the game in each of its states, the editor with every code chosen and
// each of its messages, side by side and upright. A character from outside (a file's name)
// that a face lacks is drawn as "?", which every face has.
// The captions of a picture's labels and buttons, with their fonts.
struct Captions : ControlVisitor {
  std::vector<std::pair<Font, std::string>> seen;
  void shape(const Shape&) override {}
  void label(const Label& l) override { seen.push_back({l.font, l.Caption}); }
  void button(std::string_view, const Button& b) override { seen.push_back({b.font, b.Caption}); }
  bool has(const std::string& caption) const {
    return std::any_of(seen.begin(), seen.end(), [&](const auto& s) { return s.second == caption; });
  }
};

TEST(Text, EveryFixedTextHasItsGlyphsInItsFace) {
  Captions texts;
  FakeHost host;
  Session& s = host.session;
  s.start(0, 1);
  s.view().visitControls(texts);  // the window as designed, every caption of it
  for (int16_t key : {keys::Right, keys::P}) {  // served, then paused
    s.keyDown(key), s.keyUp(key);
    host.at(host.wall + 3000);
    s.view().visitControls(texts);
  }
  Form1& game = const_cast<Form1&>(s.driver().form());
  GameFields& f = DriverTestDoor::fields(game);
  for (int i = 0; i < 3; ++i) DriverTestDoor::lostlife(game);  // Game Over, and the scores at their widest
  f.currentScore = f.bestScore = 999999, f.levelNumber = 99;
  s.view().visitControls(texts);
  s.edit({}, "mine.layouts");
  EditorScreen& e = const_cast<EditorScreen&>(*s.editor());
  for (const char* message : {"Unsaved changes: Esc again leaves, S saves", "Nothing to undo", "Nothing to redo",
                              "The set is full: 100 layouts", "Saved to mine.layouts", "Not saved: nowhere to save to"}) {
    e.message = message;
    s.view().visitControls(texts);
  }
  for (e.editor.chosen = 0; e.editor.chosen < 100; ++e.editor.chosen) s.view().visitControls(texts);
  std::vector<uint32_t> tall(size_t(1170) * 2082);  // held upright: the groups' and the buttons' shorter words
  s.pointerKind(3, true);
  s.paint({tall.data(), 1170, 2082, 1170, paint::xrgb});
  s.view().visitControls(texts);

  paint::Fonts cut;
  for (const paint::FaceFile& f : paint::faceFiles)
    ASSERT_TRUE(cut.addFile(f.face, f.weight, (std::string(ZORVANE_CUT_FONTS) + "/" + f.name + ".ttf").c_str())) << f.name;
  for (const paint::Fonts* fonts : {&paint::Fonts::installed(), static_cast<const paint::Fonts*>(&cut)}) {
    std::set<std::string> wrong;
    for (const auto& [font, text] : texts.seen) {
      const std::u32string lacked = paint::lacking(*fonts, font, text + "?");
      if (lacked.empty()) continue;
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", unsigned(lacked[0]));
      wrong.insert(std::string(font.face) + " " + std::to_string(font.weight) + ": \"" + text + "\" lacks " + code);
    }
    for (const std::string& w : wrong) ADD_FAILURE() << (fonts == &cut ? "the page's cut: " : "the machine's files: ") << w;
  }
  // A file's name with a letter the cut lacks: that letter is drawn as "?".
  paint::TextCache text(cut);
  paint::TextRun named, asked;
  ASSERT_TRUE(text.run(Font{"Arial", 9, 700, 0}, 12, "caf\u00e9", named));
  const std::vector<uint8_t> namedMask(named.mask, named.mask + size_t(named.maskW) * size_t(named.maskH));
  ASSERT_TRUE(text.run(Font{"Arial", 9, 700, 0}, 12, "caf?", asked));
  EXPECT_EQ(named.width, asked.width);
  EXPECT_EQ(namedMask, std::vector<uint8_t>(asked.mask, asked.mask + size_t(asked.maskW) * size_t(asked.maskH)));
}

// The layout editor through the session as a host drives it: the pointer paints, drags and
// empties, keys choose and paint, the buttons and Ctrl+Z/Ctrl+Y change the set, each a step
// undone whole; the counts are the game's; a layout tried comes back with its history; and
// what is saved reads back as the same layouts.
TEST(Session, TheEditorPaintsUndoesTriesAndSavesLayouts) {
  std::string saved, refusal;
  bool changedOnDisk = false;
  std::vector<SaveHow> hows;
  bool left = false;
  FakeHost host([&](SessionOptions& o) {
    o.save = [&](std::string_view text, SaveHow how) {
      hows.push_back(how);
      if (how == SaveHow::Checked && changedOnDisk) return SaveOutcome{.changed = true};
      if (!refusal.empty()) return SaveOutcome{.why = refusal};
      saved = text;
      return SaveOutcome{.saved = true, .to = how == SaveHow::Beside ? "mine-2.layouts" : ""};
    };
    o.leave = [&] { left = true; };
  });
  Session& s = host.session;
  s.edit({}, "/tmp/mine.layouts");
  EXPECT_EQ(s.news(), "Layout editor. " + s.summary());  // told once, and again as it changes
  EXPECT_EQ(s.news(), "");
  host.paint(856);  // scale 1: a pixel is 15 units
  const Editor& e = s.editor()->editor;
  // Pixels of a cell (as the game places its bricks), a button and a swatch of the palette.
  const auto cell = [](int x, int y) { return std::pair{(120 + (x + 0.5) * 414.75) / 15, (1560 + (y + 2.5) * 226.2) / 15}; };
  const auto centre = [&](auto box, auto which) {
    float left = 0, top = 0, w = 0, h = 0;
    (s.editor()->*box)(which, left, top, w, h);
    return std::pair{(left + w / 2) / 15.0, (top + h / 2) / 15.0};
  };
  const auto button = [&](EditorButton b) { return centre(&EditorScreen::buttonBox, b); };
  const auto press = [&](std::pair<double, double> at, bool other = false) {
    s.pointerDown(at.first, at.second, other);
    s.pointerUp(at.first, at.second);
  };
  const auto type = [&](std::initializer_list<int16_t> keys) {
    for (int16_t k : keys) s.keyDown(k), s.keyUp(k);
  };
  const auto ctrl = [&](int16_t letter) {
    s.keyDown(keys::Control);
    type({letter});
    s.keyUp(keys::Control);
  };
  const struct {
    const char* what;
    std::function<void()> act;
    int count, current;
    std::string row0;  // the first six cells of the current layout's top row
    int laid, toClear;
    size_t undo, redo;
  } steps[] = {
      {"07 typed, Space", [&] {
         type({48, 55, keys::Space});
         EXPECT_EQ(s.news(), s.summary());
       }, 1, 0, "070000000000", 1, 1, 1, 0},
      {"99 chosen, a drag", [&] {
         press(centre(&EditorScreen::swatchBox, 99));
         const auto [x0, y] = cell(1, 0);
         s.pointerDown(x0, y);
         for (int x = 2; x <= 4; ++x) s.pointerMoved(cell(x, 0).first, y);
         s.pointerUp(cell(4, 0).first, y);
       }, 1, 0, "079999999900", 5, 1, 2, 0},
      {"the right button empties", [&] { press(cell(0, 0), true); }, 1, 0, "009999999900", 4, 0, 3, 0},
      {"Ctrl+Z", [&] { ctrl(keys::Z); }, 1, 0, "079999999900", 5, 1, 2, 1},
      {"Ctrl+Y", [&] { ctrl(keys::Y); }, 1, 0, "009999999900", 4, 0, 3, 0},
      {"Undo button", [&] { press(button(EditorButton::Undo)); }, 1, 0, "079999999900", 5, 1, 2, 1},
      {"Duplicate", [&] { press(button(EditorButton::Duplicate)); }, 2, 1, "079999999900", 5, 1, 3, 0},
      {"78 five cells on", [&] { type({keys::Right, keys::Right, keys::Right, keys::Right, keys::Right, 55, 56, keys::Space}); },
       2, 1, "079999999978", 6, 2, 4, 0},
      {"Move earlier", [&] { press(button(EditorButton::Earlier)); }, 2, 0, "079999999978", 6, 2, 5, 0},
      {"F1: the next layout", [&] { type({keys::F1}); }, 2, 1, "079999999900", 5, 1, 5, 0},
      {"Add", [&] { type({keys::A}); }, 3, 2, "000000000000", 0, 0, 6, 0},
      {"Delete layout", [&] { press(button(EditorButton::Delete)); }, 2, 1, "079999999900", 5, 1, 7, 0},
      {"the Delete key empties, undone", [&] { type({keys::Left, keys::Delete}), ctrl(keys::Z); }, 2, 1, "079999999900", 5, 1, 7, 1},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    EXPECT_EQ(e.count(), step.count);
    EXPECT_EQ(e.current(), step.current);
    EXPECT_EQ(e.layout(e.current())[0].substr(0, 12), step.row0);
    EXPECT_EQ(e.counts().laid, step.laid);
    EXPECT_EQ(e.counts().toClear, step.toClear);
    EXPECT_EQ(e.undoDepth(), step.undo);
    EXPECT_EQ(e.redoDepth(), step.redo);
  }
  EXPECT_EQ(s.title(), "Super Zorvane! \u2014 making layouts: mine.layouts \u2014 Layout 2 of 2: 5 bricks, 1 to clear (unsaved)");
  type({keys::Tab});  // the palette's next code
  EXPECT_EQ(e.chosen, 79);

  // Tried, played and left with Esc: the editor is back as it was, its history too.
  const Layouts before = e.layouts();
  type({keys::T});
  ASSERT_TRUE(s.trial());
  EXPECT_EQ(s.news(), "Trying the layout: Esc, or Back to the editor, comes back.");
  const GameFields& game = DriverTestDoor::fields(s.driver().form());
  EXPECT_EQ(game.layoutCount, 1);
  EXPECT_EQ(game.brickCode[1][3], 7);
  EXPECT_EQ(game.bricksLeft, 1);
  s.keyDown(keys::Right);
  host.at(2000);
  EXPECT_GT(s.driver().now(), 1900);  // the game plays on the wall clock
  s.keyDown(keys::Escape);
  ASSERT_TRUE(s.editing());
  EXPECT_TRUE(s.news().starts_with("Back in the editor. ")) << s.news();
  EXPECT_EQ(s.editor()->editor.layouts(), before);
  EXPECT_EQ(e.undoDepth(), 7u);
  // Tried again to its end: Game Over comes back too (and only once it shows).
  type({keys::Enter});
  const auto south = [&] { s.pads().button(0, PadButton::South, true), s.pads().button(0, PadButton::South, false); };
  south();  // a pad's A clicks the button shown
  EXPECT_TRUE(s.trial());
  DriverTestDoor::over(const_cast<Form1&>(s.driver().form()));  // the last ball lost
  ASSERT_TRUE(DriverTestDoor::fields(s.driver().form()).gameover.Visible);
  south();
  ASSERT_TRUE(s.editing());
  EXPECT_EQ(s.editor()->editor.layouts(), before);
  ctrl(keys::Z);
  EXPECT_EQ(e.count(), 3);

  // S alone saves only once leaving has warned. A save that fails says why and keeps the
  // changes unsaved; one that works reads back whole.
  type({keys::S});
  EXPECT_TRUE(e.changed());
  refusal = "disk full";
  ctrl(keys::S);
  EXPECT_EQ(s.status(), "Not saved: disk full");
  EXPECT_TRUE(e.changed());
  s.keyDown(keys::Escape);  // leaving unsaved asks first
  EXPECT_FALSE(left);
  EXPECT_EQ(s.status(), "Unsaved changes: Esc again leaves, S saves");
  refusal.clear();
  type({keys::S});
  EXPECT_FALSE(e.changed());
  EXPECT_EQ(s.said(), "");  // S saves in the editor, and says nothing
  EXPECT_EQ(s.fileName("D"), "zorvane-layouts-D.layouts");
  Script back = parsed(saved);
  EXPECT_TRUE(holdsOnlyLayouts(back));
  EXPECT_EQ(back.layouts, e.layouts());
  host.paint(856);
  press(cell(9, 9));  // a cell painted: its patch and a line or two of words, no more
  EXPECT_LT(host.paint(856), 856 * 489 / 10);
  ctrl(keys::Z);
  // A hundred and more steps undo, one by one, back to where they began.
  for (int i = 0; i < 150; ++i) type({int16_t(48 + i % 2), 49, keys::Space});
  EXPECT_TRUE(e.changed());
  for (int i = 0; i < 150; ++i) ctrl(keys::Z);
  EXPECT_EQ(e.layouts(), back.layouts);
  EXPECT_FALSE(e.changed());
  for (int i = 0; i < 250; ++i) type({int16_t(48 + i % 2), 49, keys::Space});
  EXPECT_EQ(e.undoDepth(), Editor::mostSteps);  // the oldest steps go
  ctrl(keys::S);
  // A file someone else changed since: the save asks first. Other keys wait for the answer,
  // Esc goes back unsaved, N saves beside it (where later saves go), Ctrl+S saves over it.
  hows.clear();
  changedOnDisk = true;
  const int had = e.count();
  type({keys::A});
  ctrl(keys::S);
  EXPECT_EQ(s.status(), "The file changed since it was read: Ctrl+S saves over it, N saves beside it, Esc goes back");
  type({keys::A});
  EXPECT_EQ(e.count(), had + 1);
  s.keyDown(keys::Escape);
  EXPECT_FALSE(left);
  EXPECT_EQ(s.status(), "Not saved");
  ctrl(keys::S);
  type({keys::N});
  EXPECT_EQ(s.title(), "Super Zorvane! \u2014 making layouts: mine-2.layouts \u2014 Layout " + std::to_string(had + 1) +
                           " of " + std::to_string(had + 1) + ": 0 bricks, 0 to clear \u2014 Saved to mine-2.layouts");
  type({keys::A});
  ctrl(keys::S);
  ctrl(keys::S);
  EXPECT_FALSE(e.changed());
  EXPECT_EQ(hows, (std::vector<SaveHow>{SaveHow::Checked, SaveHow::Checked, SaveHow::Beside, SaveHow::Checked, SaveHow::Over}));
  for (int i = 0; i < 100; ++i) type({keys::A});  // the set full
  EXPECT_EQ(e.count(), int(mostLayouts));
  EXPECT_EQ(s.status(), "The set is full: 100 layouts");
  ctrl(keys::S);
  ctrl(keys::S);
  s.keyDown(keys::Escape);  // nothing unsaved: it leaves at once
  EXPECT_TRUE(left);
  EXPECT_EQ(s.editor(), nullptr);
}

// The editor marks a layout that can never be cleared, with bricks or without.
TEST(EditorScreen, MarksALayoutWithNothingToClear) {
  const struct {
    std::string row;
    bool marked;
  } cases[] = {{std::string(40, '0'), true}, {"99" + std::string(38, '0'), true}, {"07" + std::string(38, '0'), false}};
  for (const auto& c : cases) {
    LayoutRows rows;
    rows.fill(std::string(40, '0'));
    rows[0] = c.row;
    const EditorScreen screen({rows}, "mine.layouts");
    Captions seen;
    screen.visitControls(seen);
    EXPECT_EQ(seen.has("Nothing to clear: it can never be cleared"), c.marked) << c.row;
  }
}

// Taller than wide, the editor is laid out for the size it is given: every button, group and
// swatch at least 44 CSS pixels for a finger (24 for a mouse), none over another or the
// field, all within the picture, a cell 24 tall, each code in one group; wider than tall it
// is as the window opens. A group is chosen by a tap on its button.
TEST(EditorScreen, UprightTargetsAreForAFinger) {
  struct Box {
    std::string what;
    double l, t, w, h;
  };
  const struct {
    int width, height;
    double ratio;
    bool coarse, upright;
  } shapes[] = {
      {1170, 2082, 3, true, true},  // a phone held upright, under the page's bar: 390 × 694 CSS pixels
      {600, 900, 1, false, true},   // a window made tall
      {1170, 668, 3, true, false},  // a phone held across
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(std::to_string(shape.width) + "x" + std::to_string(shape.height));
    FakeHost host;
    Session& s = host.session;
    s.edit({}, "mine.layouts");
    s.pointerKind(shape.ratio, shape.coarse);
    std::vector<uint32_t> pixels(size_t(shape.width) * size_t(shape.height));
    const auto paint = [&] { s.paint({pixels.data(), shape.width, shape.height, shape.width, paint::xrgb}); };
    paint();
    const EditorScreen& e = *s.editor();
    ASSERT_EQ(e.upright(), shape.upright);
    if (!shape.upright) {
      EXPECT_EQ(e.clientWidth(), EditorScreen::width);
      continue;
    }
    const double k = s.placed().scale / paint::unitsPerPixel, least = shape.coarse ? 44 : 24;
    const auto pixelBox = [&](std::string what, float l, float t, float w, float h) {
      return Box{std::move(what), s.placed().x + l * k, s.placed().y + t * k, w * k, h * k};
    };
    std::vector<Box> buttons;
    for (int i = 0; i < int(EditorButton::Count); ++i) {
      float l = 0, t = 0, w = 0, h = 0;
      ASSERT_TRUE(e.buttonBox(EditorButton(i), l, t, w, h));
      buttons.push_back(pixelBox("button " + std::to_string(i), l, t, w, h));
    }
    float l = 0, t = 0, w = 0, h = 0, lastL = 0, lastT = 0;
    e.cellBox(0, 0, l, t, w, h);
    e.cellBox(Editor::columns - 1, layoutRowCount - 1, lastL, lastT, w, h);
    const Box field = pixelBox("field", l, t, lastL + w - l, lastT + h - t);
    EXPECT_GE(h * k / shape.ratio, shape.coarse ? 24 : 16);
    EXPECT_GE(field.w, 0.95 * shape.width);
    int shown = 0;
    for (int g = int(EditorButton::EmptyCodes); g < int(EditorButton::Count); ++g) {
      const Box& b = buttons[size_t(g)];
      s.pointerDown(b.l + b.w / 2, b.t + b.h / 2);
      s.pointerUp(b.l + b.w / 2, b.t + b.h / 2);
      paint();
      std::vector<Box> boxes = buttons;
      boxes.push_back(field);
      for (int code = 0; code <= brickCodes::unbreakable; ++code)
        if (e.swatchBox(code, l, t, w, h)) boxes.push_back(pixelBox("code " + std::to_string(code), l, t, w, h)), ++shown;
      for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& a = boxes[i];
        if (a.what != "field") {
          EXPECT_GE(a.w / shape.ratio, least) << a.what;
          EXPECT_GE(a.h / shape.ratio, least) << a.what;
        }
        EXPECT_TRUE(a.l >= 0 && a.t >= 0 && a.l + a.w <= shape.width && a.t + a.h <= shape.height) << a.what;
        for (size_t j = i + 1; j < boxes.size(); ++j) {
          const Box& b = boxes[j];
          EXPECT_FALSE(a.l < b.l + b.w && b.l < a.l + a.w && a.t < b.t + b.h && b.t < a.t + a.h) << a.what << " over " << b.what;
        }
      }
    }
    EXPECT_EQ(shown, 100);  // each code in one group
  }
}

// A layout file's other lines are kept: the head (up to its last blank line before the first
// layout) at the head, each comment above the layout it stood above and moving with it, the
// end at the end; the editor's own first line is written afresh, never twice.
TEST(Editor, KeepsTheFilesCommentsWhereTheyStood) {
  const auto one = [](int code) {
    LayoutRows rows;
    rows.fill(std::string(layoutRowDigits, '0'));
    rows[0][1] = char('0' + code);
    return rows;
  };
  const std::string a = layoutLine(one(1)), b = layoutLine(one(2)), c = layoutLine(one(3));
  const auto heading = [](int n) {
    return "# Super Zorvane! layouts: " + std::to_string(n) + ", each ten rows of twenty two-digit codes\n";
  };
  const struct {
    const char* name;
    std::string file;
    std::function<void(Editor&)> act;
    std::string saved;
  } rows[] = {
      {"read and saved unchanged", heading(3) + "# mine\n\n# first\n" + a + "# second\n" + b + c + "# end\n", nullptr,
       heading(3) + "# mine\n\n# first\n" + a + "# second\n" + b + c + "# end\n"},
      {"a comment moves with its layout, the head stays", "# mine\n" + a + "# second\n" + b + "\n# third\n" + c,
       [](Editor& e) { e.go(1), e.move(-1); },
       heading(3) + "# mine\n\n# second\n" + b + a + "\n# third\n" + c},
      {"an undone move puts it back", "# mine\n\n# first\n" + a + b, [](Editor& e) { e.move(1), e.undo(); },
       heading(2) + "# mine\n\n# first\n" + a + b},
      {"a layout added has none, one removed takes its own", "# first\n\n" + a + "# second\n" + b + "# third\n" + c,
       [](Editor& e) { e.go(1), e.remove(), e.add(); }, heading(3) + "# first\n\n" + a + "# third\n" + c + layoutLine(one(0))},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Script script;
    ScriptError error;
    ASSERT_TRUE(parseScript(row.file, script, error)) << error.message;
    Editor e(script.layouts, row.file);
    if (row.act) row.act(e);
    EXPECT_EQ(e.text(), row.saved);
  }
}

// A far jump to a moment never played to goes on over later calls, each doing one call's
// worth of work, however few events each 10 s holds (a resting ball: 1000) and however many
// snapshots a call passes.
TEST(Seeker, AFarJumpIsPlayedOneCallsWorthAtATime) {
  Script script;
  ScriptError error;
  ASSERT_TRUE(parseScript("wait 100000\n", script, error));
  Driver live;
  ScriptPlayer player(std::move(script));
  player.limit(1500);
  player.start(live);
  Seeker seeker(live, player);
  uint64_t most = 0, before = live.events();
  int calls = 1;
  for (seeker.jumpTo(95000); seeker.jumping() && calls < 100; ++calls, before = live.events()) {
    most = std::max(most, live.events() - before);
    seeker.playTo(0);
  }
  most = std::max(most, live.events() - before);
  EXPECT_EQ(live.now(), 95000);
  EXPECT_LE(most, 1500u);
  EXPECT_GE(calls, 7);  // 9500 ticks
}

}  // namespace
}  // namespace zorvane
