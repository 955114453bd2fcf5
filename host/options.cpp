#include "host/options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "image/files.h"
#include "script/script.h"
#include "session/session.h"

namespace zorvane {

const char* const usageLine =
    "usage: zorvane [--fullscreen] [--sound] [--mouse] [--record FILE] [--trace FILE] [--watch FILE [--speed X]] [--layouts FILE] [--edit FILE] [--help] [--version]";

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
  bool speedGiven = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    // Options with a value: "--record FILE" or "--record=FILE".
    std::string* file = nullptr;
    const std::string_view name = arg.substr(0, arg.find('='));
    if (name == "--record") file = &options.record;
    if (name == "--trace") file = &options.trace;
    if (name == "--watch") file = &options.watch;
    if (name == "--layouts") file = &options.layouts;
    if (name == "--edit") file = &options.edit;
    if (file || name == "--speed") {
      std::string_view value;
      if (name.size() < arg.size()) {
        value = arg.substr(name.size() + 1);
      } else if (i + 1 < argc) {
        value = argv[++i];
      } else {
        error = std::string(name) + " needs a value";
        return false;
      }
      if (file) {
        if (value.empty()) return error = std::string(name) + " needs a file name", false;
        *file = value;
        continue;
      }
      double x = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), x);
      if (ec != std::errc{} || end != value.data() + value.size() || !(x >= Session::slowest && x <= Session::fastest)) {
        char range[40];
        std::snprintf(range, sizeof range, "%g to %g", Session::slowest, Session::fastest);
        error = "--speed takes a number from " + std::string(range) + ", not '" + printable(value, 60) + "'";
        return false;
      }
      options.speed = x;
      speedGiven = true;
      continue;
    }
    if (arg == "--fullscreen") {
      options.fullscreen = true;
    } else if (arg == "--sound") {
      options.sound = true;
    } else if (arg == "--mouse") {
      options.mouse = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option '" + printable(arg, 60) + "'";
      return false;
    } else {
      error = "unexpected argument '" + printable(arg, 60) + "'";
      return false;
    }
  }
  if (speedGiven && options.watch.empty()) return error = "--speed goes with --watch", false;
  if (!options.watch.empty() && !options.layouts.empty())
    return error = "--layouts and --watch cannot be used together (a recording holds its own layouts)", false;
  if (!options.edit.empty() && !(options.watch + options.layouts + options.record + options.trace).empty())
    return error = "--edit goes alone: the layouts it tries are not recorded, traced or watched", false;
  return true;
}

bool distinctFiles(const Options& options, std::string& error) {
  const struct { const char* option; const std::string& path; } files[] = {
      {"--watch", options.watch}, {"--layouts", options.layouts}, {"--record", options.record}, {"--trace", options.trace}};
  constexpr int count = std::size(files);
  for (int i = 0; i < count; ++i)
    for (int j = i + 1; j < count; ++j)
      if (!files[i].path.empty() && !files[j].path.empty() && image::sameTarget(files[i].path, files[j].path)) {
        error = std::string(files[i].option) + " and " + files[j].option + " name the same file '" +
                printable(files[j].path, 60) + "'";
        return false;
      }
  return true;
}

void printHelp() {
  std::printf(
      "Usage: zorvane [OPTION]...\n"
      "Play Super Zorvane!, a brick-breaking arcade game, in a desktop window.\n"
      "\n"
      "      --fullscreen  open fullscreen at the desktop's resolution\n"
      "      --sound       play sound effects (a warning, and silence, with no sound device)\n"
      "      --mouse       steer the paddle with the mouse: it follows the pointer\n"
      "      --record FILE  write the game to FILE as a replay script (zorvane-replay FILE\n"
      "                     plays it again exactly)\n"
      "      --trace FILE   write one JSON line of game state per handled event to FILE,\n"
      "                     as zorvane-replay does\n"
      "      --watch FILE   play the replay script FILE in the window (Space pauses, Left\n"
      "                     and Right jump %g s, Up and Down change the speed; the game\n"
      "                     ignores your keys); when it ends, you play on from there\n"
      "                     (with --record, FILE's game lines, without its comments and\n"
      "                     expect lines, are copied and your game follows)\n"
      "      --speed X      watch at X times real speed, %g to %g (default 1)\n"
      "      --layouts FILE play your own layouts from the layout file FILE (its layout\n"
      "                     lines, in rotation) instead of the built-in ones\n"
      "      --edit FILE    make layouts in the editor and save them to the layout file\n"
      "                     FILE (read first when it exists); T tries the layout shown,\n"
      "                     Esc comes back from it; Ctrl+S saves\n"
      "      --help        show this help and exit\n"
      "      --version     show the version and licence and exit\n"
      "\n"
      "Keys: Left and Right steer the paddle while held, P pauses, F1 and F2 jump to the\n"
      "next and previous layout; click the buttons the window shows.\n"
      "Gamepad: D-pad or left stick steers, Start pauses, A clicks the button shown,\n"
      "the right and left shoulder buttons jump to the next and previous layout.\n"
      "\n"
      "Exit status: 0 when the window is closed, 1 when no display or window can be\n"
      "opened or a file cannot be read or written, 2 for a bad command line or a bad\n"
      "script to watch or layout file.\n"
      "\n"
      "Manual: man 6 zorvane\n",
      double(Session::jumpLength) / 1000, Session::slowest, Session::fastest);
}

void printVersion() {
  std::printf(
      "zorvane (Super Zorvane!) %s\n"
      "Copyright (C) 2026 The Super Zorvane! developers\n"
      "License MIT: <https://opensource.org/licenses/MIT>.\n"
      "This is free software: you are free to change and redistribute it.\n"
      "There is NO WARRANTY, to the extent permitted by law.\n",
      ZORVANE_VERSION);
}

}  // namespace zorvane
