// One session of the game, the same for every front end (the desktop window, the page): it
// owns the driver, the script player, the seeker and the recorder, the watch clock of a
// recording (pause, speed, jumps), the hand-over when a recording ends, steering towards a
// pointer, the button held pressed, the title and the next wake-up. A host feeds it input
// and its wall clock, and shows what it paints; nothing here knows SDL or the browser.
//
// Time: every call that takes `wall` is at that wall-clock time, in ms from any origin the
// host keeps; input without one happens at the time of the last advance(), so a host calls
// advance(now) before each event ("ticks that fell due before an event come first").
//
// Recording: with a `record` sink the live game is written as a replay script. A watched
// recording's lines that make its game are written again from what was read of it when it
// starts (or, with `startLater`, when the host asks: writeStart), and when it ends what the
// player plays on follows them, so that the file replays the watched game and then the player's.
//
// A recording holds no more than a script may (SessionOptions::recordingRoom; a watched
// recording's start counts as the lines it was read from, which it never outgrows): once the room
// left could not take one more event and the closing lines, the recording ends there with them (so that it still
// verifies), the game plays on unrecorded, and notice() tells the player once.
//
// Making layouts: edit() shows the layout editor instead of a game; "Try it" plays the layout
// edited in a fresh game, and Esc (or the game's Game Over) comes back to the editor as it was.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drive/driver.h"
#include "drive/spoken.h"
#include "editor/screen.h"
#include "paint/painter.h"
#include "platform/gamepad.h"
#include "platform/pointer.h"
#include "script/expect.h"
#include "script/recorder.h"
#include "script/script.h"

namespace zorvane {

class ScriptPlayer;
class Seeker;

// How a pointer steers the paddle: not at all, wherever it hovers in the picture (the
// window's --mouse), or while it is held down off the buttons (a finger on the page).
enum class Steering { None, Hover, Held };

// How the editor's file is saved: only if it is still the file that was read (Checked), over
// it whatever it holds now (Over), or as a new file beside it (Beside).
enum class SaveHow { Checked, Over, Beside };
// What a save did: saved to the file named `to` (as a title shows it), or not and why; or
// not because the file changed since it was read (only when Checked).
struct SaveOutcome {
  bool saved = false, changed = false;
  std::string to = {}, why = {};
};

struct SessionOptions {
  std::function<uint64_t()> seeds;                    // a fresh seed for each live start-up (a clock)
  std::function<void(std::string_view)> trace;        // the trace in whole lines; empty: none
  std::function<bool(std::string_view)> record;       // the recording in whole lines (false: it failed); empty: none
  size_t recordingRoom = maxScriptBytes;              // the most bytes a recording may hold
  bool startLater = false;                            // a watched recording's lines go to `record` only through writeStart()
  RecordingHeading heading;                           // the recording's first line
  std::function<void(std::span<const Cue>)> cues;     // the sounds of each event; empty: none
  Steering steering = Steering::None;
  // The most commands and timer ticks of a watched recording played in one call: a few
  // milliseconds' work, so that a window answers at once.
  uint64_t slice = 500;
  std::function<SaveOutcome(std::string_view, SaveHow)> save;  // writes the editor's layout file whole
  std::function<void()> leave;                        // the player leaves the editor (it is gone by then)
};

class Session {
 public:
  static constexpr double slowest = 0.25, fastest = 8;  // a recording's speeds, times its own pace
  static constexpr int64_t jumpLength = 10000;           // ms of a jump back or on
  static constexpr size_t closingRoom = 4096;            // bytes kept for one more event and the closing lines

  Session(const paint::Fonts& fonts, SessionOptions options);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Starting: a live game, or a recording watched from its start at its own pace.
  // A live game; seed ≥ 0: that one seed for every start-up. With layouts, the player's own
  // (from the file `from`, which the title names) instead of the built-in ones.
  void start(double wall, int64_t seed = -1, SharedLayouts layouts = {}, std::string from = {});
  // The new recording starts with the lines that make its game (writeGameLines), not its
  // expect lines: one it did not meet would make the new recording fail.
  void watch(Script script, std::string name, double wall, double speed = 1);
  // The host's own game brought back (a page reloaded): its recording played to its end
  // over the next calls of advance(), a slice each, keeping few snapshots (it is never
  // jumped back in); then the player has the game, as after any recording.
  void resume(Script script, double wall);
  // The layout editor on these layouts (none: one empty layout), saved to the file `name`;
  // `fileText`, the file as read, gives the comments it keeps; `inFile` false: they are not
  // in it yet (brought back after a reload), so unsaved.
  void edit(Layouts layouts, std::string name, std::string_view fileText = {}, bool inFile = true);

  // Input. Keys steer the playback while a recording plays (Space pauses, Left/Right jump,
  // Up/Down change the speed, Esc stops a jump on its way), and the game otherwise; S, outside
  // the editor, also asks for the score in words (said()).
  void advance(double wall);                          // the game (or the recording) on to `wall`
  void keyDown(int16_t key, bool repeat = false);
  void keyUp(int16_t key);
  void pointerDown(double x, double y, bool other = false);  // at a pixel of the picture; other: the right button
  void pointerMoved(double x, double y);
  void pointerUp(double x, double y);                 // on the button it went down on: a click
  void pointerLeft();                                 // out of the picture: it steers no more
  void pointerCancelled();                            // the press was taken away: no click, no steering
  void letGo();                                       // the focus lost: every key and gamepad held is let go, and the pointer
  GamepadSlots& pads() { return gamepads; }           // the player's gamepads: the game's while live
  void stoodStill(double ms);                         // the host slept this long (a hidden page): a recording waited too

  // The watch controls, while a recording plays.
  void pause();                                       // pauses or plays on
  void faster(bool up);                               // doubles or halves the speed, within slowest..fastest
  bool jumpTo(int64_t t);                             // the game as it stood at `t`; false once the recording has ended
  bool jumpBy(int64_t ms) { return jumpTo(position() + ms); }
  double jumpProgress() const;                        // a jump on its way: how far it has got, 0..1; -1: none
  bool stopJump();                                    // a jump on its way stops where it got to (Esc); false: none was

  // What the host shows.
  // The picture, fitted to the target; the patches that changed. With a budget, at most that
  // many pixels are painted, top first, the rest at the next calls (paintBehind()).
  const std::vector<paint::Rect>& paint(const paint::Target& target, int64_t budget = 0);
  bool paintBehind() const { return painter.behind(); }
  void repaintAll() { painter.invalidate(); }         // the next picture is painted whole (a new target)
  // The target's pixels to a CSS pixel (1 in a window), and whether the pointer is a finger:
  // the editor's targets are made that large.
  void pointerKind(double pixelsPerCss, bool coarse) { cssScale = pixelsPerCss, fingers = coarse; }
  const paint::Placement& placed() const { return placement; }  // where the last picture landed
  std::string notice();                               // a word for the player (the recording is full), once; "": none
  std::string said();                                 // the words asked for (S: the score), once; "": none
  // The game in words since the last call, for a live region ("": nothing new); in the editor,
  // its own words as they change, and a layout tried and left told as such.
  std::string news();
  std::string summary() const;                        // the picture's text alternative: the score, lives, bricks left; or the editor's
  // The name a saved file takes on `date`: the game's with its score, or the editor's layouts.
  std::string fileName(std::string_view date) const;
  std::string title() const;                          // the window's caption, and what a recording's playback is at
  std::string status() const;                         // one line about the recording playing, "" for none
  double nextWake(double wall) const;                 // wall-clock ms when advance() has more to do; -1: only input
  bool watching() const;
  const View& view() const;                           // what shows: the editor or the game
  bool editing() const { return editorShown && !trying; }  // the editor shows (no layout is being tried)
  bool trial() const { return editorShown && trying; }      // a layout of the editor is being tried
  const EditorScreen* editor() const { return editorShown.get(); }
  // Esc or closing in the editor: true when it may be left now; with unsaved changes the
  // first time only warns. Outside the editor: true.
  bool mayLeave();
  void backToEditor();                                // from the layout tried (Esc, Game Over, a page's button)
  void editorClick(std::string_view button);          // one of the editor's buttons, from outside its picture (a page's bar)
  bool paused() const { return clock.paused; }
  double speed() const { return clock.speed; }
  int64_t position() const;                           // where the game stands (a recording: once a jump is done)
  int64_t length() const;                             // the recording's length; 0 when none plays
  bool handedOver();                                  // true once after a recording has ended
  const std::optional<ExpectMiss>& miss() const { return firstMiss; }  // the recording's first expect line not met
  const std::string& verdict() const { return verdictText; }  // what the last recording proved: "Verified: score 001230", or its miss
  int64_t score() const;                              // the current score

  void close();                                       // the trace flushed, the recording's last wait and expect line
  // With startLater: the start of the recording, the lines of the recording watched before it
  // that make its game, written again in pieces; false once `out` refused one.
  bool writeStart(const std::function<bool(std::string_view)>& out) const;
  size_t startBytes() const { return watched ? watched->gameBytes : 0; }  // no fewer than writeStart writes
  const Driver& driver() const { return *game; }
  int64_t now() const;                                // the game's clock

 private:
  struct PlayerInput : Input {                        // forwards to the game while no recording plays
    Session* s = nullptr;
    void keyDown(int16_t key) override;
    void keyUp(int16_t key) override;
    bool click(std::string_view button) override;
  };
  // A watched recording's clock: game time runs at `speed` times the wall clock from where
  // it was last set, or stands still while paused.
  struct WatchClock {
    int64_t base = 0;                                 // game time when last set
    double wallBase = 0;                              // wall-clock ms then
    double speed = 1;
    bool paused = false;
    int64_t target(double wall) const;
    double wallAt(int64_t game) const;                // -1 while paused
  };

  void newGame(bool seeded);                          // a new driver; seeded: the clock seeds its start-ups
  void record();                                      // from now on the live game is recorded
  void keepRoom();                                    // a recording with no room left ends here
  void handOver();                                    // the recording has ended: the player has the game
  void rebase();                                      // the watch clock set to where the playback stands
  void steer();                                       // the paddle towards the pointer
  std::string buttonAt(double x, double y) const;     // the frontmost shown button at a pixel of the last picture
  float units(double x) const;                        // a pixel column of the last picture in window units
  float unitsDown(double y) const;                    // a pixel row likewise
  void ask(EditorAsks what);                          // what the editor asked for

  const paint::Fonts& fonts;
  SessionOptions options;
  std::unique_ptr<Driver> game;
  std::unique_ptr<ScriptPlayer> playback;             // the recording watched
  std::unique_ptr<Seeker> seeker;
  std::unique_ptr<Recorder> recorder;
  paint::Painter painter;
  paint::Placement placement;                         // of the last picture
  PlayerInput playerInput;
  WatchClock clock;
  double wallNow = 0;                                 // of the last advance
  double origin = 0;                                  // live: game time = wall - origin
  std::string name;                                   // of the recording watched
  std::shared_ptr<const Script> watched;              // it, for the start of the recording (startLater)
  std::string layoutsFrom;                            // the file of the player's own layouts; "": the built-in ones
  size_t recorded = 0;                                // bytes of the recording written since newGame()
  bool full = false;                                  // it has filled its room: nothing more is recorded
  std::string told;                                   // the notice not yet handed over
  bool checked = false;                               // it has expect lines
  bool ended = false;                                 // it has ended, not yet told
  std::optional<ExpectMiss> firstMiss;
  std::string verdictText;
  int64_t jumpFrom = 0;                               // where the last jump started playing from
  // Pointer steering and the pressed button.
  PointerSteering mouse;
  bool pointerLive = false;                           // the pointer steers
  bool pointerHeld = false;                           // held down off the buttons
  float pointerX = 0;                                 // window units
  std::vector<int16_t> held;                          // keys down in the game, in the order pressed
  std::string pressed;                                // the button the pointer went down on
  GamepadSlots gamepads{playerInput};
  // The game in words.
  Spoken spoken;
  std::string asked;                                  // the words asked for, not yet said
  int toldMode = 0;                                   // the view news() last told of: 0 the game, 1 the editor, 2 a layout tried
  std::string toldEditor;                             // the editor's words news() last told
  bool pressedInside = false;                         // the pointer is still over it
  // The layout editor.
  std::unique_ptr<EditorScreen> editorShown;
  bool trying = false;                                // a layout of it is being played
  double cssScale = 1;                                // pointerKind(): pixels to a CSS pixel
  bool fingers = false;                               // and a finger's pointer
};

}  // namespace zorvane
