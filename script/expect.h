// Checks in a script: `expect KEY=VALUE ...` names integer values of the trace that the game
// must have at that point. A recording writes them, so that replaying it proves its score.
#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "trace/fields.h"

namespace zorvane {

class Form1;

// The integer keys of the trace an expect line may name, in the trace's order.
#define ZORVANE_EXPECT_KEY(name) name,
enum class ExpectKey : uint8_t { t, ZORVANE_TRACE_INTEGERS(ZORVANE_EXPECT_KEY) };
#undef ZORVANE_EXPECT_KEY

// The checks of every expect line of a script, held as compactly as its commands: a script
// of nothing but expect lines stays as small in memory as any other. An expect command holds
// the index of its line here.
struct Expectations {
  struct Line {
    uint32_t line = 0;   // the script line, from 1 (a script has fewer than 2^32 lines)
    uint32_t first = 0;  // its first check in `keys` and `values`
  };
  std::deque<Line> lines;        // one per expect line, in script order
  std::deque<ExpectKey> keys;    // every check's key, in order
  std::deque<int64_t> values;    // every check's value
  bool empty() const { return lines.empty(); }  // the script has no expect line
};

// The first check of an expect line the game did not meet.
struct ExpectMiss {
  int64_t line = 0;        // the script line
  ExpectKey key = ExpectKey::t;
  int64_t expected = 0;
  int64_t actual = 0;
};

// Reads the words after `expect` (`rest` of script line `line`) into `table`; on a bad word
// returns false with `error` set to one line of printable text.
bool parseExpectation(std::string_view rest, int64_t line, Expectations& table, std::string& error);

std::string_view keyName(ExpectKey key);             // as the trace and an expect line write it
int64_t gameValue(const Form1& form, ExpectKey key);  // what the game has now

// True when the game meets every check of expect line `index` of `table`; otherwise false
// with `miss` filled.
bool meets(const Expectations& table, int32_t index, const Form1& form, ExpectMiss& miss);

// "line N: expect KEY=V, but the game has KEY=W"
std::string describe(const ExpectMiss& miss);

// The line a recording writes about the game as it stands, ending in '\n': t, the scores,
// the level, the lives, the bricks left, the last cell and the last dice roll.
std::string expectLine(const Form1& form);

}  // namespace zorvane
