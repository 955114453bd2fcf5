// The page's host of the game's session: the browser's keys, pointers, gamepads and wall
// clock in; the picture painted into a buffer of canvas pixels whose changed patches the
// page copies out, the title, the cues and the next wake-up out; the game recorded in
// memory. The only file of the page that knows the core; the page's scripts keep only the
// browser's glue.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "board/digest.h"
#include "game/form1.h"
#include "paint/painter.h"
#include "platform/gamepad.h"
#include "platform/keys.h"
#include "script/script.h"
#include "session/session.h"
#include "sound/effects.h"
#include "trace/trace.h"

using namespace zorvane;

namespace {

// The keys the game answers (the arrows, Space, P, F1, F2), whose browser action it takes over.
bool gameKey(int16_t key) {
  return (key >= keys::Left && key <= keys::Down) || key == keys::Space || key == keys::P || key == keys::F1 ||
         key == keys::F2;
}

// The most commands and timer ticks of a recording played at one wake of the page: a few
// milliseconds' work, so that the tab stays responsive.
constexpr uint64_t wakeSlice = 1000;

// The most pixels one call paints: a whole picture at a phone's three device pixels to the
// CSS pixel is painted in about twenty calls (the page makes each a task of its own), each
// under 12 ms of work on this machine even before the browser has optimised the module, so
// under 50 ms on a phone four times slower.
constexpr int64_t paintBudget = int64_t(1) << 16;

// The page's one session, and what the page reads of it: the game recorded in memory, the
// canvas's pixels and the patches that changed, the recording being read in pieces.
struct Page {
  paint::Fonts fonts;
  std::unique_ptr<Session> session;
  std::unique_ptr<Script> reading;        // a recording being read
  std::unique_ptr<ScriptReader> reader;   // its parser
  // The game as a replay script, after the start the session writes again from the recording
  // watched (Session::writeStart) when the page asks for it.
  std::string recorded;
  std::string handed;                     // what zvLayoutFile last handed out
  std::string heading;                    // the first line's UTC time, from the page
  std::vector<uint32_t> pixels;           // the canvas's pixels, bytes R, G, B, A
  int width = 0, height = 0;
  std::vector<int32_t> patches;           // x, y, width, height of each patch of the last picture
  std::string title, status;              // the last handed to the page
  std::string state;                      // for the tests: the game's state as a trace line
  std::string message;                    // the last recording's complaint, or its verdict
  int cues = 0;                           // the kinds of cue raised since the page last took them, one bit each
  double cuedAt = -1;                     // the game time of the first of them
  std::string said;                       // what zvNews, zvSummary or zvFileName last handed out
  int64_t seed = -1;                      // the tests' one seed, or -1: the clock's
  double wall = 0;                        // the wall-clock time of the last advance
  bool saveAsked = false;                 // the editor asked to save: the page downloads its file
};
Page page;

// The sound effects, made when the page first asks for them.
const sound::Effects& effects() {
  static const sound::Effects made;
  return made;
}

void newRecording();

Session& session() {
  if (!page.session) {
    SessionOptions o;
    // Every start-up's seed, read from the clock as it is handed in.
    o.seeds = [] { return uint64_t(std::chrono::system_clock::now().time_since_epoch().count()); };
    o.record = [](std::string_view lines) {
      if (page.session && page.session->editor()) return true;  // a layout tried is not recorded
      page.recorded += lines;  // the session keeps it within a script's room
      return true;
    };
    o.startLater = true;
    o.cues = [](std::span<const Cue> cues) {
      if (page.cues == 0) page.cuedAt = double(page.session->now());
      for (const Cue& c : cues) page.cues |= 1 << int(c.kind);
    };
    o.heading = {ZORVANE_VERSION, page.heading};
    o.save = [](std::string_view, SaveHow) { return page.saveAsked = true, SaveOutcome{.saved = true}; };
    // The editor left: a new game, as the page starts one.
    o.leave = [] {
      newRecording();
      page.session->start(page.wall, page.seed);
    };
    o.steering = Steering::Held;
    o.slice = wakeSlice;
    page.session = std::make_unique<Session>(page.fonts, std::move(o));
  }
  return *page.session;
}

// A new game (or recording) on the page: a new recording.
void newRecording() { page.recorded.clear(); }

// A new recording to be read in pieces.
void startReading() {
  page.reading = std::make_unique<Script>();
  page.reader = std::make_unique<ScriptReader>(*page.reading);
}

// The recording read, or null after a bad line (the replay tool's message in page.message).
std::unique_ptr<Script> takeRead(const char* name) {
  if (!page.reader) startReading();
  const bool good = page.reader->good() && page.reader->finish();
  const ScriptError bad = page.reader->error();
  page.reader.reset();
  std::unique_ptr<Script> script = std::move(page.reading);
  if (good) return script;
  page.message = "zorvane-replay: " + std::string(name) + ", line " + std::to_string(bad.line) + ": " + bad.message;
  return nullptr;
}

}  // namespace

extern "C" {

// Creates the window at time 0 and runs Form_Load, recorded from here, at wall-clock time
// `wall` (ms, performance.now()). Every start-up takes a seed read from the clock, or, with a
// whole number from 0 to 2^53 - 1 (for the tests' pictures; any other is none), the generator
// keeps that one seed, which the recording states. `recordedAt` is the UTC time for the
// recording's first line.
EMSCRIPTEN_KEEPALIVE void zvStart(double seed, const char* recordedAt, double wall) {
  if (!(seed >= 0 && seed <= 9007199254740991.0 && seed == std::floor(seed))) seed = -1;
  page.heading = recordedAt;
  page.seed = int64_t(seed);
  page.wall = wall;
  newRecording();
  session().start(wall, int64_t(seed));
}

// Moves the game (or the recording playing) on to wall-clock time `wall`.
EMSCRIPTEN_KEEPALIVE void zvAdvanceTo(double wall) {
  page.wall = wall;
  session().advance(wall);
}
// When the page should wake next, on the wall clock; -1 for only at the next input.
EMSCRIPTEN_KEEPALIVE double zvNextWake(double wall) { return session().nextWake(wall); }
// The page slept this long (hidden): a recording waited too.
EMSCRIPTEN_KEEPALIVE void zvStoodStill(double ms) { session().stoodStill(ms); }
EMSCRIPTEN_KEEPALIVE int zvPlaying() { return session().watching() ? 1 : 0; }
// The game's time; while a recording plays, where it stands once a jump is done.
EMSCRIPTEN_KEEPALIVE double zvNow() { return double(session().position()); }
// A browser key as a virtual key code; a negative code -k for a game key k, whose default
// action the page prevents.
EMSCRIPTEN_KEEPALIVE int zvKeyCode(const char* domCode) {
  const int16_t key = keys::byName(domCode, keys::Naming::Page);
  return gameKey(key) ? -key : key;
}

// The player's keys: the game's, or while a recording plays its playback's.
EMSCRIPTEN_KEEPALIVE void zvKeyDown(int code, int repeat) {
  session().keyDown(int16_t(code), repeat != 0);
}
EMSCRIPTEN_KEEPALIVE void zvKeyUp(int code) {
  session().keyUp(int16_t(code));
}

// The faces' files: the page fetches fonts/NAME.ttf for each name, until null.
EMSCRIPTEN_KEEPALIVE const char* zvFontName(int i) {
  return i >= 0 && i < int(paint::faceFiles.size()) ? paint::faceFiles[i].name : nullptr;
}
// Takes one face's file (copied); 0 when it cannot be read.
EMSCRIPTEN_KEEPALIVE int zvFont(int i, const unsigned char* bytes, int length) {
  if (!zvFontName(i) || length <= 0) return 0;
  const paint::FaceFile& f = paint::faceFiles[i];
  return page.fonts.add(f.face, f.weight, std::vector<unsigned char>(bytes, bytes + length)) ? 1 : 0;
}

// Paints the picture on a canvas of width × height pixels: the game scaled uniformly and
// centred. Returns how many patches changed (0: none); zvPatches() and zvPixels() tell
// which and where the pixels are, until the next call.
EMSCRIPTEN_KEEPALIVE int zvPaint(int width, int height) {
  if (width < 1 || height < 1 || width > paint::maxTargetSide || height > paint::maxTargetSide) return 0;
  if (width != page.width || height != page.height) {
    try {
      page.pixels.assign(size_t(width) * height, 0);
    } catch (const std::bad_alloc&) {  // the browser gives no more memory: nothing drawn
      page.pixels.clear();
      page.width = page.height = 0;
      return 0;
    }
    page.width = width, page.height = height;
  }
  const std::vector<paint::Rect>& changed =
      session().paint({page.pixels.data(), width, height, width, paint::rgbaBytes}, paintBudget);
  page.patches.clear();
  for (const paint::Rect& r : changed) page.patches.insert(page.patches.end(), {r.x, r.y, r.w, r.h});
  return int(changed.size());
}
EMSCRIPTEN_KEEPALIVE const int32_t* zvPatches() { return page.patches.data(); }
// The window's face colour around the picture, as CSS ("#rrggbb").
EMSCRIPTEN_KEEPALIVE const char* zvFaceColour() {
  static char css[8];
  const Color c = session().view().backColor();
  std::snprintf(css, sizeof css, "#%02x%02x%02x", unsigned(redOf(c)), unsigned(greenOf(c)), unsigned(blueOf(c)));
  return css;
}
// Whether the last picture left patches for the next call to paint.
EMSCRIPTEN_KEEPALIVE int zvPaintBehind() { return session().paintBehind() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE const uint32_t* zvPixels() { return page.pixels.data(); }

// A pointer (a finger, or the mouse's main button) at canvas pixels of the last picture:
// held on the playfield it steers the paddle; a press and a release on the same shown button
// click it. In the layout editor it paints, or with `other` (the right button) empties.
EMSCRIPTEN_KEEPALIVE void zvPointerDown(double x, double y, int other) {
  session().pointerDown(x, y, other != 0);
}
EMSCRIPTEN_KEEPALIVE void zvPointerMove(double x, double y) {
  session().pointerMoved(x, y);
}
EMSCRIPTEN_KEEPALIVE void zvPointerUp(double x, double y) {
  session().pointerUp(x, y);
}
EMSCRIPTEN_KEEPALIVE void zvPointerCancel() { session().pointerCancelled(); }

// Gamepads of the browser's standard layout, read by the page at each wake, through the
// session's gamepads: bit i of a pad's buttons, standard button i held.
uint32_t padButtons[GamepadSlots::most];

// The page's Pause control: while the player's game runs it gives what the P key gives (the
// game's own Pause button resumes); while a recording plays it pauses or plays on the
// recording.
EMSCRIPTEN_KEEPALIVE int zvCanPause() { return !session().watching() && session().driver().paddle().inPlay ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE void zvPause() {
  if (session().watching()) return session().pause();
  zvKeyDown(keys::P, 0);
  zvKeyUp(keys::P);
}

// The game in words, for the page's live region: what was asked for (S: the score) and what
// happened since the last call, or null (Session::news()).
EMSCRIPTEN_KEEPALIVE const char* zvNews() {
  const std::string asked = session().said(), news = session().news();
  page.said = asked.empty() || news.empty() ? asked + news : asked + " " + news;
  return page.said.empty() ? nullptr : page.said.c_str();
}
// The picture's text alternative: the score, the high score, the lives and the bricks left;
// in the layout editor, the layout, its counts and the code chosen.
EMSCRIPTEN_KEEPALIVE const char* zvSummary() {
  page.said = session().summary();
  return page.said.c_str();
}
// The focus lost, or the page hidden: every key and gamepad held is let go, and the pointer.
EMSCRIPTEN_KEEPALIVE void zvLetGo() { session().letGo(); }
// One pad's state: the standard buttons held (bit i for buttons[i]) and its left stick's
// x axis, -1 (left) to 1.
EMSCRIPTEN_KEEPALIVE void zvPad(int index, int buttons, double stickX) {
  if (index < 0 || index >= GamepadSlots::most) return;
  constexpr struct {
    int bit;
    PadButton button;
  } standard[] = {{0, PadButton::South},         {4, PadButton::LeftShoulder}, {5, PadButton::RightShoulder},
                  {9, PadButton::Start},         {14, PadButton::DpadLeft},    {15, PadButton::DpadRight}};
  GamepadSlots& pads = session().pads();
  for (const auto& s : standard) {
    const bool down = (uint32_t(buttons) >> s.bit) & 1;
    if (down != bool((padButtons[index] >> s.bit) & 1)) pads.button(index, s.button, down);
  }
  padButtons[index] = uint32_t(buttons);
  pads.stickX(index, std::isfinite(stickX) ? int(std::clamp(stickX, -1.0, 1.0) * 32767) : 0);
}
// A pad unplugged: every key it holds is released.
EMSCRIPTEN_KEEPALIVE void zvPadGone(int index) {
  if (index < 0 || index >= GamepadSlots::most) return;
  session().pads().unplugged(index);
  padButtons[index] = 0;
}
// The window's caption, or null when it is the one handed over last.
EMSCRIPTEN_KEEPALIVE const char* zvTitle() {
  std::string t = session().title();
  if (t == page.title) return nullptr;
  page.title = std::move(t);
  return page.title.c_str();
}
// The line under the picture: the recording playing, if any.
EMSCRIPTEN_KEEPALIVE const char* zvStatus() {
  page.status = session().status();
  return page.status.c_str();
}
// For the tests: the game's state, as the replay tool's trace line shows it.
EMSCRIPTEN_KEEPALIVE const char* zvState() {
  TraceWriter w;
  w.line(session().driver().form(), "state");
  page.state.assign(w.text());
  return page.state.c_str();
}
// For the tests, with the clock held: the recording being played, played to its end at once
// at wall-clock time `wall`, from which the live game goes on.
EMSCRIPTEN_KEEPALIVE void zvPlayToEnd(double wall) {
  Session& s = session();
  if (s.watching()) s.jumpTo(s.length());
  for (int i = 0; s.watching() && i < 1000000; ++i) s.advance(wall);
  s.advance(wall);
}

// A recording is read in pieces, each parsed as it comes, so that its text is never held
// whole: zvReadRecording, then zvFeedRecording for each piece (0 once a line is bad: the
// rest need not come), then zvPlayRecording. The page feeds a long one a slice per task, so
// that it stays responsive meanwhile. The lines of it that make its game are kept, for the
// recording of the game played on after it.
EMSCRIPTEN_KEEPALIVE void zvReadRecording() { startReading(); }
EMSCRIPTEN_KEEPALIVE int zvFeedRecording(const char* piece, int length) {
  return page.reader && page.reader->feed(std::string_view(piece, size_t(length))) ? 1 : 0;
}

// Starts the recording read from the window's creation at time 0, at wall-clock time
// `wall` (a layout file, which holds only layouts, starts a new game on them at once); it
// then plays at its own pace, and the player takes over where it ends. On a bad
// script the game is left as it was and the replay tool's message is returned; null on
// success.
EMSCRIPTEN_KEEPALIVE const char* zvPlayRecording(const char* name, double wall) {
  std::unique_ptr<Script> script = takeRead(name);
  if (!script) return page.message.c_str();
  newRecording();  // the new recording begins with the one played
  page.message.clear();
  if (!script->layouts.empty() && holdsOnlyLayouts(*script)) {
    // A layout file: a new game on the player's own layouts, recorded with them at its head.
    session().start(wall, -1, std::make_shared<const Layouts>(std::move(script->layouts)), shownName(name));
    return nullptr;
  }
  session().watch(std::move(*script), name, wall);
  return nullptr;
}

// The tab's own game or layouts, kept by the page as it hid and read back in after a
// reload (zvReadRecording, zvFeedRecording): a recording is played to its end over the next
// calls of zvAdvanceTo (zvPlaying says when it is done, zvHandedOver and zvVerdict whether it
// met its expect lines); a layout file is opened in the editor, unsaved. Null on success,
// else why not.
EMSCRIPTEN_KEEPALIVE const char* zvResume(double wall) {
  std::unique_ptr<Script> script = takeRead("kept");
  if (!script) return page.message.c_str();
  newRecording();
  page.message.clear();
  if (!script->layouts.empty() && holdsOnlyLayouts(*script)) {
    session().edit(std::move(script->layouts), "my.layouts", {}, false);
    return nullptr;
  }
  session().resume(std::move(*script), wall);
  return nullptr;
}

// Sound (web/sound.js): the cue kinds raised since the last call, one bit each (bit k for
// kind k), and the game time of the first of them; the effects' samples, made once.
EMSCRIPTEN_KEEPALIVE int zvCues() { return std::exchange(page.cues, 0); }
EMSCRIPTEN_KEEPALIVE double zvCuedAt() { return page.cuedAt; }
EMSCRIPTEN_KEEPALIVE int zvCueKinds() { return cueKinds; }
EMSCRIPTEN_KEEPALIVE int zvSampleRate() { return sound::sampleRate; }
EMSCRIPTEN_KEEPALIVE int zvEffectLength(int kind) {
  return kind >= 0 && kind < cueKinds ? int(effects().of(CueKind(kind)).size()) : 0;
}
EMSCRIPTEN_KEEPALIVE int zvEffectSample(int kind, int i) {
  return i >= 0 && i < zvEffectLength(kind) ? effects().of(CueKind(kind))[size_t(i)] : 0;
}

// The layout editor: "Make layouts" shows it with one empty layout (never during a recording
// played); its own buttons and keys work it. Its mode: 0 none, 1 editing, 2 a layout tried.
EMSCRIPTEN_KEEPALIVE void zvEdit() {
  if (session().watching()) return;
  newRecording();
  session().edit({}, "my.layouts");
}
EMSCRIPTEN_KEEPALIVE int zvEditorMode() { return session().editing() ? 1 : session().trial() ? 2 : 0; }
EMSCRIPTEN_KEEPALIVE void zvBackToEditor() { session().backToEditor(); }
EMSCRIPTEN_KEEPALIVE void zvEditorSave() { session().editorClick("save"); }  // the bar's Save, as the editor's own
EMSCRIPTEN_KEEPALIVE void zvEditorLeave() { session().editorClick("leave"); }  // the bar's Leave, as the editor's own
EMSCRIPTEN_KEEPALIVE int zvUnsaved() { return session().editor() && session().editor()->editor.changed() ? 1 : 0; }
// The page's pointer: canvas pixels to a CSS pixel, and whether it is a finger (a coarse
// pointer): the editor makes its targets large enough for it.
EMSCRIPTEN_KEEPALIVE void zvPointerKind(double pixelsPerCss, int coarse) { session().pointerKind(pixelsPerCss, coarse != 0); }
// For the tests: what a finger may hit in the editor as last painted, in canvas pixels, as
// JSON [[what, x, y, w, h], ...]: each button as drawn, each swatch shown ("code N") and a
// cell of the field ("cell").
EMSCRIPTEN_KEEPALIVE const char* zvEditorTargets() {
  const EditorScreen* e = session().editor();
  const paint::Placement& p = session().placed();
  page.handed = "[";
  const auto add = [&](std::string_view what, float left, float top, float w, float h) {
    const double k = p.scale / paint::unitsPerPixel;
    char box[96];
    std::snprintf(box, sizeof box, "\",%.2f,%.2f,%.2f,%.2f]", p.x + left * k, p.y + top * k, w * k, h * k);
    page.handed.append(page.handed.size() > 1 ? ",[\"" : "[\"").append(what).append(box);
  };
  struct Buttons : ControlVisitor {
    std::function<void(std::string_view, const Button&)> seen;
    void shape(const Shape&) override {}
    void label(const Label&) override {}
    void button(std::string_view name, const Button& b) override { seen(name, b); }
  } buttons;
  buttons.seen = [&](std::string_view name, const Button& b) { add(name, b.Left, b.Top, b.Width, b.Height); };
  if (e && session().editing()) {
    e->visitControls(buttons);
    float left = 0, top = 0, w = 0, h = 0;
    for (int code = 0; code <= brickCodes::unbreakable; ++code)
      if (e->swatchBox(code, left, top, w, h)) add("code " + std::to_string(code), left, top, w, h);
    e->cellBox(0, 0, left, top, w, h);
    add("cell", left, top, w, h);
  }
  page.handed += "]";
  return page.handed.c_str();
}
// 1 once after the editor asked to save (its Save, Ctrl+S): the page downloads zvLayoutFile.
EMSCRIPTEN_KEEPALIVE int zvSaveAsked() { return std::exchange(page.saveAsked, false) ? 1 : 0; }
// The editor's layout file, its length through `length`.
EMSCRIPTEN_KEEPALIVE const char* zvLayoutFile(int* length) {
  page.handed = session().editor() ? session().editor()->editor.text() : std::string();
  *length = int(page.handed.size());
  return page.handed.data();
}

// The longest script a recording may be, in bytes: a longer file is refused unread.
EMSCRIPTEN_KEEPALIVE double zvMaxScriptBytes() { return double(maxScriptBytes); }

// The watch controls, while a recording plays: its length, pause (zvPause), the speed, jumps
// back and on and to any moment (the game as it stood then). A jump returns whether it still
// plays. A far jump plays its way there over many wakes: the status line says how far it has
// got, and zvStopJump (or Esc) stops it where it got to.
EMSCRIPTEN_KEEPALIVE double zvPlayLength() { return double(session().length()); }
EMSCRIPTEN_KEEPALIVE int zvPaused() { return session().paused() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE void zvFaster(int up) { session().faster(up != 0); }
EMSCRIPTEN_KEEPALIVE double zvSpeed() { return session().speed(); }
EMSCRIPTEN_KEEPALIVE int zvJumpBy(int on) {
  return session().jumpBy(on ? Session::jumpLength : -Session::jumpLength) ? 1 : 0;
}
EMSCRIPTEN_KEEPALIVE int zvJumpTo(double ms) { return session().jumpTo(int64_t(ms)) ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE double zvJumpProgress() { return session().jumpProgress(); }
EMSCRIPTEN_KEEPALIVE int zvStopJump() { return session().stopJump() ? 1 : 0; }

// A word for the player (the recording has filled its room), handed over once; null: none.
EMSCRIPTEN_KEEPALIVE const char* zvNotice() {
  static std::string handed;
  handed = session().notice();
  if (handed.empty()) return nullptr;
  return handed.c_str();
}

// 1 once after a recording has ended (the page then says what it proved: zvVerdict).
EMSCRIPTEN_KEEPALIVE int zvHandedOver() {
  if (!session().handedOver()) return 0;
  page.message = session().verdict();
  return 1;
}
// What the last recording played proved when it ended ("Verified: score 001230", or the
// expect line it did not meet), or its complaint; "" for none.
EMSCRIPTEN_KEEPALIVE const char* zvVerdict() { return page.message.c_str(); }
// The name of the file a save downloads, on `date`: the game's with its score, or the layouts'.
EMSCRIPTEN_KEEPALIVE const char* zvFileName(const char* date) {
  page.said = session().fileName(date);
  return page.said.c_str();
}

// The game so far as a replay script, ending with an expect line about the game now, handed
// to the page in pieces of at most 64 KiB (Module.takePiece), never whole in the module's
// memory: the lines of the recording watched before it, written again, then those recorded.
// Returns its length in bytes (the script may hold any byte).
EM_JS(void, handPiece, (const char* at, int length), { Module.takePiece(HEAPU8.slice(at, at + length)); });
EMSCRIPTEN_KEEPALIVE double zvRecording() {
  if (!session().watching()) session().close();
  double length = 0;
  const auto hand = [&](std::string_view piece) {
    handPiece(piece.data(), int(piece.size()));
    length += double(piece.size());
    return true;
  };
  session().writeStart(hand);
  for (size_t at = 0; at < page.recorded.size(); at += size_t{1} << 16)
    hand(std::string_view(page.recorded).substr(at, size_t{1} << 16));
  return length;
}
// At most the length of zvRecording, in bytes, without writing it.
EMSCRIPTEN_KEEPALIVE double zvRecordingBound() { return double(session().startBytes() + page.recorded.size()); }

// The board of proven scores this game's layouts are listed on: "builtin", or the SHA-256 of
// the player's own layouts, as the board names it (board/digest.h).
EMSCRIPTEN_KEEPALIVE const char* zvBoard() {
  static std::string name;
  const SharedLayouts& own = session().driver().form().layouts();
  name = own ? board::boardOf(*own) : "builtin";
  return name.c_str();
}

}  // extern "C"
