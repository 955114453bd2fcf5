// Replay scripts: what a good script turns into, and how each kind of bad line is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "script/script.h"

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
  EXPECT_EQ(s.draws, (Draws{0.5f, 0.25f, 0.5f, 0.5f}));
  EXPECT_EQ(s.seed, 42u);
  const Command expected[] = {{Op::Down, 37},      {Op::Wait, 50}, {Op::Up, 37}, {Op::Click, 0},
                              {Op::Down, -32768}, {Op::Up, 32767}, {Op::Wait, 0}};
  ASSERT_EQ(s.commands.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.commands[i].op, expected[i].op);
    EXPECT_EQ(s.commands[i].value, expected[i].value);
  }
  // Read in pieces, the lines that make the game are counted whole; comments, blank lines and
  // expect lines are not.
  Script read;
  ScriptReader reader(read);
  const std::string_view text = "# serve\nrand 0.5\r\n\n  expect t=0\ndown\t37\n\t# a note\nexpect t=0 currentScore=0\nwait 0";
  for (size_t at = 0; at < text.size(); at += 3) ASSERT_TRUE(reader.feed(text.substr(at, 3)));
  ASSERT_TRUE(reader.finish());
  EXPECT_EQ(read.gameBytes, std::string_view("rand 0.5\r\ndown\t37\nwait 0\n").size());
}

// A recording's lines that make its game, written again from what was read of it (the start
// of the recording after a watched one): they read back as the same game, every rand value
// bit for bit, in no more bytes than were read, and write again the same.
TEST(ReplayScript, GameLinesWrittenAgainReadBackTheSameInNoMoreBytes) {
  std::string layout = "layout\t" + std::string(40, '1') + " ";
  for (int row = 1; row < 10; ++row) layout += "  " + std::string(40, '0');
  layout += "\n";
  const std::string cases[] = {
      "# a recording\nseed 42\nrand 0.5 0.25\r\ndown\t37\nexpect t=0\nwait 50\nrand .5 5e-1\nup 37\nclick pause\n"
      "down -32768\nup 32767\nwait 0",
      "seed -1\nrandomize 18446744073709551615\nrandomize +0\nwait 604800000\n",
      "rand 5e-1 .25 1.5e-6 0.0000015 1e-9 0.0999999999999 0.123456789 1e-45 -0 +.5 0.000\ncatchup 3\nclick nextlevel\n",
      layout + "wait 10\n" + layout,
      "",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    const Script read = parseGood(text);
    std::string written;
    ASSERT_TRUE(writeGameLines(read, [&](std::string_view piece) { return written += piece, true; }, 7));
    EXPECT_LE(written.size(), read.gameBytes);
    EXPECT_TRUE(written.empty() || written.back() == '\n');
    const Script again = parseGood(written);
    EXPECT_EQ(again.seed, read.seed);
    EXPECT_EQ(again.randomizeSeeds, read.randomizeSeeds);
    EXPECT_EQ(again.layouts, read.layouts);
    ASSERT_EQ(again.draws.size(), read.draws.size());
    EXPECT_TRUE(std::equal(again.draws.begin(), again.draws.end(), read.draws.begin(),
                           [](float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }));
    std::vector<std::pair<Op, int32_t>> played, replayed;
    for (const Command c : read.commands)
      if (c.op != Op::Expect) played.emplace_back(c.op, c.value);
    for (const Command c : again.commands) replayed.emplace_back(c.op, c.value);
    EXPECT_EQ(replayed, played);
    std::string twice;
    writeGameLines(again, [&](std::string_view piece) { return twice += piece, true; });
    EXPECT_EQ(twice, written);
  }
  // Every draw of at most two decimals takes one byte, as its text takes at least two.
  std::string hundredths = "rand";
  for (int k = 0; k < 100; ++k) hundredths += " ." + std::to_string(k / 10) + std::to_string(k % 10);
  EXPECT_EQ(parseGood(hundredths).draws.bytes(), 100u);
}

TEST(ReplayScript, DefaultsAndEdgeCasesOfAGoodScript) {
  EXPECT_EQ(parseGood("").seed, 1u);
  EXPECT_TRUE(parseGood("\n\n# only comments\n").commands.empty());
  EXPECT_EQ(parseGood("seed 18446744073709551615").seed, UINT64_MAX);
  EXPECT_EQ(parseGood("seed -1").seed, UINT64_MAX);  // negative seeds wrap
  EXPECT_EQ(parseGood("seed 3\nseed 7").seed, 7u);   // the last seed counts
  EXPECT_EQ(parseGood("\xEF\xBB\xBFwait 5").commands.size(), 1u);  // byte-order mark
  for (const char* button : {"pause", "gameover", "nextlevel"})
    EXPECT_EQ(parseGood(std::string("click ") + button).commands.at(0).button(), button);
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
    EXPECT_EQ(*s.draws.begin(), c.value);
    EXPECT_FALSE(std::signbit(*s.draws.begin()));
  }
}

// A layout line of `rows` rows, each `row`.
std::string layoutOf(int rows, const std::string& row = std::string(40, '0')) {
  std::string line = "layout";
  for (int k = 0; k < rows; ++k) line += " " + row;
  return line;
}

TEST(ReplayScript, RefusesBadLinesNamingTheLine) {
  std::string hundredAndOne;
  for (int k = 0; k < 101; ++k) hundredAndOne += layoutOf(10) + "\n";
  const struct { std::string script; int line; const char* says; } cases[] = {
      {"jump 5", 1, "unknown command \"jump\""},
      {"Wait 5", 1, "unknown command"},
      {"wait 5\n\n# fine\nbogus", 4, "unknown command \"bogus\""},
      {"wait", 1, "needs one argument"},
      {"wait 5 6", 1, "one argument only"},
      {"wait -1", 1, "out of range"},
      {"wait 1.5", 1, "bad number \"1.5\""},
      {"wait 5ms", 1, "bad number"},
      {"wait 99999999999999999999", 1, "number \"99999999999999999999\" for wait is out of range"},
      {"wait 9007199254740992", 1, "more than 7 days"},
      {"wait 604800000\nwait 1", 2, "more than 7 days"},
      {"catchup 604799999\nwait 1\ncatchup 1", 3, "more than 7 days"},
      {"catchup", 1, "needs one argument"},
      {"catchup 5 6", 1, "one argument only"},
      {"catchup -1", 1, "out of range"},
      {"catchup 2.5", 1, "bad number \"2.5\" for catchup"},
      {"catchup 99999999999999999999", 1, "out of range"},
      {"randomize", 1, "needs one argument"},
      {"randomize 1 2", 1, "one argument only"},
      {"randomize -1", 1, "out of range"},
      {"randomize -99999999999999999999", 1, "out of range"},
      {"randomize 18446744073709551616", 1, "out of range"},
      {"randomize 0x10", 1, "bad number \"0x10\" for randomize"},
      {"randomize -", 1, "bad number"},
      {"seed 18446744073709551616", 1, "out of range"},
      {"seed -9223372036854775809", 1, "out of range"},
      {"down 99999999999999999999", 1, "out of range"},
      {"Catchup 5", 1, "unknown command"},
      {"down", 1, "needs one argument"},
      {"down 37 39", 1, "one argument only"},
      {"down 32768", 1, "out of range (-32768 to 32767)"},
      {"up -32769", 1, "out of range"},
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
      {"seed 1.5", 1, "bad number \"1.5\" for seed"},
      {"seed", 1, "needs one argument"},
      {"wait 5 # five", 1, "'#'"},
      {"rand 0.5 #half", 1, "'#'"},
      {"wait 5\r\nwait 5\rwait 5", 2, "one argument only"},  // a lone CR is not a line break
      {"expect", 1, "at least one KEY=VALUE"},
      {"expect \t ", 1, "at least one KEY=VALUE"},
      {"expect t", 1, "\"t\" is not KEY=VALUE"},
      {"expect t=1 t=1", 1, "names t twice"},
      {"expect ballVelocityX=0", 1, "unknown expect key \"ballVelocityX\""},  // not an integer key
      {"expect T=0", 1, "unknown expect key"},
      {"expect =0", 1, "unknown expect key \"\""},
      {"expect t=", 1, "bad number \"\" for expect t"},
      {"expect t=+1", 1, "bad number \"+1\""},
      {"expect t=-", 1, "bad number"},
      {"expect t=1.0", 1, "bad number"},
      {"expect t=0x1", 1, "bad number"},
      {"expect t=1=1", 1, "bad number \"1=1\""},
      {"expect t=9223372036854775808", 1, "out of range"},
      {"expect t=-99999999999999999999x", 1, "bad number"},
      {"expect t=5 # at five", 1, "'#'"},
      {"layout", 1, "ten rows, not 0"},
      {"wait 5\n" + layoutOf(9), 2, "ten rows, not 9"},
      {layoutOf(11), 1, "ten rows, not more"},
      {layoutOf(10, std::string(39, '1')), 1, "is not 40 digits"},
      {layoutOf(10, std::string(41, '1')), 1, "is not 40 digits"},
      {layoutOf(10, std::string(38, '1') + "1a"), 1, "is not 40 digits"},
      {layoutOf(10, "+" + std::string(39, '1')), 1, "is not 40 digits"},
      {layoutOf(10) + " # a comment", 1, "'#'"},
      {hundredAndOne, 101, "more than 100 layouts"},
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

TEST(ReplayScript, LayoutLinesReadInScriptOrderAndWriteBackTheSame) {
  LayoutRows first, second;
  for (int r = 0; r < layoutRowCount; ++r) {
    first[r] = std::string(40, char('0' + r));
    second[r] = "9998979695949392919089888786858483828180";
  }
  const std::string text = layoutLine(first) + "wait 5\n" + layoutLine(second);
  const Script s = parseGood(text);
  ASSERT_EQ(s.layouts.size(), 2u);
  EXPECT_EQ(s.layouts[0], first);
  EXPECT_EQ(s.layouts[1], second);
  EXPECT_EQ(s.commands.size(), 1u);  // a layout is no command
  std::string hundred;
  for (int k = 0; k < 100; ++k) hundred += layoutLine(second);
  EXPECT_EQ(parseGood(hundred).layouts.size(), 100u);
}

// A layout file holds layout lines and comments; any line that plays makes it a script.
TEST(ReplayScript, OnlyLayoutsAndCommentsMakeALayoutFile) {
  LayoutRows rows;
  rows.fill(std::string(40, '1'));
  const std::string layout = layoutLine(rows);
  const struct {
    std::string extra;
    bool onlyLayouts;
  } cases[] = {{"# mine\n", true}, {"", true}, {"seed 4\n", true}, {"wait 5\n", false},
               {"randomize 5\n", false}, {"rand 0.5\n", false}, {"click pause\n", false}};
  for (const auto& c : cases) EXPECT_EQ(holdsOnlyLayouts(parseGood(c.extra + layout)), c.onlyLayouts) << c.extra;
}

TEST(ReplayScript, ReadsCatchupAndQueuesRandomizeSeedsInScriptOrder) {
  const Script s = parseGood(
      "randomize 5\n"
      "catchup 0\n"
      "wait 10\n"
      "randomize 18446744073709551615\n"
      "catchup +7\n"
      "randomize 0\n"
      "randomize -0\n");
  EXPECT_EQ(s.randomizeSeeds, (std::vector<uint64_t>{5, UINT64_MAX, 0, 0}));
  EXPECT_EQ(s.seed, 1u);  // randomize leaves the seed alone
  ASSERT_EQ(s.commands.size(), 3u);
  EXPECT_EQ(s.commands[0].op, Op::Catchup);
  EXPECT_EQ(s.commands[0].value, 0);
  EXPECT_EQ(s.commands[1].op, Op::Wait);
  EXPECT_EQ(s.commands[2].op, Op::Catchup);
  EXPECT_EQ(s.commands[2].value, 7);
  EXPECT_TRUE(parseGood("seed 3").randomizeSeeds.empty());
}

TEST(ReplayScript, ExpectKeepsItsChecksInTheOrderWritten) {
  const Script s = parseGood(
      "wait 5\n"
      "expect t=5\n"
      "expect\tdiceRoll=-9223372036854775808 t=9223372036854775807  currentScore=-0\n"
      "expect extraLifePoints=1 bestScore=2 levelNumber=3 layoutIndex=4 layoutCount=5 livesLeft=6 "
      "bricksAtStart=7 bricksLeft=8 paddleDirection=9 ballVelocityY=10 boardRight=11 lastCell=12\n");
  ASSERT_EQ(s.commands.size(), 4u);
  const Expectations& e = s.expectations;
  ASSERT_EQ(e.lines.size(), 3u);
  ASSERT_EQ(e.keys.size(), 16u);
  ASSERT_EQ(e.values.size(), 16u);
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(s.commands[i].op, Op::Expect);
    EXPECT_EQ(s.commands[i].value, int32_t(i - 1));
    EXPECT_EQ(e.lines[i - 1].line, uint32_t(i + 1));
  }
  const uint32_t firsts[] = {0, 1, 4};
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(e.lines[i].first, firsts[i]);
  EXPECT_EQ(e.keys[1], ExpectKey::diceRoll);
  EXPECT_EQ(e.values[1], INT64_MIN);
  EXPECT_EQ(e.keys[2], ExpectKey::t);
  EXPECT_EQ(e.values[2], INT64_MAX);
  EXPECT_EQ(e.keys[3], ExpectKey::currentScore);
  EXPECT_EQ(e.values[3], 0);
  for (size_t i = 0; i < 12; ++i) EXPECT_EQ(e.values[4 + i], int64_t(i + 1));
  EXPECT_EQ(keyName(e.keys[15]), "lastCell");
}

TEST(ReplayScript, SevenDaysOfWaitingAndCatchingUpAreTheMost) {
  EXPECT_EQ(maxScriptTime, 604800000);
  EXPECT_EQ(parseGood("wait 604800000").commands.at(0).value, 604800000);
  EXPECT_EQ(parseGood("wait 302400000\ncatchup 302400000\ndown 37").commands.size(), 3u);
}

// A script of exactly `size` bytes: `head`, then comment lines, then `tail`.
std::string paddedScript(const std::string& head, size_t size, const std::string& tail) {
  std::string text = head;
  const std::string filler = "#" + std::string(1022, '-') + "\n";
  while (text.size() + filler.size() + tail.size() <= size) text += filler;
  text += "#" + std::string(size - text.size() - tail.size() - 2, '=') + "\n";
  return text + tail;
}

TEST(ReplayScript, A64MiBScriptIsTheLongest) {
  const std::string longest = paddedScript("\xEF\xBB\xBFwait 5\n", maxScriptBytes, "up 37\n");
  ASSERT_EQ(longest.size(), maxScriptBytes);
  EXPECT_EQ(parseGood(longest).commands.size(), 2u);

  // One byte more, and the line that holds it is named, whatever it holds.
  const int64_t lines = std::count(longest.begin(), longest.end(), '\n');
  for (const std::string& extra : {std::string("\n"), std::string("#"), std::string("x")}) {
    SCOPED_TRACE(extra);
    Script s;
    ScriptError e;
    EXPECT_FALSE(parseScript(longest + extra, s, e));
    EXPECT_EQ(e.line, lines + 1);
    EXPECT_NE(e.message.find("longer than 64 MiB"), std::string::npos) << e.message;
  }
  // A line that runs across the bound is refused even though its start fits.
  std::string across = longest;
  across.insert(longest.size() - 6, "down 37\n");  // its last two bytes lie past the bound
  Script s;
  ScriptError e;
  EXPECT_FALSE(parseScript(across, s, e));
  EXPECT_EQ(e.line, lines);
  // An earlier fault is still the first one reported.
  EXPECT_FALSE(parseScript("jump\n" + longest + "x", s, e));
  EXPECT_EQ(e.line, 1);
}

// A line far longer than the chunks it comes in is read as it comes: what the reader holds
// of it stays small, it reads as it does whole, and a line that makes the game is copied whole.
TEST(ReplayScript, ALongLineIsReadAsItComesHoldingLittle) {
  const size_t mib = size_t{1} << 20, chunk = 65536;
  std::string draws = "rand";
  for (int i = 0; i < 1 << 20; ++i) draws += i % 2 ? " 0.5" : "\t0.25";
  const std::string spaced = "wait" + std::string(4 * mib, ' ') + "7\n";
  const struct {
    std::string script;
    size_t draws, commands;
    std::string lines;  // the game lines, counted
    int64_t badLine;    // 0: good
    const char* says;
  } cases[] = {
      {std::string(4 * mib, ' ') + "\nwait 5\n", 0, 1, "wait 5\n", 0, ""},
      {"\t# " + std::string(4 * mib, 'x') + "\nwait 5", 0, 1, "wait 5\n", 0, ""},
      {"expect t=0" + std::string(4 * mib, ' ') + "\n", 0, 1, "", 0, ""},
      {spaced, 0, 1, spaced, 0, ""},
      {draws + "\r\nwait 1\n", size_t{1} << 20, 1, draws + "\r\nwait 1\n", 0, ""},
      {draws, size_t{1} << 20, 0, draws + "\n", 0, ""},  // no newline at the end
      {"wait 1\n" + draws + " # no\n", 0, 0, "", 2, "a '#' comment must stand on a line of its own"},
      {"wait 1\n" + draws.substr(0, 3 * mib) + " 1.5" + draws.substr(4) + "\n", 0, 0, "", 2, "rand value \"1.5\" is outside"},
      {"rand" + std::string(4 * mib, ' ') + "\n", 0, 0, "", 1, "rand needs at least one value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 40));
    Script read;
    ScriptReader reader(read);
    bool good = true;
    size_t held = 0;
    for (size_t at = 0; good && at < c.script.size(); at += chunk) {
      good = reader.feed(std::string_view(c.script).substr(at, chunk));
      held = std::max(held, reader.held());
    }
    good = good && reader.finish();
    EXPECT_LT(held, 4 * chunk);
    if (c.badLine) {
      EXPECT_FALSE(good);
      EXPECT_EQ(reader.error().line, c.badLine);
      EXPECT_NE(reader.error().message.find(c.says), std::string::npos) << reader.error().message;
      continue;
    }
    ASSERT_TRUE(good) << reader.error().message;
    EXPECT_EQ(read.draws.size(), c.draws);
    EXPECT_EQ(read.commands.size(), c.commands);
    EXPECT_EQ(read.gameBytes, c.lines.size());
  }
}

TEST(ReplayScript, LinesAreCountedIn64Bits) {
  static_assert(std::is_same_v<decltype(ScriptError::line), int64_t>);
}

bool allPrintable(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

TEST(ReplayScript, MessagesShowWordsEscapedAndCutShort) {
  const struct { std::string script; const char* shows; } cases[] = {
      {"\x1b]0;owned\x07 5", "unknown command \"\\x1b]0;owned\\x07\""},
      {std::string("wa\0it 5", 7), "\"wa\\x00it\""},
      {"click \xc3\xa4", "\"\\xc3\\xa4\""},
      {"wait 5\x7f", "\"5\\x7f\""},
      {"down a\\b", "\"a\\\\b\""},  // a backslash is doubled, so that \x41 in a word reads back
      {"rand 0.5\x1b[2J", "\"0.5\\x1b[2J\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(printable(c.script));
    Script s;
    ScriptError e;
    EXPECT_FALSE(parseScript(c.script, s, e));
    EXPECT_NE(e.message.find(c.shows), std::string::npos) << e.message;
    EXPECT_TRUE(allPrintable(e.message)) << e.message;
  }

  // A huge word: its first sixty-odd characters, then an ellipsis.
  for (const std::string& word : {std::string(50'000'000, 'w'), std::string(20'000, '\x1b')}) {
    Script s;
    ScriptError e;
    EXPECT_FALSE(parseScript("click " + word, s, e));
    EXPECT_LE(e.message.size(), 120u);
    EXPECT_NE(e.message.find(printable(word.substr(0, 12)) + "...\""), std::string::npos) << e.message;
  }
}

TEST(ReplayScript, PrintableEscapesWholeBytesWithinTheLimit) {
  EXPECT_EQ(printable("plain text 09 ~"), "plain text 09 ~");
  EXPECT_EQ(printable(std::string("a\0\t\n\x1b\x80\xff\\", 8)), "a\\x00\\x09\\x0a\\x1b\\x80\\xff\\\\");
  EXPECT_EQ(printable("abcdef", 6), "abcdef");    // fits exactly: nothing cut
  EXPECT_EQ(printable("abcdefg", 6), "abcdef...");
  EXPECT_EQ(printable("abc\x01", 6), "abc...");  // an escape is never split
  EXPECT_EQ(printable("abc\x01", 7), "abc\\x01");
  EXPECT_EQ(printable(std::string(1000, 'x'), 0).size(), 1000u);  // no limit
}

}  // namespace
}  // namespace zorvane
