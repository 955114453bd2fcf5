#include "app/options.h"

#include <cstdio>
#include <string_view>

namespace zorvane {

const char* const usageLine = "usage: zorvane [--fullscreen] [--help] [--version]";

bool parseOptions(int argc, char** argv, Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--fullscreen") {
      options.fullscreen = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (!arg.empty() && arg[0] == '-') {
      error = "unknown option '" + std::string(arg) + "'";
      return false;
    } else {
      error = "unexpected argument '" + std::string(arg) + "'";
      return false;
    }
  }
  return true;
}

void printHelp() {
  std::printf(
      "Usage: zorvane [OPTION]...\n"
      "Play Super Zorvane!, a brick-breaking arcade game, in a desktop window.\n"
      "\n"
      "      --fullscreen  open fullscreen at the desktop's resolution\n"
      "      --help        show this help and exit\n"
      "      --version     show the version and licence and exit\n"
      "\n"
      "Keys: Left and Right steer the paddle while held, P pauses, F1 and F2 jump to the\n"
      "next and previous layout; click the buttons the window shows.\n"
      "Gamepad: D-pad or left stick steers, Start pauses, A clicks the button shown,\n"
      "the right and left shoulder buttons jump to the next and previous layout.\n"
      "\n"
      "Exit status: 0 when the window is closed, 1 when no display or window can be\n"
      "opened, 2 for a bad command line.\n"
      "\n"
      "Manual: man 6 zorvane\n");
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
