// The window program's command line: `zorvane [--fullscreen] [--help] [--version]`.
#pragma once
#include <string>

namespace zorvane {

struct Options {
  bool fullscreen = false;  // open at the desktop's resolution
  bool help = false;        // print the help and stop
  bool version = false;     // print the version and stop
};

// Reads the command line; false with `error` set (one line, no usage) on a bad one.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

extern const char* const usageLine;  // "usage: zorvane [--fullscreen] [--help] [--version]"
void printHelp();                    // to standard output
void printVersion();                 // to standard output

}  // namespace zorvane
