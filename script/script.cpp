#include "script/script.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

#include "trace/numtext.h"

namespace zorvane {
std::string_view nextWord(std::string_view& rest) {
  size_t i = 0;
  while (i < rest.size() && (rest[i] == ' ' || rest[i] == '\t')) ++i;
  size_t j = i;
  while (j < rest.size() && rest[j] != ' ' && rest[j] != '\t') ++j;
  const std::string_view word = rest.substr(i, j - i);
  rest.remove_prefix(j);
  return word;
}

namespace {

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

// Why the number `arg` of command `name` was refused; `range`: what it may be.
std::string numberMessage(std::string_view name, std::string_view arg, NumberFault fault, const char* range) {
  if (fault == NumberFault::Syntax) return "bad number " + quoted(arg) + " for " + std::string(name) + ": not a whole number";
  return "number " + quoted(arg) + " for " + std::string(name) + " is out of range (" + range + ")";
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

ScriptReader::ScriptReader(Script& s) : script(s) { script = Script{}; }

bool ScriptReader::feed(std::string_view chunk, bool last) {
  while (!failed && (!chunk.empty() || (last && lineBytes > 0))) {
    const size_t newline = chunk.find('\n');
    const size_t taken = newline == std::string_view::npos ? chunk.size() : newline + 1;
    // A line that runs past the bound is refused by the bound, whatever it holds.
    if (bytes + lineBytes + taken > maxScriptBytes) {
      ++lineNumber;
      return fail("the script is longer than " + std::to_string(maxScriptBytes >> 20) + " MiB");
    }
    if (newline == std::string_view::npos && !last) {
      partial.append(chunk);  // the line goes on in the next chunk
      lineBytes += chunk.size();
      return partial.size() <= compactAt || compact();
    }
    ++lineNumber;
    bytes += lineBytes + taken;
    std::string_view text = chunk.substr(0, newline == std::string_view::npos ? taken : newline);
    if (!partial.empty()) text = partial.append(text);
    chunk.remove_prefix(taken);
    const bool good = randGoesOn ? randRest(text) : line(text);
    if (good && gameLine) script.gameBytes += lineBytes + taken + (newline == std::string_view::npos);
    partial.clear();
    lineBytes = 0;
    compactAt = longLine;
    randGoesOn = false;
    if (!good) return false;
  }
  return !failed;
}

// What a long line holds so far is kept short, as little as its meaning needs: runs of
// blanks become one blank, a comment keeps only its '#', and a rand line's whole draws are
// read as they arrive.
bool ScriptReader::compact() {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  partial.erase(std::unique(partial.begin(), partial.end(), [&](char a, char b) { return blank(a) && blank(b); }),
                partial.end());
  std::string_view head = partial;
  if (lineNumber == 0 && head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);  // a byte-order mark
  std::string_view rest = head;
  const std::string_view word = randGoesOn ? "rand" : nextWord(rest);
  if (word.starts_with('#')) {
    partial.resize(size_t(word.data() - partial.data()) + 1);
  } else if (word == "rand" && !rest.empty()) {
    // Up to its last blank, the draws are whole.
    const size_t end = partial.find_last_of(" \t") + 1;
    const std::string_view whole(partial.data(), end);
    ++lineNumber;  // a fault names the line being read
    if (whole.find('#') != std::string_view::npos) return fail("a '#' comment must stand on a line of its own");
    if (!readDraws(randGoesOn ? whole : std::string_view(rest.data(), size_t(whole.data() + whole.size() - rest.data()))))
      return false;
    --lineNumber;
    partial.erase(0, end);
    randGoesOn = true;
  }
  compactAt = std::max(longLine, 2 * partial.size());  // what stays long is not looked at again until it doubles
  return true;
}

// The end of a rand line whose first draws were read already.
bool ScriptReader::randRest(std::string_view text) {
  gameLine = true;
  if (text.find('#') != std::string_view::npos) return fail("a '#' comment must stand on a line of its own");
  if (text.ends_with('\r')) text.remove_suffix(1);
  return readRand(text);
}

bool ScriptReader::fail(std::string message) {
  fault.line = lineNumber;
  fault.message = std::move(message);
  failed = true;
  return false;
}

bool ScriptReader::line(std::string_view line) {
  if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);  // a byte-order mark
  if (line.ends_with('\r')) line.remove_suffix(1);

  std::string_view rest = line;
  const std::string_view name = nextWord(rest);
  gameLine = !name.empty() && name[0] != '#' && name != "expect";
  if (name.empty() || name[0] == '#') return true;
  if (line.find('#') != std::string_view::npos)
    return fail("a '#' comment must stand on a line of its own");

  if (name == "rand") return readRand(rest);
  if (name == "expect") {
    std::string message;
    const auto index = static_cast<int32_t>(script.expectations.lines.size());
    if (!parseExpectation(rest, lineNumber, script.expectations, message)) return fail(message);
    script.commands.push_back({Op::Expect, index});
    return true;
  }
  if (name == "layout") return readLayout(rest);

  const bool timed = name == "wait" || name == "catchup", keyed = name == "down" || name == "up";
  if (!timed && !keyed && name != "seed" && name != "randomize" && name != "click")
    return fail("unknown command " + quoted(name) + " (rand, seed, randomize, wait, catchup, down, up, click, expect or layout)");
  const std::string_view arg = nextWord(rest);
  if (arg.empty()) return fail(std::string(name) + " needs one argument");
  if (!nextWord(rest).empty()) return fail(std::string(name) + " takes one argument only");
  if (name == "click") return readClick(arg);
  if (name == "seed" || name == "randomize") return readSeed(name, arg);
  return readTimedOrKeyed(name, arg);
}

bool ScriptReader::readRand(std::string_view rest) {
  if (!readDraws(rest)) return false;
  if (randDraws == 0) return fail("rand needs at least one value");
  randDraws = 0;
  return true;
}

bool ScriptReader::readDraws(std::string_view rest) {
  for (std::string_view token = nextWord(rest); !token.empty(); token = nextWord(rest), ++randDraws) {
    float r = 0;
    switch (parseDraw(withoutPlus(token), r)) {
      case DrawFault::Syntax: return fail("bad rand value " + quoted(token) + ": not a decimal number");
      case DrawFault::Range: return fail("rand value " + quoted(token) + " is outside [0, 1) as a float");
      case DrawFault::None: break;
    }
    script.draws.push_back(r);
  }
  return true;
}

bool ScriptReader::readLayout(std::string_view rest) {
  LayoutRows rows;
  int count = 0;
  for (std::string_view row = nextWord(rest); !row.empty(); row = nextWord(rest), ++count) {
    if (count == layoutRowCount) return fail("a layout has ten rows, not more");
    if (!isLayoutRow(row)) return fail("layout row " + quoted(row) + " is not 40 digits");
    rows[count] = row;
  }
  if (count < layoutRowCount) return fail("a layout has ten rows, not " + std::to_string(count));
  if (script.layouts.size() == mostLayouts) return fail("more than " + std::to_string(mostLayouts) + " layouts");
  script.layouts.push_back(std::move(rows));
  return true;
}

bool ScriptReader::readClick(std::string_view arg) {
  const auto* b = std::find(std::begin(buttonNames), std::end(buttonNames), arg);
  if (b == std::end(buttonNames)) return fail("unknown button " + quoted(arg) + " (pause, gameover or nextlevel)");
  script.commands.push_back({Op::Click, static_cast<int32_t>(b - std::begin(buttonNames))});
  return true;
}

bool ScriptReader::readSeed(std::string_view name, std::string_view arg) {
  if (name == "seed") {
    const NumberFault fault = seedNumber(withoutPlus(arg), script.seed);
    return fault == NumberFault::None || fail(numberMessage(name, arg, fault, "-9223372036854775808 to 18446744073709551615"));
  }
  uint64_t seed = 0;
  NumberFault fault = wholeNumber(withoutPlus(arg), seed);
  int64_t negative = 0;  // unsigned parsing refuses a sign: "-5" is a whole number, below the range
  if (fault == NumberFault::Syntax && arg.starts_with('-')) {
    const NumberFault signedFault = wholeNumber(arg, negative);
    if (signedFault != NumberFault::Syntax)
      fault = signedFault == NumberFault::None && negative == 0 ? NumberFault::None : NumberFault::Range;
  }
  if (fault != NumberFault::None) return fail(numberMessage(name, arg, fault, "0 to 18446744073709551615"));
  script.randomizeSeeds.push_back(seed);
  return true;
}

bool ScriptReader::readTimedOrKeyed(std::string_view name, std::string_view arg) {
  const bool timed = name == "wait" || name == "catchup";
  int64_t value = 0;
  NumberFault fault = wholeNumber(withoutPlus(arg), value);
  if (fault == NumberFault::None && timed && value < 0) fault = NumberFault::Range;
  if (fault == NumberFault::None && !timed &&
      (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()))
    fault = NumberFault::Range;
  if (fault != NumberFault::None)
    return fail(numberMessage(name, arg, fault, timed ? "0 or more milliseconds" : "-32768 to 32767"));

  Command c;
  if (timed) {
    if (value > maxScriptTime - totalTime) return fail("wait and catchup times add up to more than 7 days");
    totalTime += value;
    c.op = name == "wait" ? Op::Wait : Op::Catchup;
  } else {
    c.op = name == "down" ? Op::Down : Op::Up;
  }
  c.value = static_cast<int32_t>(value);  // at most 7 days of milliseconds, or a 16-bit key code
  script.commands.push_back(c);
  return true;
}

// Wait and catchup: the top bit set, the next one for catchup, then 30 bits of milliseconds
// (7 days is under 2^30). Down, up, click and expect: the top bit clear, two bits for which,
// then 29 bits of value (a key code as its 16 bits; a script has fewer than 2^29 lines).
void Commands::push_back(const Command& c) {
  const auto value = uint32_t(c.value);
  switch (c.op) {
    case Op::Wait: packed.push_back(1u << 31 | value); break;
    case Op::Catchup: packed.push_back(3u << 30 | value); break;
    case Op::Down: packed.push_back(0u << 29 | (value & 0xffff)); break;
    case Op::Up: packed.push_back(1u << 29 | (value & 0xffff)); break;
    case Op::Click: packed.push_back(2u << 29 | value); break;
    case Op::Expect: packed.push_back(3u << 29 | value); break;
  }
}

Command Commands::operator[](size_t i) const {
  const uint32_t p = packed[i];
  if (p >> 31) return {p >> 30 == 3 ? Op::Catchup : Op::Wait, int32_t(p & ((1u << 30) - 1))};
  constexpr Op others[] = {Op::Down, Op::Up, Op::Click, Op::Expect};
  const Op op = others[p >> 29];
  const uint32_t value = p & ((1u << 29) - 1);
  return {op, op == Op::Down || op == Op::Up ? int32_t(int16_t(uint16_t(value))) : int32_t(value)};
}

std::string commandLine(Op op, int64_t value) {
  switch (op) {
    case Op::Wait: return "wait " + std::to_string(value) + "\n";
    case Op::Catchup: return "catchup " + std::to_string(value) + "\n";
    case Op::Down: return "down " + std::to_string(value) + "\n";
    case Op::Up: return "up " + std::to_string(value) + "\n";
    case Op::Click: return "click " + std::string(buttonNames[size_t(value)]) + "\n";
    case Op::Expect: break;
  }
  return {};
}

std::string seedLine(uint64_t seed) { return "seed " + std::to_string(seed) + "\n"; }

std::string randomizeLine(uint64_t seed) { return "randomize " + std::to_string(seed) + "\n"; }

std::string randLine(std::span<const float> draws) {
  std::string line = "rand";
  for (const float v : draws) {
    char text[maxNumberText];
    const char* end = writeSingle(text, v);  // shortest exact text
    line += ' ';
    line.append(text, static_cast<size_t>(end - text));
  }
  return line + "\n";
}

std::string layoutLine(const LayoutRows& layout) {
  std::string line = "layout";
  for (const std::string& row : layout) line.append(" ").append(row);
  return line + "\n";
}

bool writeGameLines(const Script& script, const std::function<bool(std::string_view)>& out, size_t piece) {
  std::string text;
  text.reserve(piece + 4096);
  const auto add = [&](std::string_view more) {
    text += more;
    if (text.size() < piece) return true;
    const bool taken = out(text);
    text.clear();
    return taken;
  };
  // A seed past 2^63 as the negative number it wraps from, when that is shorter.
  const bool wraps = script.seed > uint64_t(INT64_MAX);
  bool good = script.seed == 1 || add(wraps ? "seed " + std::to_string(int64_t(script.seed)) + "\n" : seedLine(script.seed));
  for (const LayoutRows& layout : script.layouts) good = good && add(layoutLine(layout));
  for (const uint64_t seed : script.randomizeSeeds) good = good && add(randomizeLine(seed));
  // One rand line for them all: never longer than the lines they were read from.
  if (!script.draws.empty()) good = good && add("rand");
  for (auto r = script.draws.begin(); good && r != script.draws.end(); ++r) {
    char word[maxNumberText + 1] = " ";
    good = add(std::string_view(word, size_t(writeDraw(word + 1, *r) - word)));
  }
  if (!script.draws.empty()) good = good && add("\n");
  for (auto c = script.commands.begin(); good && c != script.commands.end(); ++c)
    if ((*c).op != Op::Expect) good = add(commandLine((*c).op, (*c).value));
  return good && (text.empty() || out(text));
}

bool parseScript(std::string_view text, Script& script, ScriptError& error) {
  ScriptReader reader(script);
  const bool good = reader.feed(text, true);
  error = reader.error();
  return good;
}

namespace {

// Reads the script in chunks as it parses it, at most one byte past the longest script.
// Returns 0, 1 when it cannot be read, 2 for a bad script.
int readScript(std::FILE* in, Script& script, ScriptError& bad) {
  ScriptReader reader(script);
  char chunk[65536];
  size_t total = 0;
  while (total <= maxScriptBytes) {
    const size_t n = std::fread(chunk, 1, std::min(sizeof chunk, maxScriptBytes + 1 - total), in);
    if (n == 0) break;
    total += n;
    if (!reader.feed({chunk, n})) break;
  }
  if (std::ferror(in)) return 1;
  if (reader.good() && reader.finish()) return 0;
  bad = reader.error();
  return 2;
}

}  // namespace

int loadScript(const std::string& path, Script& script, std::string& error) {
  ScriptError bad;
  int status = 0;
  if (path == "-") {
    status = readScript(stdin, script, bad);
    if (status == 1) error = std::string("cannot read the script from standard input: ") + std::strerror(errno);
  } else {
#ifdef _WIN32
    // UTF-8 names reach Windows as UTF-16.
    std::wstring name(path.size(), L'\0');
    name.resize(size_t(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), int(path.size()), name.data(),
                                           int(name.size()))));
    std::FILE* in = name.empty() ? (errno = EILSEQ, nullptr) : _wfopen(name.c_str(), L"rb");
#else
    std::FILE* in = std::fopen(path.c_str(), "rb");
#endif
    status = in != nullptr ? readScript(in, script, bad) : 1;
    const int cause = errno;
    if (in != nullptr) std::fclose(in);
    if (status == 1) error = "cannot read the script " + printable(path, 200) + ": " + std::strerror(cause);
  }
  if (status == 2) {
    const std::string name = path == "-" ? "<stdin>" : printable(path, 200);
    error = name + ", line " + std::to_string(bad.line) + ": " + bad.message;
  }
  return status;
}

bool holdsOnlyLayouts(const Script& script) {
  return script.commands.empty() && script.draws.empty() && script.randomizeSeeds.empty();
}

int loadLayouts(const std::string& path, Layouts& layouts, std::string& error) {
  Script script;
  if (const int status = loadScript(path, script, error)) return status;
  const std::string name = path == "-" ? "<stdin>" : printable(path, 200);
  if (!holdsOnlyLayouts(script)) {
    error = name + " is not a layout file: it holds more than layout lines and comments";
    return 2;
  }
  if (script.layouts.empty()) {
    error = name + " holds no layout line";
    return 2;
  }
  layouts = std::move(script.layouts);
  return 0;
}

std::string shownName(const std::string& path) {
#ifdef _WIN32
  const size_t slash = path.find_last_of("/\\:");
#else
  const size_t slash = path.find_last_of('/');
#endif
  return printable(slash == std::string::npos ? path : path.substr(slash + 1), 60);
}

}  // namespace zorvane
