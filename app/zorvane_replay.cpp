// zorvane-replay: runs a replay script headless and writes the trace to standard output.
//   zorvane-replay [--screenshot FILE.png] [--scale N] SCRIPT     (SCRIPT may be - for stdin)
// Exit status: 0 done, 1 a failure outside the script, 2 a bad script or command line.
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

constexpr const char* usage = "usage: zorvane-replay [--screenshot FILE.png] [--scale N] SCRIPT";
constexpr int maxScale = 16;  // what the screenshot renderer accepts

int complain(int status, const std::string& message) {
  std::fprintf(stderr, "zorvane-replay: %s\n", message.c_str());
  return status;
}

bool readAll(std::FILE* in, std::string& text) {
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, n);
  return !std::ferror(in);
}

// The script's text, from a file or standard input; false with `error` set on failure.
bool readScript(const std::string& path, std::string& text, std::string& error) {
  if (path == "-") {
    if (readAll(stdin, text)) return true;
    error = std::string("cannot read the script from standard input: ") + std::strerror(errno);
    return false;
  }
  std::FILE* in = std::fopen(path.c_str(), "rb");
  const bool read = in != nullptr && readAll(in, text);
  const int cause = errno;
  if (in != nullptr) std::fclose(in);
  if (!read) error = "cannot read the script " + path + ": " + std::strerror(cause);
  return read;
}

struct Arguments {
  std::string script;
  std::string screenshot;   // empty: none
  int scale = 1;
  bool help = false;        // --help: print the usage and stop
};

// Reads the command line; false with `error` set on a usage error.
bool parseArguments(int argc, char** argv, Arguments& a, std::string& error) {
  bool haveScript = false, optionsDone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (!optionsDone && (arg == "--help" || arg == "-h")) {
      a.help = true;
      return true;
    } else if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      const std::string name(arg.substr(0, eq));
      if (name != "--screenshot" && name != "--scale") return error = "unknown option " + name, false;
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
                       std::string(value) + "\"",
               false;
    } else if (!optionsDone && arg.size() > 1 && arg[0] == '-') {
      return error = "unknown option " + std::string(arg), false;
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
  if (args.help) {
    std::printf("%s\n", usage);
    return 0;
  }

  std::string text;
  if (!readScript(args.script, text, error)) return complain(1, error);
  zorvane::Script script;
  zorvane::ScriptError bad;
  if (!zorvane::parseScript(text, script, bad)) {
    const std::string name = args.script == "-" ? "<stdin>" : args.script;
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
      return complain(1, "screenshot failed: " + error);
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
