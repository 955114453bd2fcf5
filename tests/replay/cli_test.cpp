// The zorvane-replay program end to end: exit status, standard output and standard error.
#include <gtest/gtest.h>
#include <sys/wait.h>

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
  return testing::TempDir() + "zorvane-cli-" + info->name() + "-" + name;
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

// Runs the tool with `args` (already quoted), standard input from `input` if given.
Outcome runTool(const std::string& args, const std::string& input = "") {
  const std::string out = tempPath("stdout"), err = tempPath("stderr");
  std::string command = shellQuoted(ZORVANE_REPLAY_EXE) + " " + args + " >" + shellQuoted(out) + " 2>" +
                        shellQuoted(err);
  if (!input.empty()) command += " <" + shellQuoted(input);
  const int raw = std::system(command.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = slurp(out);
  o.err = slurp(err);
  return o;
}

std::string sample(const std::string& name) { return std::string(ZORVANE_REPLAY_SCRIPTS) + "/" + name; }

TEST(ReplayTool, WritesTheTraceOfAGoodScript) {
  const Outcome o = runTool(shellQuoted(sample("serve.txt")));
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const auto lines = test::parseTrace(o.out);
  ASSERT_EQ(lines.size(), 8u);
  const auto& load = lines[0];
  EXPECT_EQ(load["ev"].s(), "load");
  EXPECT_EQ(load["brickWidth"].f(), 414.75f);
  EXPECT_EQ(load["bricks"].size(), 500u);
  EXPECT_EQ(lines[1]["ev"].s(), "down 37");
  EXPECT_EQ(lines[7]["ev"].s(), "up 37");
  EXPECT_EQ(lines[3]["ballVelocityX"].f(), 103.6875f);
  // Shortest text on the wire, not the float's full decimal expansion.
  EXPECT_NE(o.out.find("\"ball\":[4211,6649.6,113,113]"), std::string::npos);
  EXPECT_NE(o.out.find("\"paddle\":[3749.5,6762.6,1036,169]"), std::string::npos);
}

TEST(ReplayTool, ReadsTheScriptFromStandardInput) {
  const Outcome fromFile = runTool(shellQuoted(sample("pause.txt")));
  const Outcome fromStdin = runTool("-", sample("pause.txt"));
  EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
  EXPECT_EQ(fromStdin.out, fromFile.out);
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
  for (const std::string& args : {std::string(""), "--scale 0 " + script, "--scale 2.5 " + script,
                                 "--scale " + script, "--bogus " + script, script + " " + script,
                                 script + " --screenshot"}) {
    SCOPED_TRACE(args);
    const Outcome o = runTool(args);
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << o.err;
  }
}

uint32_t bigEndian(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(s.at(at + i));
  return v;
}

TEST(ReplayTool, ScreenshotIsAPngOfTheClientArea) {
  const struct { int scale; uint32_t width, height; } cases[] = {{1, 568, 489}, {2, 1136, 978}};
  for (const auto& c : cases) {
    const std::string png = tempPath("shot" + std::to_string(c.scale) + ".png");
    const Outcome o = runTool("--screenshot " + shellQuoted(png) + " --scale " + std::to_string(c.scale) + " " +
                              shellQuoted(sample("serve.txt")));
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

}  // namespace
}  // namespace zorvane
