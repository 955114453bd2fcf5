// What the board checks of a post before it stores it: the poster's name, and the
// recording, replayed whole with the replay tool's rules.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace zorvane::board {

constexpr size_t maxRecordingBytes = size_t{8} << 20;   // a longer body is refused (413)
constexpr int64_t maxGameTime = int64_t{6} * 3600 * 1000;  // wait and catchup together, ms
constexpr size_t maxNameCodePoints = 24;

// The `name` of a query string ("name=Ann%20B&..."): percent-decoded UTF-8, in NFC, 1 to 24
// code points, no control, format or line/paragraph separator, not only spaces. False with
// `error` set for a bad, missing or repeated name.
bool readName(std::string_view query, std::string& name, std::string& error);

// What replaying a posted recording proved.
struct Verdict {
  bool good = false;
  std::string error;   // why not, in plain words (good: empty)
  int64_t line = 0;    // the script's line it names; 0 for none
  std::string key;     // SHA-256 of the game's text without comments, blank and expect lines
  std::string id;      // the game's id: the first 32 digits of `key`
  std::string board;   // "builtin" or the SHA-256 of its layouts
  int64_t score = 0;   // bestScore on the last trace line
  int64_t length = 0;  // t on the last trace line, ms
};

// Checks and replays a recording (at most maxRecordingBytes): UTF-8 text without control
// characters but tab, CR and LF; a script the replay tool takes; no rand or seed line; at
// most maxGameTime of game time; every expect line met.
Verdict verify(std::string_view text);

}  // namespace zorvane::board
