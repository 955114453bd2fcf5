#include "script/expect.h"

#include <charconv>

#include "game/form1.h"
#include "script/script.h"

namespace zorvane {
namespace {

#define ZORVANE_KEY_NAME(name) #name,
constexpr std::string_view keyNames[] = {"t", ZORVANE_TRACE_INTEGERS(ZORVANE_KEY_NAME)};
#undef ZORVANE_KEY_NAME

constexpr ExpectKey recordedKeys[] = {ExpectKey::t,          ExpectKey::currentScore, ExpectKey::bestScore,
                                      ExpectKey::levelNumber, ExpectKey::livesLeft,   ExpectKey::bricksLeft,
                                      ExpectKey::lastCell,   ExpectKey::diceRoll};

}  // namespace

std::string_view keyName(ExpectKey key) { return keyNames[static_cast<size_t>(key)]; }

int64_t gameValue(const Form1& form, ExpectKey key) {
  const GameState& s = form.fields();
  switch (key) {
    case ExpectKey::t: return form.now();
#define ZORVANE_KEY_VALUE(name) \
  case ExpectKey::name: return s.name;
    ZORVANE_TRACE_INTEGERS(ZORVANE_KEY_VALUE)
#undef ZORVANE_KEY_VALUE
  }
  return 0;
}

bool parseExpectation(std::string_view rest, int64_t line, Expectations& table, std::string& error) {
  const size_t first = table.keys.size();
  uint32_t named = 0;  // one bit per key already on the line
  while (true) {
    size_t i = rest.find_first_not_of(" \t");
    if (i == std::string_view::npos) break;
    rest.remove_prefix(i);
    const std::string_view word = rest.substr(0, rest.find_first_of(" \t"));
    rest.remove_prefix(word.size());
    const size_t eq = word.find('=');
    if (eq == std::string_view::npos)
      return error = "expect word \"" + printable(word, 60) + "\" is not KEY=VALUE", false;
    const std::string_view name = word.substr(0, eq), number = word.substr(eq + 1);
    size_t k = 0;
    while (k < std::size(keyNames) && keyNames[k] != name) ++k;
    if (k == std::size(keyNames))
      return error = "unknown expect key \"" + printable(name, 60) +
                     "\" (t or an integer key of the trace, such as currentScore)",
             false;
    if (named & (1u << k)) return error = "expect names " + std::string(name) + " twice", false;
    named |= 1u << k;
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range && end == number.data() + number.size())
      return error = "number \"" + printable(number, 60) + "\" for expect " + std::string(name) +
                     " is out of range (64-bit signed)",
             false;
    if (ec != std::errc{} || end != number.data() + number.size())
      return error = "bad number \"" + printable(number, 60) + "\" for expect " + std::string(name) +
                     ": not a whole number",
             false;
    table.keys.push_back(static_cast<ExpectKey>(k));
    table.values.push_back(value);
  }
  if (table.keys.size() == first) return error = "expect needs at least one KEY=VALUE", false;
  table.lines.push_back({static_cast<uint32_t>(line), static_cast<uint32_t>(first)});
  return true;
}

bool meets(const Expectations& table, int32_t index, const Form1& form, ExpectMiss& miss) {
  const size_t at = static_cast<size_t>(index);
  const size_t end = at + 1 < table.lines.size() ? table.lines[at + 1].first : table.keys.size();
  for (size_t i = table.lines[at].first; i < end; ++i) {
    const int64_t actual = gameValue(form, table.keys[i]);
    if (actual == table.values[i]) continue;
    miss = {table.lines[at].line, table.keys[i], table.values[i], actual};
    return false;
  }
  return true;
}

std::string describe(const ExpectMiss& miss) {
  const std::string key(keyName(miss.key));
  return "line " + std::to_string(miss.line) + ": expect " + key + "=" + std::to_string(miss.expected) +
         ", but the game has " + key + "=" + std::to_string(miss.actual);
}

std::string expectLine(const Form1& form) {
  std::string line = "expect";
  for (const ExpectKey k : recordedKeys)
    line.append(" ").append(keyName(k)).append("=").append(std::to_string(gameValue(form, k)));
  return line + "\n";
}

}  // namespace zorvane
