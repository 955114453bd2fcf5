#include "replay/script.h"

#include <charconv>
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

std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// A leading '+' is accepted, as people write it; from_chars itself refuses it.
std::string_view withoutPlus(std::string_view token) {
  if (token.size() > 1 && token[0] == '+' && token[1] != '-' && token[1] != '+') token.remove_prefix(1);
  return token;
}

template <class T>
bool wholeNumber(std::string_view token, T& value) {
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  return ec == std::errc{} && end == token.data() + token.size();
}

// Any whole number from the most negative int64 to the largest uint64; negative seeds wrap.
bool seedNumber(std::string_view token, uint64_t& value) {
  int64_t negative = 0;
  if (!token.empty() && token[0] == '-') {
    if (!wholeNumber(token, negative)) return false;
    value = static_cast<uint64_t>(negative);
    return true;
  }
  return wholeNumber(token, value);
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

bool parseScript(std::string_view text, Script& script, ScriptError& error) {
  script = Script{};
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark

  int64_t totalWait = 0;
  int lineNumber = 0;
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

    if (name != "seed" && name != "wait" && name != "down" && name != "up" && name != "click")
      return fail("unknown command " + quoted(name) + " (rand, seed, wait, down, up or click)");
    const std::string_view arg = nextWord(rest);
    if (arg.empty()) return fail(std::string(name) + " needs one argument");
    if (!nextWord(rest).empty()) return fail(std::string(name) + " takes one argument only");

    Command c;
    c.line = lineNumber;
    if (name == "seed") {
      if (!seedNumber(withoutPlus(arg), script.seed)) return fail("bad seed " + quoted(arg) + ": not a whole number");
      continue;
    }
    if (name == "click") {
      for (const std::string_view b : buttonNames)
        if (arg == b) c.button = b;
      if (c.button.empty()) return fail("unknown button " + quoted(arg) + " (pause, gameover or nextlevel)");
      c.op = Op::Click;
      script.commands.push_back(c);
      continue;
    }

    if (!wholeNumber(withoutPlus(arg), c.value))
      return fail("bad number " + quoted(arg) + " for " + std::string(name) + ": not a whole number");
    if (name == "wait") {
      if (c.value < 0) return fail("wait time " + quoted(arg) + " is negative");
      if (c.value > maxScriptTime - totalWait) return fail("wait times add up to more than the clock can hold");
      totalWait += c.value;
      c.op = Op::Wait;
    } else {
      if (c.value < std::numeric_limits<int16_t>::min() || c.value > std::numeric_limits<int16_t>::max())
        return fail("key code " + quoted(arg) + " is outside -32768..32767");
      c.op = name == "down" ? Op::Down : Op::Up;
    }
    script.commands.push_back(c);
  }
  return true;
}

}  // namespace zorvane
