// Replay scripts: what a good script turns into, and how each kind of bad line is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "replay/script.h"

namespace zorvane {
namespace {

Script parseGood(std::string_view text) {
  Script s;
  ScriptError e;
  EXPECT_TRUE(parseScript(text, s, e)) << "line " << e.line << ": " << e.message;
  return s;
}

TEST(ReplayScript, ReadsEveryCommandInScriptOrder) {
  const Script s = parseGood(
      "# serve to the right\n"
      "rand 0.5 0.25\r\n"
      "\n"
      "   \t\n"
      "  # an indented comment\n"
      "down\t37\n"
      "wait 50\n"
      "seed 42\n"
      "rand .5 5e-1\n"
      "up 37\n"
      "click pause\n"
      "down -32768\n"
      "up 32767\n"
      "wait 0");  // no newline at the end
  EXPECT_EQ(s.draws, (std::vector<float>{0.5f, 0.25f, 0.5f, 0.5f}));
  EXPECT_EQ(s.seed, 42u);
  struct Expected { Op op; int64_t value; std::string_view button; int line; };
  const Expected expected[] = {{Op::Down, 37, "", 6},       {Op::Wait, 50, "", 7},
                               {Op::Up, 37, "", 10},        {Op::Click, 0, "pause", 11},
                               {Op::Down, -32768, "", 12},  {Op::Up, 32767, "", 13},
                               {Op::Wait, 0, "", 14}};
  ASSERT_EQ(s.commands.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.commands[i].op, expected[i].op);
    if (expected[i].op != Op::Click) {
      EXPECT_EQ(s.commands[i].value, expected[i].value);
    }
    EXPECT_EQ(s.commands[i].button, expected[i].button);
    EXPECT_EQ(s.commands[i].line, expected[i].line);
  }
}

TEST(ReplayScript, DefaultsAndEdgeCasesOfAGoodScript) {
  EXPECT_EQ(parseGood("").seed, 1u);
  EXPECT_TRUE(parseGood("\n\n# only comments\n").commands.empty());
  EXPECT_EQ(parseGood("seed 18446744073709551615").seed, UINT64_MAX);
  EXPECT_EQ(parseGood("seed -1").seed, UINT64_MAX);  // negative seeds wrap
  EXPECT_EQ(parseGood("seed 3\nseed 7").seed, 7u);   // the last seed counts
  EXPECT_EQ(parseGood("\xEF\xBB\xBFwait 5").commands.size(), 1u);  // byte-order mark
  for (const char* button : {"pause", "gameover", "nextlevel"})
    EXPECT_EQ(parseGood(std::string("click ") + button).commands.at(0).button, button);
}

TEST(ReplayScript, RandRoundsToTheNearestFloat) {
  const float halfUlpAboveHalf = std::nextafter(0.5f, 1.0f);
  const struct { const char* text; float value; } cases[] = {
      {"0.1", 0.1f},
      {"0.99999994", 0.99999994f},        // the largest float below 1
      {"0.999999970", 0.99999994f},       // rounds down, still below 1
      {"+0.25", 0.25f},
      {"-0", 0.0f},
      {"0e0", 0.0f},
      {"1e-50", 0.0f},                    // below every float: rounds to zero
      {"1.4e-45", 0x1p-149f},             // the smallest subnormal
      // Just above the midpoint of 0.5 and the next float: a detour through double would
      // land on the midpoint and round to even (0.5); the nearest float is the upper one.
      {"0.5000000298023223876953125000001", halfUlpAboveHalf},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Script s = parseGood(std::string("rand ") + c.text);
    ASSERT_EQ(s.draws.size(), 1u);
    EXPECT_EQ(s.draws[0], c.value);
    EXPECT_FALSE(std::signbit(s.draws[0]));
  }
}

TEST(ReplayScript, RefusesBadLinesNamingTheLine) {
  const struct { const char* script; int line; const char* says; } cases[] = {
      {"jump 5", 1, "unknown command \"jump\""},
      {"Wait 5", 1, "unknown command"},
      {"wait 5\n\n# fine\nbogus", 4, "unknown command \"bogus\""},
      {"wait", 1, "needs one argument"},
      {"wait 5 6", 1, "one argument only"},
      {"wait -1", 1, "negative"},
      {"wait 1.5", 1, "bad number \"1.5\""},
      {"wait 5ms", 1, "bad number"},
      {"wait 99999999999999999999", 1, "bad number"},
      {"wait 9007199254740992\nwait 1", 2, "more than the clock can hold"},
      {"down", 1, "needs one argument"},
      {"down 37 39", 1, "one argument only"},
      {"down 32768", 1, "outside -32768..32767"},
      {"up -32769", 1, "outside -32768..32767"},
      {"up x", 1, "bad number"},
      {"click", 1, "needs one argument"},
      {"click start", 1, "unknown button \"start\""},
      {"click Pause", 1, "unknown button"},
      {"click pause gameover", 1, "one argument only"},
      {"rand", 1, "at least one value"},
      {"rand 1", 1, "outside [0, 1)"},
      {"rand 0.99999999", 1, "outside [0, 1)"},  // rounds up to 1 as a float
      {"rand -0.5", 1, "outside [0, 1)"},
      {"rand 1e50", 1, "outside [0, 1)"},
      {"rand inf", 1, "outside [0, 1)"},
      {"rand nan", 1, "outside [0, 1)"},
      {"rand 0.5 0.5x", 1, "bad rand value \"0.5x\""},
      {"rand 0x1p-2", 1, "bad rand value"},
      {"rand 0.5e", 1, "bad rand value"},
      {"rand .", 1, "bad rand value"},
      {"seed 1.5", 1, "bad seed"},
      {"seed", 1, "needs one argument"},
      {"wait 5 # five", 1, "'#'"},
      {"rand 0.5 #half", 1, "'#'"},
      {"wait 5\r\nwait 5\rwait 5", 2, "one argument only"},  // a lone CR is not a line break
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    Script s;
    ScriptError e;
    EXPECT_FALSE(parseScript(c.script, s, e));
    EXPECT_EQ(e.line, c.line);
    EXPECT_NE(e.message.find(c.says), std::string::npos) << e.message;
    EXPECT_EQ(e.message.find('\n'), std::string::npos);
  }
}

}  // namespace
}  // namespace zorvane
