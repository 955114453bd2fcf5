// A reference hour of play, written as the window's recorder writes it (tools/live_game.h).
//   zorvane-reference-hour [SEED [MINUTES]] > hour.zrec      then: time zorvane-replay hour.zrec > /dev/null
#include <charconv>
#include <cstdio>
#include <cstring>

#include "tools/live_game.h"

using namespace zorvane;

int main(int argc, char** argv) {
  uint64_t seed = 1;
  int64_t minutes = 60;
  const auto number = [](const char* text, auto& value) {
    const auto [end, ec] = std::from_chars(text, text + std::strlen(text), value);
    return ec == std::errc{} && *end == '\0';
  };
  if (argc > 3 || (argc >= 2 && !number(argv[1], seed)) || (argc == 3 && (!number(argv[2], minutes) || minutes < 1))) {
    std::fprintf(stderr, "usage: zorvane-reference-hour [SEED [MINUTES]] > hour.zrec\n");
    return 2;
  }
  Recorder recorder([](std::string_view lines) { return std::fwrite(lines.data(), 1, lines.size(), stdout) == lines.size(); });
  playRecorded(recorder, seed, minutes * 60 * 1000);
  if (std::fflush(stdout) != 0 || recorder.failed()) {
    std::fprintf(stderr, "zorvane-reference-hour: cannot write the recording\n");
    return 1;
  }
  return 0;
}
