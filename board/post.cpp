#include "board/post.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

#include <vector>

#include "board/digest.h"
#include "drive/player.h"
#include "game/form1.h"
#include "script/script.h"

namespace zorvane::board {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// RFC 3986 percent-decoding: '+' is a plus sign. False on a bad escape.
bool percentDecode(std::string_view text, std::string& out) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += char(hi * 16 + lo);
    i += 2;
  }
  return true;
}

Verdict refused(int64_t line, std::string error) {
  Verdict v;
  v.line = line;
  v.error = std::move(error);
  return v;
}

}  // namespace

bool readName(std::string_view query, std::string& name, std::string& error) {
  std::string_view encoded;
  int found = 0;
  while (!query.empty()) {
    const size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    const size_t eq = pair.find('=');
    if (pair.substr(0, eq) != "name") continue;
    ++found;
    encoded = eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
  }
  if (found != 1) return error = found == 0 ? "a name is needed (?name=...)" : "give one name, not " + std::to_string(found), false;
  std::string raw;
  if (!percentDecode(encoded, raw)) return error = "the name has a bad %-escape", false;

  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> utf16(raw.size() + 1);
  int32_t length = 0;
  u_strFromUTF8(utf16.data(), int32_t(utf16.size()), &length, raw.data(), int32_t(raw.size()), &status);
  if (U_FAILURE(status)) return error = "the name is not UTF-8", false;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  std::vector<UChar> normal(size_t(length) * 3 + 1);
  const int32_t normalLength = unorm2_normalize(nfc, utf16.data(), length, normal.data(), int32_t(normal.size()), &status);
  if (U_FAILURE(status)) return error = "the name cannot be normalised", false;

  size_t codePoints = 0;
  bool onlySpaces = true;
  for (int32_t i = 0; i < normalLength;) {
    UChar32 c;
    U16_NEXT(normal.data(), i, normalLength, c);
    ++codePoints;
    const int8_t type = u_charType(c);
    if (type == U_CONTROL_CHAR || type == U_FORMAT_CHAR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR)
      return error = "the name holds a control or format character", false;
    if (type != U_SPACE_SEPARATOR) onlySpaces = false;
  }
  if (codePoints == 0) return error = "the name is empty", false;
  if (codePoints > maxNameCodePoints) return error = "the name is longer than 24 characters", false;
  if (onlySpaces) return error = "the name is only spaces", false;

  std::vector<char> utf8(size_t(normalLength) * 3 + 1);
  int32_t utf8Length = 0;
  u_strToUTF8(utf8.data(), int32_t(utf8.size()), &utf8Length, normal.data(), normalLength, &status);
  if (U_FAILURE(status)) return error = "the name cannot be normalised", false;
  name.assign(utf8.data(), size_t(utf8Length));
  return true;
}

Verdict verify(std::string_view text) {
  // Text first: UTF-8, and no control character but tab, CR and LF.
  int64_t line = 1;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') ++line;
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f)
        return refused(line, "line " + std::to_string(line) + " holds a control character");
      ++i;
      continue;
    }
    UChar32 u;
    int32_t at = int32_t(i);
    U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), at, int32_t(text.size()), u);
    if (u < 0) return refused(line, "line " + std::to_string(line) + " is not UTF-8 text");
    if (u <= 0x9f) return refused(line, "line " + std::to_string(line) + " holds a control character");
    i = size_t(at);
  }

  Script script;
  ScriptError fault;
  if (!parseScript(text, script, fault))
    return refused(fault.line, "line " + std::to_string(fault.line) + ": " + fault.message);

  // The game's own text, for its identity; no chosen draws; a bounded game time.
  std::string game;
  int64_t time = 0;
  line = 0;
  for (std::string_view rest = text; !rest.empty() || line == 0;) {
    ++line;
    const size_t newline = rest.find('\n');
    std::string_view l = rest.substr(0, newline);
    rest = newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    if (line == 1 && l.starts_with("\xEF\xBB\xBF")) l.remove_prefix(3);
    if (l.ends_with('\r')) l.remove_suffix(1);
    const std::string_view command = nextWord(l);
    if (command.empty() || command[0] == '#' || command == "expect") continue;
    if (command == "rand" || command == "seed")
      return refused(line, "line " + std::to_string(line) + ": a " + std::string(command) +
                               " line chooses the game's draws; a live game never writes one");
    if (command == "wait" || command == "catchup") {
      std::string_view w = l;
      time += std::stoll(std::string(nextWord(w)));  // a whole number the script reader took
      if (time > maxGameTime)
        return refused(line, "line " + std::to_string(line) + ": the game runs past 6 hours of game time");
    }
    game += command;
    for (std::string_view word = nextWord(l); !word.empty(); word = nextWord(l)) (game += ' ') += word;
    game += '\n';
  }

  Verdict v;
  v.key = sha256Hex(game);
  v.id = v.key.substr(0, 32);
  v.board = boardOf(script.layouts);
  int64_t score = 0, at = 0;
  Driver driver({.traceSink = {},
                 .afterEvent = [&](const Form1& form, std::string_view) {
                   score = gameValue(form, ExpectKey::bestScore);
                   at = form.now();
                 },
                 .recorder = nullptr,
                 .seeds = {}});
  if (const std::optional<ExpectMiss> miss = playWhole(driver, std::move(script))) {
    return refused(miss->line, "the game did not reach what its line " + std::to_string(miss->line) + " states: " +
                                   std::string(keyName(miss->key)) + "=" + std::to_string(miss->expected) +
                                   ", but the game has " + std::to_string(miss->actual));
  }
  v.good = true;
  v.score = score;
  v.length = at;
  return v;
}

}  // namespace zorvane::board
