// zorvane-replay: runs a replay script headless and writes the trace to standard output.
//   zorvane-replay [--quiet] [--screenshot FILE.png] [--frames DIR --every MS]
//                  [--scale N | --size WxH] SCRIPT
//   (SCRIPT may be - for stdin)
// Exit status: 0 done, 1 a failure outside the script, 2 a bad script or command line, 3 an
// expect line the game did not meet.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/driver.h"
#include "drive/player.h"
#include "paint/geometry.h"
#include "script/script.h"
#include "image/files.h"
#include "image/image.h"
#include "paint/text.h"

namespace {

using zorvane::printable;

constexpr const char* usage =
    "usage: zorvane-replay [--quiet] [--screenshot FILE.png] [--frames DIR --every MS]"
    " [--scale N | --size WxH] SCRIPT";
constexpr int maxEvery = 3600000;  // the longest --every: an hour
constexpr int maxScale = 16;  // what the screenshot renderer accepts
// The largest --size, each way. A picture of 8192 x 8192 takes about 460 MiB of memory while
// it is written (469,960 KiB resident at most, measured): its pixels, 256 MiB, and their RGB
// bytes for the encoder, 192 MiB.
constexpr int maxSide = zorvane::paint::maxTargetSide;
constexpr int64_t maxFrames = 100000;  // the most pictures one run may write

constexpr const char* helpText =
    "Usage: zorvane-replay [OPTION]... SCRIPT\n"
    "Run a Super Zorvane! replay script without a display: the game runs on a virtual\n"
    "clock, and one JSON line of game state per handled event goes to standard output.\n"
    "SCRIPT is a file, or - for standard input.\n"
    "\n"
    "  -q, --quiet        write no trace: only check the script's expect lines\n"
    "  --screenshot=FILE  after the last event, draw the window and write it to FILE as PNG\n"
    "                       (never the script's own file)\n"
    "  --frames=DIR       write the window as PNG pictures into the folder DIR, one for\n"
    "                       every MS of virtual time from 0 (frame-0000001.png, ...),\n"
    "                       at most 100000; no file already there is replaced, and\n"
    "                       never into the script's own folder\n"
    "  --every=MS         the time between two frames, 1 to 3600000 ms\n"
    "  --scale=N          pixels per 15 window units in the screenshot and the frames, 1 to\n"
    "                       16 (default 1: 568 x 489 pixels)\n"
    "  --size=WxH         draw the screenshot and the frames as a window whose client area\n"
    "                       is W x H pixels shows it: uniformly scaled and centred, the\n"
    "                       window's colour around it (each side 1 to 8192; 8192 x 8192\n"
    "                       takes about 460 MiB of memory)\n"
    "  -h, --help         display this help and exit\n"
    "      --version      output version information and exit\n"
    "\n"
    "Script commands, one a line: rand R..., seed N, randomize N, wait MS, catchup MS,\n"
    "down CODE, up CODE, click pause|gameover|nextlevel, expect KEY=VALUE...,\n"
    "layout ROW1 ... ROW10 (a layout of your own: ten rows of 40 digits; with any, the\n"
    "game plays them in rotation instead of the built-in ones); # starts a comment line.\n"
    "\n"
    "Exit status:\n"
    "  0  the script ran and everything was written\n"
    "  1  a failure outside the script (it cannot be read, the trace, the screenshot or\n"
    "     a frame cannot be written)\n"
    "  2  a bad script (the message names its line), a bad command line, or a script\n"
    "     that would make more than 100000 frames\n"
    "  3  an expect line the game did not meet (the message names the line, the key,\n"
    "     the value expected and the game's value); the trace up to it is written\n";

constexpr const char* versionText =
    "zorvane-replay " ZORVANE_VERSION "\n"
    "This is free software, released under the MIT licence.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

int complain(int status, const std::string& message) {
  std::fprintf(stderr, "zorvane-replay: %s\n", message.c_str());
  return status;
}

struct Arguments {
  std::string script;
  std::string screenshot;   // empty: none
  int scale = 1;
  bool scaleGiven = false;
  int width = 0, height = 0;  // --size; 0: none
  std::string frames;       // empty: none
  int every = 0;            // ms between frames
  bool quiet = false;       // --quiet: no trace
  bool help = false;        // --help: print the help and stop
  bool version = false;     // --version: print the version and stop
};

// Reads all of `value` as a whole number from 1 to `most` into `out`.
bool readWhole(std::string_view value, int most, int& out) {
  const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), out);
  return ec == std::errc{} && end == value.data() + value.size() && out >= 1 && out <= most;
}

// The value of an option that takes one (--screenshot, --frames, --every, --size or --scale);
// false with `error` set when it is bad.
bool readValue(const std::string& name, std::string_view value, Arguments& a, std::string& error) {
  if (name == "--screenshot") {
    if (value.empty()) return error = "--screenshot needs a file name", false;
    a.screenshot = value;
    return true;
  }
  if (name == "--frames") {
    if (value.empty()) return error = "--frames needs a folder name", false;
    a.frames = value;
    return true;
  }
  if (name == "--every") {
    if (!readWhole(value, maxEvery, a.every))
      return error = "--every takes a whole number of ms from 1 to " + std::to_string(maxEvery) + ", not \"" +
                     printable(value, 60) + "\"",
             false;
    return true;
  }
  if (name == "--size") {
    const char *p = value.data(), *last = value.data() + value.size();
    auto [x, ec] = std::from_chars(p, last, a.width);
    std::from_chars_result rest{x, ec};
    if (ec == std::errc{} && x != last && (*x == 'x' || *x == 'X')) rest = std::from_chars(x + 1, last, a.height);
    if (ec != std::errc{} || x == last || rest.ec != std::errc{} || rest.ptr != last || a.width < 1 ||
        a.width > maxSide || a.height < 1 || a.height > maxSide)
      return error = "--size takes WxH, each a whole number of pixels from 1 to " + std::to_string(maxSide) +
                     ", not \"" + printable(value, 60) + "\"",
             false;
    return true;
  }
  a.scaleGiven = true;
  if (!readWhole(value, maxScale, a.scale))
    return error = "--scale takes a whole number from 1 to " + std::to_string(maxScale) + ", not \"" +
                   printable(value, 60) + "\"",
           false;
  return true;
}

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
    } else if (!optionsDone && (arg == "--quiet" || arg == "-q")) {
      a.quiet = true;
    } else if (!optionsDone && arg == "--") {
      optionsDone = true;
    } else if (!optionsDone && arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      const std::string name(arg.substr(0, eq));
      if (name != "--screenshot" && name != "--scale" && name != "--size" && name != "--frames" && name != "--every")
        return error = "unknown option " + printable(name, 60), false;
      std::string_view value;
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        return error = name + " needs a value", false;
      }
      if (!readValue(name, value, a, error)) return false;
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
  if (a.frames.empty() != (a.every == 0)) return error = "--frames and --every go together", false;
  if (a.scaleGiven && a.width > 0) return error = "--scale and --size do not go together", false;
  return true;
}

// Pictures never land on the script: false with `error` set when --screenshot names the
// script's file, or --frames the folder that holds it. (A script that cannot be found is
// told when it is read.)
bool clearOfScript(const Arguments& a, std::string& error) {
  const std::string script = a.script == "-" ? "/dev/stdin" : a.script;  // (no such name on Windows: nothing to clash)
  if (!a.screenshot.empty() && !zorvane::image::isFolder(script) && zorvane::image::sameFile(a.screenshot, script))
    return error = "--screenshot and the script name the same file '" + printable(a.screenshot, 60) + "'", false;
#ifdef _WIN32
  const size_t slash = a.script.find_last_of("/\\");
#else
  const size_t slash = a.script.rfind('/');
#endif
  const std::string folder = slash == std::string::npos ? "." : a.script.substr(0, slash + 1);
  if (!a.frames.empty() && a.script != "-" && zorvane::image::sameFile(a.frames, folder))
    return error = "--frames: the folder '" + printable(a.frames, 60) + "' holds the script; give the frames a folder of their own",
           false;
  return true;
}

// Plays the whole script, drawing a frame at every multiple of `every` ms of virtual time
// (timers due at that time fired, later input not yet).
// The installed faces, read once; a face that cannot be read is said once.
const zorvane::paint::Fonts& fonts() {
  std::string warnings;
  const zorvane::paint::Fonts& installed = zorvane::paint::Fonts::installed(&warnings);
  for (size_t at = 0, end; (end = warnings.find('\n', at)) != std::string::npos; at = end + 1)
    std::fprintf(stderr, "zorvane-replay: %s\n", printable(warnings.substr(at, end - at)).c_str());
  return installed;
}

zorvane::paint::Placement placement(const zorvane::View& w, const Arguments& args) {
  return args.width > 0 ? zorvane::paint::fitToTarget(w, args.width, args.height) : zorvane::paint::placeAtScale(w, args.scale);
}

bool playWithFrames(zorvane::Driver& driver, zorvane::ScriptPlayer& player, const Arguments& args, std::string& error) {
  int64_t frame = 1;
  for (int64_t at = 0;; at += args.every) {
    const bool more = player.playTo(driver, at);
    if (driver.now() < at) break;  // the script ended before this frame's time
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%07lld.png", static_cast<long long>(frame++));
    if (!zorvane::image::saveScreenshot(driver.view(), placement(driver.view(), args), fonts(), args.frames + name, error,
                                      zorvane::image::Target::New)) {
      error = "frame failed: " + printable(error);
      return false;
    }
    if (!more && driver.now() == at) break;
  }
  if (zorvane::image::syncFolder(args.frames, error)) return true;  // once, not after every frame
  error = "frames failed: " + printable(error);
  return false;
}

void writeOut(std::string_view chunk) { std::fwrite(chunk.data(), 1, chunk.size(), stdout); }

int run(int argc, char** argv) {
  Arguments args;
  std::string error;
  if (!parseArguments(argc, argv, args, error)) {
    std::fprintf(stderr, "zorvane-replay: %s (%s)\n", error.c_str(), usage);
    return 2;
  }
  if (!args.help && !args.version && !clearOfScript(args, error)) {
    std::fprintf(stderr, "zorvane-replay: %s\n", error.c_str());
    return 2;
  }
  if (args.help || args.version) {
    std::fputs(args.help ? helpText : versionText, stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
      return complain(1, std::string("cannot write to standard output: ") + std::strerror(errno));
    return 0;
  }

  zorvane::Script script;
  if (const int status = zorvane::loadScript(args.script, script, error)) return complain(status, error);

  if (!args.frames.empty()) {
    int64_t time = 0;
    for (const zorvane::Command& c : script.commands)
      if (c.op == zorvane::Op::Wait || c.op == zorvane::Op::Catchup) time += c.value;
    if (const int64_t frames = time / args.every + 1; frames > maxFrames)
      return complain(2, "--frames: the script would make " + std::to_string(frames) + " frames, more than " +
                             std::to_string(maxFrames) + " (a longer --every makes fewer)");
    if (!zorvane::image::isFolder(args.frames))
      return complain(1, "--frames: " + printable(args.frames) + " is not a folder");
  }

  zorvane::Driver driver({.traceSink = args.quiet ? nullptr : writeOut, .afterEvent = {}, .recorder = nullptr, .seeds = {}});
  zorvane::ScriptPlayer player(std::move(script));
  player.stopAtMiss(true);
  player.start(driver);
  if (args.frames.empty()) {
    player.playTo(driver, zorvane::ScriptPlayer::end);
  } else if (!playWithFrames(driver, player, args, error)) {
    driver.flush();
    std::fflush(stdout);
    return complain(1, error);
  }
  driver.flush();
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    return complain(1, std::string("cannot write the trace: ") + std::strerror(errno));
  if (const std::optional<zorvane::ExpectMiss>& miss = player.miss()) {
    const std::string name = args.script == "-" ? "<stdin>" : printable(args.script);
    return complain(3, name + ", " + zorvane::describe(*miss));
  }

  if (!args.screenshot.empty()) {
    if (!zorvane::image::saveScreenshot(driver.view(), placement(driver.view(), args), fonts(), args.screenshot, error))
      return complain(1, "screenshot failed: " + printable(error));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // Arguments in UTF-8, whatever the system's code page.
  std::vector<std::string> utf8 = zorvane::image::arguments();
  std::vector<char*> pointers;
  for (std::string& a : utf8) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  argc = int(utf8.size());
  argv = pointers.data();
#else
  // A closed pipe or a file over its size limit fails the write (EPIPE, EFBIG), which is
  // told, instead of killing the tool half-way through a file.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    return complain(1, e.what());
  }
}
