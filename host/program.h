// What the game's two window programs share around the session, on either system (the SDL
// window, app/zorvane.cpp; the Windows window, win/zorvane.cpp): the command line, the files
// they read and write, the session's options and its start, and how long the loop sleeps.
#pragma once
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "host/options.h"
#include "image/files.h"
#include "image/output_file.h"
#include "script/script.h"
#include "session/session.h"

namespace zorvane {

void say(std::string_view line);  // one line on standard error: "zorvane: LINE" (names in it made printable)

// Reads and checks the command line and answers --help and --version: -1 when the game is
// to play, otherwise the exit status (after one line about a bad command line).
int readCommandLine(int argc, char** argv, Options& options);

// What the window writes and plays, made ready before it opens.
struct Files {
  OutputFile recording, trace;  // open when asked for
  Script script;                // the recording to watch, when asked for
  SharedLayouts layouts;        // the player's own layouts, when asked for
  Layouts editing;              // the layouts of the file to edit, when it exists
  std::string editingText;      // that file as read, for its comments
  std::string editPath;         // where the editor saves: the file to edit, or the one saved beside it
  image::FileStamp editStamp;   // that file as it was read or last saved, to tell a change by someone else
  bool left = false;            // the player has left the editor
};

int prepare(const Options& options, Files& files);  // opens and reads them: 0, or the exit status after one line
bool emptyOutputs(Files& files);                    // once the window is open: the outputs lose their old lines
const paint::Fonts& installedFonts();               // the faces to draw with, each warning about them told
// The session's side of the window: its files, its sound (`cues`, may be empty) and how the
// pointer steers.
SessionOptions sessionOptions(const Options& options, Files& files, std::function<void(std::span<const Cue>)> cues);
// The cues of each event to a speaker's effects; none without a speaker.
template <class Speaker>
std::function<void(std::span<const Cue>)> cuesTo(Speaker* speaker) {
  if (!speaker) return {};
  return [speaker](std::span<const Cue> cues) { speaker->play(cues); };
}
void begin(Session& session, const Options& options, Files& files, double wall);  // the live game, the recording watched or the editor
void tellEnding(Session& session, const Options& options);  // once a watched recording has ended: the expect line it missed
// Ms the loop may sleep at `wall` before the session has more to do: at most a second, and
// 50 ms while an effect sounds (to pause it soon).
double sleepFor(const Session& session, double wall, bool sounding);
// Saves the editor's layout file (Files::editPath): a Checked save refuses a file changed
// since it was read or saved; Beside makes NAME-2.layouts (or -3...) next to it, which later
// saves go to.
SaveOutcome saveEdited(Files& files, std::string_view text, SaveHow how);
int finalStatus(const Files& files, int status);    // a recording or trace that could not be written fails the game

}  // namespace zorvane
