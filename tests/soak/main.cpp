// zorvane-soak: plays long generated games through the replay library and checks the
// game's invariants after every event.
//   zorvane-soak [--seed S] [--events N] [--layouts N] [--require-coverage] [--record FILE] [--out DIR]
//   zorvane-soak --restarts N [--seed S]
// Exit status: 0 all held, 1 an invariant broke (the reproducing script is written to DIR),
// 2 a bad command line.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "tests/soak/soak.h"

namespace {

using namespace zorvane::soak;

constexpr const char* usage =
    "usage: zorvane-soak [--seed S] [--events N] [--layouts N] [--require-coverage] [--record FILE] [--out DIR]\n"
    "       zorvane-soak --restarts N [--seed S]";

bool number(const char* text, uint64_t& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && text[0] != '-';
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Writes the script that leads to the broken invariant, shows it, and checks it reproduces.
void reportFailure(const SoakOptions& options, const SoakResult& r, const std::string& dir) {
  std::fprintf(stderr,
               "zorvane-soak: seed %" PRIu64 ": invariant broken after event \"%s\" at t=%" PRId64
               " ms (command %" PRIu64 ", timer event %" PRIu64 "):\n  %s\n",
               options.seed, r.event.c_str(), r.time, r.commands, r.timerEvents, r.broken.c_str());
  std::string text;
  SoakOptions again = options;
  again.timerEvents = UINT64_MAX;
  again.maxCommands = r.commands;
  again.script = &text;
  again.record = nullptr;
  runSoak(again);

  const std::string path = dir + "/soak-seed-" + std::to_string(options.seed) + ".replay";
  if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs(text.c_str(), f);
    std::fclose(f);
    std::fprintf(stderr, "zorvane-soak: the script is in %s\n", path.c_str());
  } else {
    std::fprintf(stderr, "zorvane-soak: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
  }
  size_t lines = 0;
  for (const char ch : text) lines += ch == '\n';
  if (lines <= 400) {
    std::fprintf(stderr, "----- script -----\n%s----- end of script -----\n", text.c_str());
  } else {
    size_t from = text.size();
    for (int n = 0; n < 61 && from > 0;) n += text[--from] == '\n';
    std::fprintf(stderr, "----- last lines of the %zu-line script -----\n%s----- end of script -----\n", lines,
                 text.c_str() + from + 1);
  }
  const std::string again2 = replayAndCheck(text);
  std::fprintf(stderr, "zorvane-soak: %s\n",
               again2.empty() ? "WARNING: replaying the script does not break an invariant"
                              : ("replaying the script breaks it again: " + again2).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  SoakOptions options;
  uint64_t restarts = 0;
  bool requireCoverage = false;
  std::string recordPath, dir = ".";
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--seed" && hasValue && number(argv[i + 1], options.seed)) {
      ++i;
    } else if (a == "--events" && hasValue && number(argv[i + 1], options.timerEvents)) {
      ++i;
    } else if (uint64_t n = 0; a == "--layouts" && hasValue && number(argv[i + 1], n) && n >= 1 && n <= 100) {
      options.layouts = static_cast<int>(n);
      ++i;
    } else if (a == "--restarts" && hasValue && number(argv[i + 1], restarts)) {
      ++i;
    } else if (a == "--record" && hasValue) {
      recordPath = argv[++i];
    } else if (a == "--out" && hasValue) {
      dir = argv[++i];
    } else if (a == "--require-coverage") {
      requireCoverage = true;
    } else {
      std::fprintf(stderr, "%s\n", usage);
      return 2;
    }
  }
  const auto start = std::chrono::steady_clock::now();

  if (restarts > 0) {
    const RestartResult r = runRestarts(options.seed, restarts);
    std::printf("zorvane-soak: %" PRIu64 " restarts in %.1f s; heap in use %zu -> %zu bytes, resident %ld -> %ld KiB\n",
                r.restarts, secondsSince(start), r.heapBefore, r.heapAfter, r.rssBefore, r.rssAfter);
    if (!r.ok) std::fprintf(stderr, "zorvane-soak: seed %" PRIu64 ": %s\n", options.seed, r.message.c_str());
    return r.ok ? 0 : 1;
  }

  std::FILE* record = nullptr;
  if (!recordPath.empty() && !(record = std::fopen(recordPath.c_str(), "w"))) {
    std::fprintf(stderr, "zorvane-soak: cannot write %s: %s\n", recordPath.c_str(), std::strerror(errno));
    return 2;
  }
  options.record = record;
  std::printf("zorvane-soak: seed %" PRIu64 ", %" PRIu64 " timer events\n", options.seed, options.timerEvents);
  std::fflush(stdout);
  const SoakResult r = runSoak(options);
  if (record) std::fclose(record);
  const double seconds = secondsSince(start);
  std::printf("zorvane-soak: %" PRIu64 " events (%" PRIu64 " timer ticks, %" PRIu64 " commands, %.1f hours of play) in %.1f s, %.0f events/s\n  %s\n",
              r.events, r.timerEvents, r.commands, r.time / 3.6e6, seconds, r.events / seconds,
              r.coverage.summary().c_str());
  if (!r.ok) {
    reportFailure(options, r, dir);
    return 1;
  }
  if (requireCoverage) {
    const std::string gaps = r.coverage.missing();
    if (!gaps.empty()) {
      std::fprintf(stderr, "zorvane-soak: seed %" PRIu64 ": the run never reached: %s\n", options.seed, gaps.c_str());
      return 1;
    }
  }
  return 0;
}
