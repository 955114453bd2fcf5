// Replay scripts: the input events of one run, read whole before anything runs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "levels/layouts.h"
#include "platform/input.h"
#include "platform/random.h"
#include "script/expect.h"

namespace zorvane {

// What a command does, by its script word.
enum class Op : uint8_t { Wait, Down, Up, Click, Catchup, Expect };

// The buttons a script clicks, by the number a click command holds.
inline constexpr const auto& buttonNames = buttons::all;

// One command of a script, in script order.
struct Command {
  Op op = Op::Wait;
  int32_t value = 0;  // wait, catchup: milliseconds (at most 7 days); down, up: key code; click: index in
                      // buttonNames; expect: index of its line in the Script's expectations
  std::string_view button() const { return buttonNames[value]; }  // click: "pause", "gameover" or "nextlevel"
};

// The commands of a script, four bytes each, so that the longest script stays small (no
// more than the text that gave them); each is read back as a Command.
class Commands {
 public:
  void push_back(const Command& c);
  Command operator[](size_t i) const;
  Command at(size_t i) const { return (void)packed.at(i), (*this)[i]; }  // checked
  Command back() const { return (*this)[size() - 1]; }
  size_t size() const { return packed.size(); }
  bool empty() const { return packed.empty(); }
  void resize(size_t n) { packed.resize(n); }

  class Reader {                           // in order, as a range-for reads them
   public:
    Reader(const Commands& c, size_t i) : commands(&c), i(i) {}
    Command operator*() const { return (*commands)[i]; }
    Reader& operator++() { return ++i, *this; }
    bool operator==(const Reader& other) const { return i == other.i; }

   private:
    const Commands* commands;
    size_t i;
  };
  Reader begin() const { return {*this, 0}; }
  Reader end() const { return {*this, size()}; }

 private:
  std::deque<uint32_t> packed;  // wait and catchup: the top bit and the time; others: two bits each, then the value
};

// A whole script: the random queue, the seeds and the commands to run after start-up. Long
// queues are held in pieces, never copied whole as they grow; the draws are shared with the
// game that takes them.
struct Script {
  Draws draws;                           // every rand value, in script order
  uint64_t seed = 1;                     // generator seed once the queue is empty
  std::vector<uint64_t> randomizeSeeds;  // every randomize seed, in script order
  Commands commands;                     // wait, catchup, down, up, click and expect, in order
  Expectations expectations;             // the checks of every expect line
  Layouts layouts;                       // every layout line, in script order: the player's own layouts
  size_t gameBytes = 0;                  // of the lines read, those that make the game (not comments, blank or expect lines)
};

// Why a script was refused.
struct ScriptError {
  int64_t line = 0;       // script line, from 1
  std::string message;    // one line of printable text, without the line number
};

// Reads a script as its text arrives, line by line, so that the text is never held whole.
class ScriptReader {
 public:
  explicit ScriptReader(Script& script);  // empties `script`, then fills it
  bool feed(std::string_view chunk, bool last = false);  // false once a line is bad (the first fault)
  bool finish() { return feed({}, true); }        // the last line, when no newline ended it
  bool good() const { return !failed; }           // no bad line so far
  const ScriptError& error() const { return fault; }  // the first bad line
  size_t held() const { return partial.capacity(); }  // the room a line not yet ended takes

 private:
  bool line(std::string_view text);  // one whole line, without its newline
  bool compact();                    // a long line's start kept short (see feed)
  bool randRest(std::string_view text);     // the end of a long rand line, its first draws read
  bool readRand(std::string_view rest);     // the draws of a rand line, at least one
  bool readDraws(std::string_view rest);    // some of them
  bool readLayout(std::string_view rest);   // the ten rows of a layout line
  bool readClick(std::string_view button);
  bool readSeed(std::string_view name, std::string_view arg);          // seed or randomize
  bool readTimedOrKeyed(std::string_view name, std::string_view arg);  // wait, catchup, down or up
  bool fail(std::string message);

  Script& script;
  bool gameLine = false;  // the line just read makes the game
  ScriptError fault;
  static constexpr size_t longLine = 4096;  // a line's start held longer than this is kept short
  std::string partial;    // the start of a line whose newline has not come yet (kept short: compact)
  size_t lineBytes = 0;   // the bytes of it read
  size_t compactAt = longLine;  // partial is made short again when it grows past this
  bool randGoesOn = false;      // it is a rand line whose first draws are read
  size_t randDraws = 0;   // the draws of the rand line being read
  size_t bytes = 0;       // of the lines read
  int64_t lineNumber = 0;
  int64_t totalTime = 0;  // of wait and catchup
  bool failed = false;
};

// Script lines as the reader reads them, each with its newline: whatever writes a script
// (the recorder, the generator, a front end) writes its lines with these.
std::string commandLine(Op op, int64_t value);    // wait or catchup MS, down or up KEYCODE, click BUTTON (value: its index in buttonNames); no expect (see expectLine)
std::string seedLine(uint64_t seed);              // "seed N": the generator's seed once the draws run out
std::string randomizeLine(uint64_t seed);         // "randomize N": one start-up's clock seed
std::string randLine(std::span<const float> draws);  // "rand R...", each draw in text that reads back exactly
std::string layoutLine(const LayoutRows& layout);  // "layout", then its ten rows

// The lines of `script` that make its game written again, in pieces of about `piece` bytes
// (a piece may end inside a line): its seed, layouts, randomize seeds, one rand line and its
// commands but expect lines. They play as the lines it was read from, in no more bytes
// (Script::gameBytes). False once `out` refused a piece.
bool writeGameLines(const Script& script, const std::function<bool(std::string_view)>& out, size_t piece = 65536);

// Reads a whole script; on a bad line returns false and fills `error` (the first fault).
bool parseScript(std::string_view text, Script& script, ScriptError& error);

// Reads and parses the script at `path` (- for standard input). Returns 0, or the exit
// status with `error` set: 1 when it cannot be read, 2 for a bad script ("NAME, line N: ...").
int loadScript(const std::string& path, Script& script, std::string& error);

// True when `script` holds nothing that plays but layouts (perhaps none), as a layout file.
bool holdsOnlyLayouts(const Script& script);

// Reads a layout file at `path`: `layout` lines and comments only, at least one layout.
// Returns 0, or the exit status with `error` set as loadScript does (2 also for a file that
// holds other commands or no layout).
int loadLayouts(const std::string& path, Layouts& layouts, std::string& error);

// The last part of a file's name, as a title shows it: printable and cut short.
std::string shownName(const std::string& path);

// The longest script, in bytes: one byte more and it is refused.
constexpr size_t maxScriptBytes = size_t{64} << 20;

// The longest total of wait and catchup times a script may ask for: 7 days.
constexpr int64_t maxScriptTime = int64_t{7} * 24 * 60 * 60 * 1000;

// Text from outside made safe to show on a terminal: printable ASCII stays, a backslash
// doubles and every other byte becomes \xNN. With `limit` > 0 the result keeps at most about
// `limit` characters and ends in "..." when it was cut.
std::string printable(std::string_view text, size_t limit = 0);

// Takes the next word (separated by spaces or tabs) off the front of `rest`; empty at the end.
std::string_view nextWord(std::string_view& rest);

}  // namespace zorvane
