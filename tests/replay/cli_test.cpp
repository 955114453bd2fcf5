// The zorvane-replay program end to end: exit status, standard output and standard error.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "trace_reader.h"

namespace zorvane {
namespace {

struct Outcome {
  int status = -1;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string tempPath(const std::string& name) {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  // The process id keeps two runs of the suite at once (two build folders) apart.
  return testing::TempDir() + "zorvane-cli-" + std::to_string(::getpid()) + "-" + info->name() + "-" + name;
}

std::string writeTemp(const std::string& name, const std::string& text) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string shellQuoted(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs a shell command, its standard output and error captured.
Outcome runShell(const std::string& command) {
  const std::string out = tempPath("stdout"), err = tempPath("stderr");
  const std::string full = "(" + command + ") >" + shellQuoted(out) + " 2>" + shellQuoted(err);
  const int raw = std::system(full.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = slurp(out);
  o.err = slurp(err);
  return o;
}

const std::string tool = shellQuoted(ZORVANE_REPLAY_EXE);

// Runs the tool with `args` (already quoted), standard input from `input` if given.
Outcome runTool(const std::string& args, const std::string& input = "") {
  std::string command = tool + " " + args;
  if (!input.empty()) command += " <" + shellQuoted(input);
  return runShell(command);
}

std::string sample(const std::string& name) { return std::string(ZORVANE_REPLAY_SCRIPTS) + "/" + name; }

// The trace on standard output, the script from a file or from standard input; the numbers
// in their shortest text, not the float's full decimal expansion.
TEST(ReplayTool, WritesTheTraceOfAGoodScript) {
  const Outcome o = runTool(shellQuoted(sample("serve.txt")));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const auto lines = test::parseTrace(o.out);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0]["ev"].s(), "load");
  EXPECT_EQ(lines[7]["ev"].s(), "up 37");
  EXPECT_NE(o.out.find("\"ball\":[4211,6649.6,113,113]"), std::string::npos);
  EXPECT_NE(o.out.find("\"paddle\":[3749.5,6762.6,1036,169]"), std::string::npos);
  EXPECT_EQ(runTool("-", sample("serve.txt")).out, o.out);
  const auto caughtUp = test::parseTrace(runTool(shellQuoted(sample("catchup.txt"))).out);
  ASSERT_GT(caughtUp.size(), 10u);
  EXPECT_EQ(caughtUp.back()["ev"].s(), "click pause");
  EXPECT_EQ(caughtUp.back()["t"].i(), 6130);
}

TEST(ReplayTool, RefusesABadScriptBeforeRunningAnything) {
  const struct { const char* script; const char* line; } cases[] = {
      {"wait 50\ndown 37\njump\n", "line 3"},
      {"rand 0.5\nrand 1.0\n", "line 2"},
      {"# fine\n\nwait fifty\n", "line 3"},
      {"click start\n", "line 1"},
      {"down 37 # left\n", "line 1"},
      {"wait 50\nup\n", "line 2"},
      {"down 70000\n", "line 1"},
      {"wait 5\ncatchup\n", "line 2"},
      {"wait 5\n\ncatchup -5\n", "line 3"},
      {"catchup 1x\n", "line 1"},
      {"randomize 1 2\n", "line 1"},
      {"down 37\nrandomize -3\n", "line 2"},
      {"randomize 18446744073709551616\n", "line 1"},
      {"wait 604800000\ncatchup 1\n", "line 2"},
      {"wait 9007199254740992\n", "line 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const Outcome o = runTool(shellQuoted(writeTemp("bad.txt", c.script)));
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");  // not even the load line
    EXPECT_NE(o.err.find(c.line), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
}

TEST(ReplayTool, UnreadableScriptIsAFailureNotABadScript) {
  for (const std::string& path : {tempPath("missing.txt"), testing::TempDir()}) {
    SCOPED_TRACE(path);
    const Outcome o = runTool(shellQuoted(path));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("cannot read"), std::string::npos) << o.err;
  }
}

TEST(ReplayTool, RefusesABadCommandLine) {
  const std::string script = shellQuoted(sample("serve.txt"));
  // A screenshot never replaces the script itself, by any name.
  const std::string own = writeTemp("own.zrec", slurp(sample("serve.txt"))), ownLink = tempPath("own-link.png");
  std::filesystem::remove(ownLink);
  std::filesystem::create_symlink(own, ownLink);
  for (const std::string& args : {std::string(""), "--scale 0 " + script, "--scale 2.5 " + script,
                                 "--scale " + script, "--bogus " + script, script + " " + script,
                                 script + " --screenshot", "--size 0x10 " + script, "--size 100 " + script,
                                 "--size 100x " + script, "--size 8193x10 " + script, "--size 10x10 --scale 1 " + script,
                                 "--screenshot " + shellQuoted(own) + " " + shellQuoted(own),
                                 "--screenshot " + shellQuoted(ownLink) + " " + shellQuoted(own),
                                 "--screenshot " + shellQuoted(own) + " - <" + shellQuoted(own)}) {
    SCOPED_TRACE(args);
    const Outcome o = runTool(args);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
  EXPECT_EQ(slurp(own), slurp(sample("serve.txt")));
}

uint32_t bigEndian(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s.at(at + i));
  return v;
}

TEST(ReplayTool, ScreenshotIsAPngOfTheClientArea) {
  const struct { const char* option; uint32_t width, height; } cases[] = {
      {"--scale 1", 568, 489}, {"--scale 2", 1136, 978}, {"--size 700x600", 700, 600}, {"--size=3x4000", 3, 4000}};
  for (const auto& c : cases) {
    const std::string png = tempPath("shot" + std::to_string(c.width) + ".png");
    const Outcome o = runTool("--screenshot " + shellQuoted(png) + " " + c.option + " " + shellQuoted(sample("serve.txt")));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_FALSE(o.out.empty());
    const std::string bytes = slurp(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bigEndian(bytes, 16), c.width);   // IHDR
    EXPECT_EQ(bigEndian(bytes, 20), c.height);
  }
  const Outcome o = runTool("--screenshot " + shellQuoted(tempPath("no/such/dir/shot.png")) + " " +
                            shellQuoted(sample("serve.txt")));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("screenshot"), std::string::npos) << o.err;
}

TEST(ReplayTool, FramesEveryIntervalOfVirtualTimeLeaveTheTraceAlone) {
  const std::string dir = tempPath("frames");
  std::system(("rm -rf " + shellQuoted(dir) + " && mkdir " + shellQuoted(dir)).c_str());
  auto frame = [&](int n) {
    const std::string digits = std::to_string(n);
    return slurp(dir + "/frame-" + std::string(7 - digits.size(), '0') + digits + ".png");
  };
  // serve.txt runs 50 ms of virtual time, catchup.txt 6130 ms: a frame at 0 and one at
  // every interval up to the end, numbered from 1.
  const struct { const char* name; int every, frames; } cases[] = {{"serve.txt", 20, 3}, {"catchup.txt", 250, 25}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::system(("rm -f " + shellQuoted(dir) + "/*").c_str());
    const Outcome plain = runTool(shellQuoted(sample(c.name)));
    const Outcome framed =
        runTool("--frames " + shellQuoted(dir) + " --every " + std::to_string(c.every) + " " + shellQuoted(sample(c.name)));
    ASSERT_EQ(framed.status, 0) << framed.err;
    EXPECT_EQ(framed.out, plain.out);
    EXPECT_TRUE(frame(0).empty());
    EXPECT_FALSE(frame(c.frames).empty());
    EXPECT_TRUE(frame(c.frames + 1).empty());
    EXPECT_NE(frame(1), frame(c.frames));
  }
  for (const std::string& args : {"--frames " + shellQuoted(dir), std::string("--every 40"), "--frames " + shellQuoted(dir) + " --every 0"}) {
    const Outcome o = runTool(args + " " + shellQuoted(sample("serve.txt")));
    EXPECT_EQ(o.status, 2) << args;
  }
  const Outcome o = runTool("--frames " + shellQuoted(dir + "/none") + " --every 40 " + shellQuoted(sample("serve.txt")));
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("not a folder"), std::string::npos) << o.err;
}

// An expect line is met silently; the first one missed stops the replay with status 3,
// after the trace so far, and names its line, its first differing key and both values.
TEST(ReplayTool, ExpectLinesCheckTheGameAndTheFirstMissStopsIt) {
  const std::string plain = runTool(shellQuoted(sample("serve.txt"))).out;
  const auto lines = test::parseTrace(plain);
  ASSERT_EQ(lines.size(), 8u);
  const std::string lives = std::to_string(lines[6]["livesLeft"].i()), more = std::to_string(lines[6]["livesLeft"].i() + 1);
  const std::string beforeUp = plain.substr(0, plain.rfind("{\"t\""));  // every line but "up 37"
  const struct { std::string expect; int status; std::string says; } cases[] = {
      {"expect t=50 livesLeft=" + lives + " currentScore=0 diceRoll=0", 0, ""},
      {"expect t=50\texpect_is_not_a_key=1", 2, "line 4: unknown expect key"},
      {"expect t=50 livesLeft=" + more, 3, "line 4: expect livesLeft=" + more + ", but the game has livesLeft=" + lives},
      {"expect currentScore=-5 t=49", 3, "line 4: expect currentScore=-5, but the game has currentScore=0"},
      {"expect t=49 currentScore=-5", 3, "line 4: expect t=49, but the game has t=50"},
  };
  for (const auto& c : cases) {
    for (const char* quiet : {"", "--quiet "}) {
      SCOPED_TRACE(quiet + c.expect);
      const std::string script = writeTemp("expect.txt", "rand 0.5 0.25\ndown 37\nwait 50\n" + c.expect + "\nup 37\n");
      const Outcome o = runTool(quiet + shellQuoted(script));
      EXPECT_EQ(o.status, c.status) << o.err;
      const std::string trace = *quiet || c.status == 2 ? "" : c.status == 0 ? plain : beforeUp;
      EXPECT_EQ(o.out, trace);
      if (c.status == 0) {
        EXPECT_EQ(o.err, "");
      } else {
        EXPECT_TRUE(o.err.starts_with("zorvane-replay: " + script + ", " + c.says)) << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
      }
    }
  }
}

bool printableLine(const std::string& err) {
  return err.ends_with('\n') && std::all_of(err.begin(), err.end() - 1, [](char c) { return c >= 0x20 && c < 0x7f; });
}

TEST(ReplayTool, ErrorsShowNoControlBytesAndNoHugeWords) {
  const struct { std::string script; std::string shows; } cases[] = {
      {"wait 5\n\x1b[2J\x1b]0;title\x07\n", "line 2: unknown command \"\\x1b[2J\\x1b]0;title\\x07\""},
      {std::string("click pa\0use\n", 13), "\"pa\\x00use\""},
      {"click " + std::string(10'000'000, 'x') + "\n", "\"" + std::string(50, 'x')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shows);
    const Outcome o = runTool(shellQuoted(writeTemp("bad.txt", c.script)));
    EXPECT_EQ(o.status, 2);
    EXPECT_TRUE(printableLine(o.err)) << o.err.substr(0, 300);
    EXPECT_LT(o.err.size(), 300u);
    EXPECT_NE(o.err.find(c.shows), std::string::npos) << o.err.substr(0, 300);
  }
  // The script's name is escaped as well.
  const Outcome o = runTool(shellQuoted(writeTemp("b\x1b[1mold\n.txt", "jump\n")));
  EXPECT_EQ(o.status, 2);
  EXPECT_TRUE(printableLine(o.err)) << o.err;
  EXPECT_NE(o.err.find("b\\x1b[1mold\\x0a.txt, line 1"), std::string::npos) << o.err;
}

TEST(ReplayTool, EndlessInputStopsAtTheBound) {
  // 64 MiB of NUL bytes make one line; two-byte comment lines fill 64 MiB with 2^25 lines.
  const Outcome zero = runTool("/dev/zero");
  EXPECT_EQ(zero.status, 2);
  EXPECT_NE(zero.err.find("line 1: the script is longer than 64 MiB"), std::string::npos) << zero.err;
  const Outcome endless = runShell("yes '#' | " + tool + " -");
  EXPECT_EQ(endless.status, 2);
  EXPECT_NE(endless.err.find("line 33554433: the script is longer than 64 MiB"), std::string::npos) << endless.err;
  EXPECT_EQ(endless.out, "");

  // The shortest commands make the most of them: 64 MiB of `up 0` lines, or of the shortest
  // expect lines, parsed in far less memory than 256 MB before they are refused. Every
  // program this test ran has ended, so the largest of them is at most that.
  const Outcome ups = runShell("yes 'up 0' | " + tool + " -");
  EXPECT_NE(ups.err.find("line 13421773: the script is longer than 64 MiB"), std::string::npos) << ups.err;
  const Outcome expects = runShell("yes 'expect t=0' | " + tool + " -");
  EXPECT_NE(expects.err.find("line 6100806: the script is longer than 64 MiB"), std::string::npos) << expects.err;
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 256 * 1024) << "peak resident memory, KiB";
}

TEST(ReplayTool, HelpAndVersion) {
  for (const char* option : {"--help", "-h"}) {
    const Outcome o = runTool(option);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(o.out.starts_with("Usage: zorvane-replay [OPTION]... SCRIPT\n")) << o.out;
    for (const char* mentions : {"--screenshot", "--scale", "--quiet", "--version", "catchup", "randomize", "expect", "Exit status"})
      EXPECT_NE(o.out.find(mentions), std::string::npos) << mentions;
  }
  const Outcome o = runTool("--version " + shellQuoted(sample("serve.txt")));  // no trace: it only says who it is
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  EXPECT_TRUE(o.out.starts_with("zorvane-replay " ZORVANE_VERSION "\n")) << o.out;
  EXPECT_NE(o.out.find("MIT licence"), std::string::npos) << o.out;
  EXPECT_EQ(runTool("-- --version").status, 1);  // after --, a script named --version (there is none)
}

// Screenshot targets: a plain file is replaced whole or left alone (as the editor's save,
// whose table tries modes and links); anything else is written where it stands and never removed.
class ScreenshotTarget : public testing::Test {
 protected:
  void SetUp() override {
    dir = tempPath("dir");
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  // The tool with a screenshot to `target`, the trace thrown away; `before` runs first in
  // the same shell.
  Outcome shoot(const std::string& target, const std::string& before = "", const std::string& as = "") {
    return runShell(before + as + tool + " --screenshot " + shellQuoted(target) + " " + shellQuoted(sample("serve.txt")) +
                    " >/dev/null");
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir;
};

bool isPng(const std::string& bytes) { return bytes.starts_with("\x89PNG\r\n\x1a\n") && bytes.size() > 1000; }

TEST_F(ScreenshotTarget, AFailedWriteLeavesTheOldFileAsItWas) {
  const std::string file = dir + "/shot.png";
  std::ofstream(file) << "old";
  // Files may grow to 1 KiB only: the picture cannot be written (and the trace goes to a device).
  const Outcome o = shoot(file, "ulimit -f 1; ");
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_NE(o.err.find("screenshot failed"), std::string::npos) << o.err;
  EXPECT_EQ(slurp(file), "old");
  EXPECT_EQ(entries(), std::vector<std::string>{"shot.png"});
}

TEST_F(ScreenshotTarget, AFifoIsWrittenInPlaceAndNeverRemoved) {
  const std::string fifo = dir + "/pipe", copy = dir + "/copy.png";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // No reader: a failure at once, not a wait for one.
  const Outcome alone = shoot(fifo, "timeout 20 ");
  EXPECT_EQ(alone.status, 1) << alone.err;
  EXPECT_NE(alone.err.find("screenshot failed: cannot open"), std::string::npos) << alone.err;
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // With a reader the picture goes through the pipe (tried until the reader has it open).
  const Outcome read = runShell("cat " + shellQuoted(fifo) + " >" + shellQuoted(copy) + " & for i in $(seq 100); do " +
                                tool + " --screenshot " + shellQuoted(fifo) + " " + shellQuoted(sample("serve.txt")) +
                                " >/dev/null 2>&1 && break; sleep 0.1; done; wait");
  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_TRUE(isPng(slurp(copy)));
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(ScreenshotTarget, ADeviceThatFailsTheWriteIsLeftInPlace) {
  if (::geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
  const std::string device = dir + "/full";  // like /dev/full: every write fails for want of space
  const Outcome made = runShell("mknod " + shellQuoted(device) + " c 1 7");
  ASSERT_EQ(made.status, 0) << made.err;
  const Outcome o = shoot(device);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("screenshot failed: cannot write"), std::string::npos) << o.err;
  EXPECT_EQ(runShell("[ -c " + shellQuoted(device) + " ]").status, 0) << "the device node is gone";
  EXPECT_EQ(entries(), std::vector<std::string>{"full"});
}

// An ordinary user: root may write any file, so refusals are tried as nobody.
std::string asNobody() {
  if (::geteuid() != 0) return "";
  return runShell("setpriv --reuid=nobody --regid=nogroup --clear-groups true").status == 0
             ? "setpriv --reuid=nobody --regid=nogroup --clear-groups "
             : "";
}

TEST_F(ScreenshotTarget, WhatTheUserMayNotWriteIsRefusedEvenThroughALink) {
  const std::string as = asNobody();
  if (as.empty()) GTEST_SKIP() << "no unprivileged user to run as";
  ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);  // anyone may make files here, as in /tmp
  std::ofstream(dir + "/ro.png") << "old";
  ASSERT_EQ(runShell("chown nobody " + shellQuoted(dir + "/ro.png") + " && chmod 0444 " + shellQuoted(dir + "/ro.png") +
                     " && ln -s ro.png " + shellQuoted(dir + "/link.png")).status, 0);
  const struct { const char* target; const char* says; } cases[] = {
      {"/ro.png", "screenshot failed: cannot write"}, {"/link.png", "screenshot failed: cannot write"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    const Outcome o = shoot(dir + c.target, "", as);
    EXPECT_EQ(o.status, 1) << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("Permission denied"), std::string::npos) << o.err;
    EXPECT_EQ(slurp(dir + "/ro.png"), "old");
    EXPECT_EQ(entries(), (std::vector<std::string>{"link.png", "ro.png"}));
  }
}

// Frames are new files only: no link is followed and nothing is replaced; a run that would
// write too many is refused before the first; a frame that fails is not left half-written.
TEST_F(ScreenshotTarget, FramesAreNewFilesOnlyAndBounded) {
  const std::string week = writeTemp("week.zrec", "wait 604800000\n"), over = writeTemp("over.zrec", "wait 10000000\n");
  const std::string elsewhere = tempPath("elsewhere.txt");
  const struct {
    std::string before, script;
    int every, status;
    std::string says;
    std::vector<std::string> left;
  } cases[] = {
      {"ln -s " + shellQuoted(elsewhere) + " frame-0000002.png", sample("serve.txt"), 20, 1,
       "frame-0000002.png: File exists", {"frame-0000001.png", "frame-0000002.png"}},
      {"echo mine >frame-0000001.png", sample("serve.txt"), 20, 1, "frame-0000001.png: File exists",
       {"frame-0000001.png"}},
      {"ulimit -f 1", sample("serve.txt"), 20, 1, "frame-0000001.png: File too large", {}},
      {":", week, 100, 2, "would make 6048001 frames, more than 100000", {}},
      {":", over, 100, 2, "would make 100001 frames", {}},
      {"cp " + shellQuoted(sample("serve.txt")) + " own.zrec", "own.zrec", 20, 2,
       "--frames: the folder '.' holds the script", {"own.zrec"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(elsewhere) << "keep";
    // (timeout: a bound that let the run go on would write frames for hours)
    const Outcome o = runShell("cd " + shellQuoted(dir) + " && " + c.before + " && timeout 20 " + tool +
                               " --frames . --every " + std::to_string(c.every) + " " + shellQuoted(c.script) +
                               " >/dev/null");
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
    EXPECT_EQ(entries(), c.left);
    EXPECT_EQ(slurp(elsewhere), "keep");
  }
  for (const std::string& made : {elsewhere, week, over}) std::filesystem::remove(made);
}

}  // namespace
}  // namespace zorvane
