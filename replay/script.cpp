#include "replay/script.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "replay/numtext.h"

namespace zorvane {
namespace {

constexpr std::string_view buttonNames[] = {"pause", "gameover", "nextlevel"};

// Takes the next word (separated by spaces or tabs) off the front of `rest`; empty at the end.
std::string_view nextWord(std::string_view& rest) {
  size_t i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  size_t j = i;
  while (j < rest.size() && rest[j] != ' ' && rest[j] != '\t') ++j;
  const std::string_view word = rest.substr(i, j - i);
  rest.remove_prefix(j);
  return word;
}

// A word of the script as an error message shows it: quoted, escaped and cut short.
std::string quoted(std::string_view word) { return "\"" + printable(word, 60) + "\""; }

// A leading '+' is accepted, as people write it; from_chars itself refuses it.
std::string_view withoutPlus(std::string_view token) {
  if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+') token.remove_prefix(1);
  return token;
}

enum class NumberFault { None, Syntax, Range };

template <class T>
NumberFault wholeNumber(std::string_view token, T& value) {
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (ec == std::errc::invalid_argument || end != token.data() + token.size()) return NumberFault::Syntax;
  return ec == std::errc{} ? NumberFault::None : NumberFault::Range;
}

// Any whole number from the most negative int64 to the largest uint64; negative seeds wrap.
NumberFault seedNumber(std::string_view token, uint64_t& value) {
  if (token.empty() || token[0] != '-') return wholeNumber(token, value);
  int64_t negative = 0;
  const NumberFault fault = wholeNumber(token, negative);
  value = static_cast<uint64_t>(negative);
  return fault;
}

enum class DrawFault { None, Syntax, Range };

// The float nearest to the decimal text; it must lie in [0, 1).
DrawFault parseDraw(std::string_view token, float& value) {
  const char* first = token.data();
  const char* last = first + token.size();
  const auto [end, ec] = readSingle(first, last, value);
  if (ec == std::errc::invalid_argument || end != last) return DrawFault::Syntax;
  if (ec == std::errc::result_out_of_range) {
    // Too large for a float, or so small that its nearest float is zero.
    const std::string copy(token);
    const double wide = std::strtod(copy.c_str(), nullptr);
    if (!(std::fabs(wide) < 1)) return DrawFault::Range;
    value = 0;
  }
  if (!(value >= 0.0f && value < 1.0f)) return DrawFault::Range;  // NaN fails here too
  if (value == 0.0f) value = 0.0f;  // -0 becomes 0, as the generator would give
  return DrawFault::None;
}

}  // namespace

std::string printable(std::string_view text, size_t limit) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string shown;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    char piece[4] = {ch};
    size_t n = 1;
    if (c == '\\') {
      piece[1] = '\\';
      n = 2;
    } else if (c < 0x20 || c >= 0x7f) {
      piece[0] = '\\';
      piece[1] = 'x';
      piece[2] = hex[c >> 4];
      piece[3] = hex[c & 15];
      n = 4;
    }
    if (limit > 0 && shown.size() + n > limit) return shown + "...";
    shown.append(piece, n);
  }
  return shown;
}

bool parseScript(std::string_view text, Script& script, ScriptError& error) {
  script = Script{};
  const size_t scriptBytes = text.size();
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark

  int64_t totalTime = 0;
  int64_t lineNumber = 0;
  const auto fail = [&](std::string message) {
    error.line = lineNumber;
    error.message = std::move(message);
    return false;
  };

  while (!text.empty()) {
    ++lineNumber;
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (scriptBytes - text.size() > maxScriptBytes) return fail("the script is longer than 64 MiB");
    if (line.ends_with('\r')) line.remove_suffix(1);

    std::string_view rest = line;
    const std::string_view name = nextWord(rest);
    if (name.empty() || name[0] == '#') continue;
    if (line.find('#') != std::string_view::npos)
      return fail("a '#' comment must stand on a line of its own");

    if (name == "rand") {
      size_t count = 0;
      for (std::string_view token = nextWord(rest); !token.empty(); token = nextWord(rest), ++count) {
        float r = 0;
        switch (parseDraw(withoutPlus(token), r)) {
          case DrawFault::Syntax: return fail("bad rand value " + quoted(token) + ": not a decimal number");
          case DrawFault::Range: return fail("rand value " + quoted(token) + " is outside [0, 1) as a float");
          case DrawFault::None: break;
        }
        script.draws.push_back(r);
      }
      if (count == 0) return fail("rand needs at least one value");
      continue;
    }

    if (name == "expect") {
      Expectation e;
      std::string message;
      if (!parseExpectation(rest, e, message)) return fail(message);
      script.commands.push_back({Op::Expect, static_cast<int64_t>(script.expectations.size()), {}, lineNumber});
      script.expectations.push_back(std::move(e));
      continue;
    }

    const bool timed = name == "wait" || name == "catchup", keyed = name == "down" || name == "up";
    if (!timed && !keyed && name != "seed" && name != "randomize" && name != "click")
      return fail("unknown command " + quoted(name) + " (rand, seed, randomize, wait, catchup, down, up, click or expect)");
    const std::string_view arg = nextWord(rest);
    if (arg.empty()) return fail(std::string(name) + " needs one argument");
    if (!nextWord(rest).empty()) return fail(std::string(name) + " takes one argument only");

    Command c;
    c.line = lineNumber;
    if (name == "click") {
      for (const std::string_view b : buttonNames)
        if (arg == b) c.button = b;
      if (c.button.empty()) return fail("unknown button " + quoted(arg) + " (pause, gameover or nextlevel)");
      c.op = Op::Click;
      script.commands.push_back(c);
      continue;
    }

    NumberFault fault = NumberFault::None;
    std::string range;  // what the argument may be, for the message
    if (name == "seed") {
      fault = seedNumber(withoutPlus(arg), script.seed);
      range = "-9223372036854775808 to 18446744073709551615";
    } else if (name == "randomize") {
      uint64_t seed = 0;
      fault = wholeNumber(withoutPlus(arg), seed);
      int64_t negative = 0;  // unsigned parsing refuses a sign: "-5" is a whole number, below the range
      if (fault == NumberFault::Syntax && arg.starts_with('-')) {
        const NumberFault signedFault = wholeNumber(arg, negative);
        if (signedFault != NumberFault::Syntax)
          fault = signedFault == NumberFault::None && negative == 0 ? NumberFault::None : NumberFault::Range;
      }
      if (fault == NumberFault::None) script.randomizeSeeds.push_back(seed);
      range = "0 to 18446744073709551615";
    } else {
      fault = wholeNumber(withoutPlus(arg), c.value);
      if (fault == NumberFault::None && timed && c.value < 0) fault = NumberFault::Range;
      if (fault == NumberFault::None && keyed &&
          (c.value < std::numeric_limits<int16_t>::min() || c.value > std::numeric_limits<int16_t>::max()))
        fault = NumberFault::Range;
      range = timed ? "0 or more milliseconds" : "-32768 to 32767";
    }
    if (fault == NumberFault::Syntax)
      return fail("bad number " + quoted(arg) + " for " + std::string(name) + ": not a whole number");
    if (fault == NumberFault::Range)
      return fail("number " + quoted(arg) + " for " + std::string(name) + " is out of range (" + range + ")");
    if (name == "seed" || name == "randomize") continue;

    if (timed) {
      if (c.value > maxScriptTime - totalTime) return fail("wait and catchup times add up to more than 7 days");
      totalTime += c.value;
      c.op = name == "wait" ? Op::Wait : Op::Catchup;
    } else {
      c.op = name == "down" ? Op::Down : Op::Up;
    }
    script.commands.push_back(c);
  }
  return true;
}

namespace {

// Reads until the end or until `text` holds more than `limit` bytes, whichever comes first.
bool readAll(std::FILE* in, std::string& text, size_t limit) {
  char chunk[65536];
  while (text.size() <= limit) {
    const size_t n = std::fread(chunk, 1, std::min(sizeof chunk, limit + 1 - text.size()), in);
    if (n == 0) break;
    text.append(chunk, n);
  }
  return !std::ferror(in);
}

}  // namespace

int loadScript(const std::string& path, Script& script, std::string& error) {
  // At most one byte past the longest script is read: the parser refuses it by its size.
  std::string text;
  if (path == "-") {
    if (!readAll(stdin, text, maxScriptBytes)) {
      error = std::string("cannot read the script from standard input: ") + std::strerror(errno);
      return 1;
    }
  } else {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    const bool read = in != nullptr && readAll(in, text, maxScriptBytes);
    const int cause = errno;
    if (in != nullptr) std::fclose(in);
    if (!read) {
      error = "cannot read the script " + printable(path) + ": " + std::strerror(cause);
      return 1;
    }
  }
  ScriptError bad;
  if (!parseScript(text, script, bad)) {
    const std::string name = path == "-" ? "<stdin>" : printable(path);
    error = name + ", line " + std::to_string(bad.line) + ": " + bad.message;
    return 2;
  }
  return 0;
}

}  // namespace zorvane
