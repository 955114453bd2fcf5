// The window program's command line: `zorvane [--fullscreen] [--sound] [--mouse] [--record FILE] [--trace FILE]
// [--watch FILE [--speed X]] [--layouts FILE] [--edit FILE] [--help] [--version]`.
#pragma once
#include <string>

namespace zorvane {

struct Options {
  bool fullscreen = false;  // open at the desktop's resolution
  bool sound = false;       // play the sound effects
  bool mouse = false;       // the paddle follows the pointer
  bool help = false;        // print the help and stop
  bool version = false;     // print the version and stop
  std::string record;       // write the game to this file as a replay script; empty: no
  std::string trace;        // write the replay trace of every handled event here; empty: no
  std::string watch;        // play this replay script in the window first; empty: no
  std::string layouts;      // play the player's own layouts from this layout file; empty: the built-in ones
  std::string edit;         // make layouts in the editor, saved to this layout file; empty: play
  double speed = 1;         // times real speed for --watch, Session::slowest to fastest
};

// Reads the command line; false with `error` set (one line, no usage) on a bad one.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);

// False with `error` set when two of the files name one file (an output would destroy the
// script to watch, or two outputs would mix): checked before any is opened.
bool distinctFiles(const Options& options, std::string& error);

extern const char* const usageLine;  // "usage: zorvane [--fullscreen] ..."
void printHelp();                    // to standard output
void printVersion();                 // to standard output

}  // namespace zorvane
