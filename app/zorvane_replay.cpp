// zorvane-replay: runs a replay script headless and writes the trace to standard output.
//   zorvane-replay [--screenshot FILE.png] [--scale N] SCRIPT     (SCRIPT may be - for stdin)
// Exit status: 0 done, 1 a failure outside the script, 2 a bad script or command line.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "game/form1.h"
#include "replay/replay.h"
#include "replay/script.h"
#ifndef ZORVANE_NO_SCREENSHOT
#include "sdl/screenshot.h"
#endif

namespace {

using zorvane::printable;

constexpr const char* usage = "usage: zorvane-replay [--screenshot FILE.png] [--scale N] SCRIPT";
constexpr int maxScale = 16;  // what the screenshot renderer accepts

constexpr const char* helpText =
    "Usage: zorvane-replay [OPTION]... SCRIPT\n"
    "Run a Super Zorvane! replay script without a display: the game runs on a virtual\n"
    "clock, and one JSON line of game state per handled event goes to standard output.\n"
    "SCRIPT is a file, or - for standard input.\n"
    "\n"
    "  --screenshot=FILE  after the last event, draw the window and write it to FILE as PNG\n"
    "  --scale=N          pixels per 15 window units in the screenshot, 1 to 16 (default 1:\n"
    "                       568 x 489 pixels)\n"
    "  -h, --help         display this help and exit\n"
    "      --version      output version information and exit\n"
    "\n"
    "Script commands, one a line: rand R..., seed N, randomize N, wait MS, catchup MS,\n"
    "down CODE, up CODE, click pause|gameover|nextlevel; # starts a comment line.\n"
    "\n"
    "Exit status:\n"
    "  0  the script ran and everything was written\n"
    "  1  a failure outside the script (it cannot be read, the trace or the screenshot\n"
    "     cannot be written)\n"
    "  2  a bad script (the message names its line) or a bad command line\n";

constexpr const char* versionText =
    "zorvane-replay " ZORVANE_VERSION "\n"
    "This is free software, released under the MIT licence.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

int complain(int status, const std::string& message) {
  std::fprintf(stderr, "zorvane-replay: %s\n", message.c_str());
  return status;
}

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

// The script's text, from a file or standard input, and one byte past the longest script
// at most; false with `error` set on failure.
bool readScript(const std::string& path, std::string& text, std::string& error) {
  if (path == "-") {
    if (readAll(stdin, text, zorvane::maxScriptBytes)) return true;
    error = std::string("cannot read the script from standard input: ") + std::strerror(errno);
    return false;
  }
  std::FILE* in = std::fopen(path.c_str(), "rb");
  const bool read = in != nullptr && readAll(in, text, zorvane::maxScriptBytes);
  const int cause = errno;
  if (in != nullptr) std::fclose(in);
  if (!read) error = "cannot read the script " + printable(path) + ": " + std::strerror(cause);
  return read;
}

struct Arguments {
  std::string script;
  std::string screenshot;   // empty: none
  int scale = 1;
  bool help = false;        // --help: print the help and stop
  bool version = false;     // --version: print the version and stop
};

// Reads the command line; false with `error` set on a usage error.
bool parseArguments(int argc, char** argv, Arguments& a, std::string& error) {
  bool haveScript = false, optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsDone && (arg == "--help" || arg == "-h")) {
      a.help = true;
      return true;
    } else if (!optionsDone && arg == "--version") {
      a.version = true;
      return true;
    } else if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      const std::string name(arg.substr(0, eq));
      if (name != "--screenshot" && name != "--scale") return error = "unknown option " + printable(name, 60), false;
      std::string_view value;
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return error = name + " needs a value", false;
      }
      if (name == "--screenshot") {
        if (value.empty()) return error = "--screenshot needs a file name", false;
        a.screenshot = value;
        continue;
      }
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), a.scale);
      if (ec != std::errc{} || end != value.data() + value.size() || a.scale < 1 || a.scale > maxScale)
        return error = "--scale takes a whole number from 1 to " + std::to_string(maxScale) + ", not \"" +
                       printable(value, 60) + "\"",
               false;
    } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
      return error = "unknown option " + printable(arg, 60), false;
    } else if (haveScript) {
      return error = "more than one script given", false;
    } else {
      a.script = arg;
      haveScript = true;
    }
  }
  if (!haveScript) return error = "no script given", false;
  return true;
}

void writeOut(std::string_view chunk) { std::fwrite(chunk.data(), 1, chunk.size(), stdout); }

int run(int argc, char** argv) {
  Arguments args;
  std::string error;
  if (!parseArguments(argc, argv, args, error)) {
    std::fprintf(stderr, "zorvane-replay: %s (%s)\n", error.c_str(), usage);
    return 2;
  }
  if (args.help || args.version) {
    std::fputs(args.help ? helpText : versionText, stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
      return complain(1, std::string("cannot write to standard output: ") + std::strerror(errno));
    return 0;
  }

  std::string text;
  if (!readScript(args.script, text, error)) return complain(1, error);
  zorvane::Script script;
  zorvane::ScriptError bad;
  if (!zorvane::parseScript(text, script, bad)) {
    const std::string name = args.script == "-" ? "<stdin>" : printable(args.script);
    return complain(2, name + ", line " + std::to_string(bad.line) + ": " + bad.message);
  }

  zorvane::Replay replay({.traceSink = writeOut, .afterEvent = {}});
  replay.run(script);
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    return complain(1, std::string("cannot write the trace: ") + std::strerror(errno));

  if (!args.screenshot.empty()) {
#ifdef ZORVANE_NO_SCREENSHOT
    return complain(1, "screenshot failed: this build of the replay tool has no renderer");
#else
    if (!zorvane::sdl::saveScreenshot(replay.form(), args.scale, args.screenshot, error))
      return complain(1, "screenshot failed: " + printable(error));
#endif
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    return complain(1, e.what());
  }
}
