#include "editor/screen.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "game/form1.h"
#include "platform/keys.h"

namespace zorvane {
namespace {

constexpr float panelLeft = 8700;   // the palette, right of the game's picture
constexpr float swatchPitch = 450, swatchWidth = 420, rowPitch = 300, swatchHeight = 270;
constexpr int swatchColumns = 9;
constexpr float headingHeight = 260;
// Stacking keys of the editor's own objects, in front of the field's, each its own so that
// the painter pairs each object with itself from one picture to the next.
constexpr int64_t front = 1000000, linesAt = front, headingsAt = front + 10, swatchesAt = front + 100,
                  cursorAt = front + 300, chosenAt = front + 310, buttonsAt = front + 400;

const Font small{"Arial", 8, 700, 0};
const Font plain{"Arial", 9, 700, 0};

// The palette's sections, in order: a heading, how many codes, how many to a row. Its places
// hold code 0, then 99, then 1 to 98 in order: the one-hit colours, the multi-hit bricks by
// hits (a row each) and colour, and the specials.
struct Section {
  const char* heading;
  int count, perRow;
};
using namespace brickCodes;
constexpr Section sections[] = {{"Empty and unbreakable", 2, 9},
                                {"One hit", oneHitLast - oneHitFirst + 1, 9},
                                {"More hits: 2 to 8, by colour", multiHitLast - multiHitFirst + 1, 7},
                                {"Special: ? does something when hit", specialLast - specialFirst + 1, 9}};
constexpr int places = 100;
constexpr int codeAt(int place) { return place == 0 ? 0 : place == 1 ? unbreakable : place - 1; }
constexpr int placeOf(int code) { return code == 0 ? 0 : code == unbreakable ? 1 : code + 1; }

// The top-left corner of palette place i, or with i < 0 of heading -i - 1.
void placed(int i, float& x, float& y) {
  float top = 60;
  for (int n = 0; n < 4; ++n) {
    const Section& s = sections[n];
    x = panelLeft, y = top;
    if (i == -n - 1) return;
    top += headingHeight;
    if (i >= 0 && i < s.count) {
      x = panelLeft + float(i % s.perRow) * swatchPitch, y = top + float(i / s.perRow) * rowPitch;
      return;
    }
    if (i >= 0) i -= s.count;
    top += float((s.count + s.perRow - 1) / s.perRow) * rowPitch;
  }
  x = panelLeft, y = top;  // past the last: under the palette
}

// A line of words on the editor's face, in front of the field.
void words(Label& l, float left, float top, float w, float h, const Font& font) {
  l.Move(left, top);
  l.Width = w, l.Height = h;
  l.font = font;
  l.transparent = true;
  l.z = front;
}

// A frame of four thin bars around a box, in front of it.
void frame(ControlVisitor& v, float left, float top, float w, float h, Color color, int64_t z) {
  constexpr float t = 30;
  Shape bar;
  bar.BackColor = color;
  bar.outlinePixels = 0;
  const float boxes[4][4] = {{left - t, top - t, w + 2 * t, t}, {left - t, top + h, w + 2 * t, t},
                             {left - t, top, t, h}, {left + w, top, t, h}};
  for (const auto& b : boxes) {
    bar.Left = b[0], bar.Top = b[1], bar.Width = b[2], bar.Height = b[3];
    bar.z = z++;
    v.shape(bar);
  }
}

// The buttons: name, caption, and the shorter caption of the upright layout. Side by side,
// two rows of six above the field; upright, two rows of six at the bottom.
struct ButtonWords {
  std::string_view name;
  const char *caption, *upright;
};
constexpr ButtonWords buttonWords[] = {
    {"try", "Try it (T)", "Try it"}, {"save", "Save (Ctrl+S)", "Save"}, {"undo", "Undo (Ctrl+Z)", "Undo"},
    {"redo", "Redo (Ctrl+Y)", "Redo"}, {"add", "Add (A)", "Add"}, {"duplicate", "Duplicate (D)", "Duplicate"},
    {"delete", "Delete layout", "Delete"}, {"previous", "< Layout (F2)", "< Layout"}, {"next", "Layout > (F1)", "Layout >"},
    {"earlier", "Move earlier", "Earlier"}, {"later", "Move later", "Later"}, {"leave", "Leave (Esc)", "Leave"},
    {"codes-empty", "", "Empty, !"}, {"codes-one-hit", "", "One hit"}, {"codes-2-4", "", "2-4 hits"},
    {"codes-5-8", "", "5-8 hits"}, {"codes-special", "", "Special ?"},
};
static_assert(std::size(buttonWords) == size_t(EditorButton::Count));
constexpr int sideButtons = int(EditorButton::EmptyCodes);  // the buttons of both layouts

// The palette's groups when upright, one shown at a time: its places first to first + count,
// so many to a row (0: as many as fit). The multi-hit bricks keep a row to each number of hits.
struct Group {
  int first, count, perRow;
};
constexpr Group groups[] = {{0, 2, 0}, {2, 27, 0}, {29, 21, 7}, {50, 28, 7}, {78, 22, 0}};
constexpr int groupCount = int(std::size(groups));
constexpr int groupOf(int place) {
  int g = groupCount - 1;
  while (g > 0 && place < groups[g].first) --g;
  return g;
}

// The field's edges: as the game draws its bricks, across the width.
constexpr float fieldLeft = 120, fieldWidth = 8295;

// The brick label of cell x, y of a layout in a game laid out on it.
const Label& brickOf(const Form1& form, int x, int y) {
  return form.fields().brick((y + layoutTopRow - 1) * gridColumns + x + 1);
}

}  // namespace

EditorScreen::EditorScreen(const Layouts& layouts, std::string name, std::string_view fileText)
    : editor(layouts, fileText), fileName(std::move(name)), heading(std::string(Form1::Caption) + " \u2014 making layouts") {
  // A swatch is drawn as the game draws a brick.
  design = brickOf(editor.field(), 0, 0);
  design.Visible = true;
  design.z = front;
  lines[3].ForeColor = RGB(192, 0, 0), lines[3].hasForeColor = true;
  lines[5].Caption = "Arrows, Space, Delete; Tab or two digits choose";
  lines[6].Caption = "Right button empties; a drag paints on";
  place();
}

// The words: the layout's line above the field; under the palette the chosen code and what
// a hit on it does, the mark of a layout with nothing to clear, the status, a word on the keys
// (side by side only: upright is for a finger).
void EditorScreen::place() {
  if (tall.on) {
    const Font font{"Arial", tall.points, 700, 0};
    words(lines[0], fieldLeft, 60, fieldWidth, tall.lineHeight, font);
    for (int i = 1; i < 7; ++i)  // the status shares the line of the mark: one of them shows
      words(lines[i], fieldLeft, tall.linesTop + float(std::min(i, 3) - 1) * tall.lineHeight, fieldWidth, tall.lineHeight, font);
  } else {
    float x = 0, y = 0;
    placed(places, x, y);
    words(lines[0], 120, 60, 8295, 420, Font{"Arial", 12, 700, 0});
    for (int i = 1; i < 7; ++i) words(lines[i], panelLeft, y + 60 + float(i - 1) * 280, 4050, 260, i == 1 || i == 3 ? plain : small);
  }
  for (int i = 0; i < 7; ++i) lines[i].z = linesAt + i;
}

void EditorScreen::fit(int pixelsWide, int pixelsHigh, double pixelsPerCss, bool coarse) {
  Upright u;
  if (pixelsWide > 0 && pixelsHigh > pixelsWide) {
    u.on = true;
    u.width = Form1::designWidth;
    // Window units in a CSS pixel, and a length of CSS pixels in whole window units. A target
    // is given a little more than it needs, for the rounding of its edges to pixels.
    const double ratio = pixelsPerCss > 0 && pixelsPerCss < 100 ? std::clamp(pixelsPerCss, 0.25, 8.0) : 1;  // not NaN
    const double perCss = double(u.width) / pixelsWide * ratio;
    const auto css = [&](double px) { return float(std::ceil(px * perCss)); };
    u.target = css(coarse ? 44.5 : 24.5);
    u.gap = css(4);
    u.cellHeight = std::max(float(brickOf(editor.field(), 0, 0).Height), css(coarse ? 24.5 : 16));
    u.points = std::max(8.0f, std::round(css(11) / 10) / 2);  // 11 CSS pixels, to half a point
    u.lineHeight = std::ceil(u.points * 20 * 1.4f);
    u.columns = std::clamp(int((fieldWidth + u.gap) / (u.target + u.gap)), 2, 9);
    int rows = 0;
    for (const Group& g : groups) {
      const int perRow = std::min(g.perRow ? g.perRow : u.columns, u.columns);
      rows = std::max(rows, (g.count + perRow - 1) / perRow);
    }
    const float pitch = u.target + u.gap;
    u.fieldTop = 60 + u.lineHeight + 120;
    u.groupsTop = u.fieldTop + float(layoutRowCount) * u.cellHeight + 120 + 2 * u.gap;
    u.paletteTop = u.groupsTop + pitch + u.gap;
    u.linesTop = u.paletteTop + float(rows) * pitch;
    u.buttonsTop = u.linesTop + 3 * u.lineHeight + u.gap;
    const float used = u.buttonsTop + 2 * pitch + 60;
    // The height the picture's shape gives; what it has to spare goes above the buttons, so
    // that they are at the bottom, under the thumb.
    u.height = std::max(used, float(double(u.width) * pixelsHigh / pixelsWide));
    u.buttonsTop += u.height - used;
  }
  if (u == tall) return;
  tall = u;
  place();
}

Color EditorScreen::backColor() const { return RGB(240, 240, 240); }

std::string EditorScreen::summary() const {
  const LayoutCounts c = editor.counts();
  return "Layout " + std::to_string(editor.current() + 1) + " of " + std::to_string(editor.count()) + ": " +
         std::to_string(c.laid) + (c.laid == 1 ? " brick, " : " bricks, ") + std::to_string(c.toClear) + " to clear";
}

std::string EditorScreen::spoken() const {
  return summary() + ". Chosen: code " + std::to_string(editor.chosen) + ", " + hitMeaning(editor.chosen) + ".";
}

void EditorScreen::visitControls(ControlVisitor& v) const {
  // The field as the game draws it, from a game laid out on the layout.
  const GameFields& game = editor.field().fields();
  if (tall.on) {  // the game's frame, field and bricks, each row taller
    const float fieldHeight = float(layoutRowCount) * tall.cellHeight;
    Label edge = game.Label5;
    edge.Top = tall.fieldTop - 120, edge.Height = fieldHeight + 240;
    v.label(edge);
    Shape board = game.board;
    board.Top = tall.fieldTop, board.Height = fieldHeight;
    v.shape(board);
    for (int y = 0; y < layoutRowCount; ++y)
      for (int x = 0; x < Editor::columns; ++x) {
        Label b = brickOf(editor.field(), x, y);
        cellBox(x, y, b.Left, b.Top, b.Width, b.Height);
        v.label(b);
      }
  } else {
    v.label(game.Label5);
    v.shape(game.board);
    game.brick.forEach([&](int, const Label& b) { v.label(b); });
  }
  float left = 0, top = 0, w = 0, h = 0;
  cellBox(editor.cursorX, editor.cursorY, left, top, w, h);
  frame(v, left, top, w, h, RGB(0, 0, 0), cursorAt);

  lines[0].Caption = summary() + (editor.changed() ? "  (unsaved)" : "");
  lines[1].Caption = "Chosen: code " + std::to_string(editor.chosen);
  lines[2].Caption = hitMeaning(editor.chosen);
  lines[3].Caption = editor.counts().toClear == 0 ? "Nothing to clear: it can never be cleared" : "";
  lines[4].Caption = message;
  if (tall.on && !message.empty()) lines[3].Caption.clear();  // upright, the status takes its line
  for (int i = 0; i < (tall.on ? 5 : 7); ++i) v.label(lines[i]);
  for (int i = 0; i < int(EditorButton::Count); ++i) {
    Button b;
    if (!buttonBox(EditorButton(i), b.Left, b.Top, b.Width, b.Height)) continue;
    b.Caption = tall.on ? buttonWords[i].upright : buttonWords[i].caption;
    b.BackColor = i - sideButtons == group ? RGB(255, 255, 255) : RGB(224, 224, 224);
    b.font = tall.on ? Font{"Arial", tall.points, 700, 0} : small;
    b.z = buttonsAt + i;
    v.button(buttonWords[i].name, b);
  }
  // The palette: each code as the game draws its brick, under its section's heading (side by
  // side), or those of the group chosen (upright).
  if (!tall.on) {
    Label l;
    words(l, 0, 0, swatchPitch * swatchColumns, headingHeight, small);
    for (int n = 0; n < 4; ++n) {
      placed(-n - 1, l.Left, l.Top);
      l.Caption = sections[n].heading;
      l.z = headingsAt + n;
      v.label(l);
    }
  }
  for (int i = 0; i < places; ++i) {
    const int c = codeAt(i);
    if (!swatchBox(c, design.Left, design.Top, design.Width, design.Height)) continue;
    design.BackColor = RGB(0, 255, 0);  // an empty cell shows the field
    brickColor(c, design.BackColor);
    design.Caption = c == 0 ? "" : brickCaption(c);
    design.z = swatchesAt + i;
    v.label(design);
    if (c == editor.chosen) frame(v, design.Left, design.Top, design.Width, design.Height, RGB(0, 0, 0), chosenAt);
  }
}

bool EditorScreen::buttonBox(EditorButton button, float& left, float& top, float& w, float& h) const {
  const int i = int(button);
  if (i < 0 || i >= int(EditorButton::Count)) return false;
  if (!tall.on) {  // two rows of six above the field
    left = 120 + float(i % 6) * 1393, top = 520 + float(i / 6) * 460, w = 1330, h = 400;
    return i < sideButtons;
  }
  const int across = i < sideButtons ? 6 : groupCount, at = i < sideButtons ? i : i - sideButtons;
  const float pitch = (fieldWidth + tall.gap) / float(across);
  left = fieldLeft + float(at % across) * pitch, w = pitch - tall.gap, h = tall.target;
  // The first row (Try it, Save, Undo) lowest, nearest the thumb; the groups over the palette.
  top = i < sideButtons ? tall.buttonsTop + float(1 - at / across) * (tall.target + tall.gap) : tall.groupsTop;
  return true;
}

bool EditorScreen::swatchBox(int code, float& left, float& top, float& w, float& h) const {
  const int place = placeOf(code);
  if (code < 0 || code > unbreakable) return false;
  if (!tall.on) {
    placed(place, left, top);
    w = swatchWidth, h = swatchHeight;
    return true;
  }
  const Group& g = groups[groupOf(place)];
  const int perRow = std::min(g.perRow ? g.perRow : tall.columns, tall.columns), at = place - g.first;
  const float pitch = (fieldWidth + tall.gap) / float(tall.columns);
  left = fieldLeft + float(at % perRow) * pitch, top = tall.paletteTop + float(at / perRow) * (tall.target + tall.gap);
  w = pitch - tall.gap, h = tall.target;
  return groupOf(place) == group;
}

void EditorScreen::cellBox(int x, int y, float& left, float& top, float& w, float& h) const {
  const Label& b = brickOf(editor.field(), x, y);
  left = b.Left, top = b.Top, w = b.Width, h = b.Height;
  if (tall.on) top = tall.fieldTop + float(y) * tall.cellHeight, h = tall.cellHeight;
}

bool EditorScreen::cellAt(float x, float y, int& cx, int& cy) const {
  float left = 0, top = 0, w = 0, h = 0, lastLeft = 0, lastTop = 0, lastW = 0, lastH = 0;
  cellBox(0, 0, left, top, w, h);
  cellBox(Editor::columns - 1, layoutRowCount - 1, lastLeft, lastTop, lastW, lastH);
  if (x < left || y < top || x >= lastLeft + lastW || y >= lastTop + lastH) return false;
  cx = std::clamp(int((x - left) / w), 0, Editor::columns - 1);
  cy = std::clamp(int((y - top) / h), 0, layoutRowCount - 1);
  return true;
}

int EditorScreen::swatchAt(float x, float y) const {
  for (int i = 0; i < places; ++i) {
    float left = 0, top = 0, w = 0, h = 0;
    if (swatchBox(codeAt(i), left, top, w, h) && x >= left && y >= top && x < left + w && y < top + h) return codeAt(i);
  }
  return -1;
}

void EditorScreen::paintAt(float x, float y) {
  int cx = 0, cy = 0;
  if (!cellAt(x, y, cx, cy)) return;
  editor.cursorX = cx, editor.cursorY = cy;
  editor.put(cx, cy, emptying ? 0 : editor.chosen);
}

void EditorScreen::pointerDown(float x, float y, bool empties) {
  warned = false;
  if (const int c = swatchAt(x, y); c >= 0) {
    editor.chosen = c;
    return;
  }
  int cx = 0, cy = 0;
  if (!cellAt(x, y, cx, cy)) return;
  dragging = true, emptying = empties;
  editor.beginStroke();
  paintAt(x, y);
}

void EditorScreen::pointerMoved(float x, float y) {
  if (dragging) paintAt(x, y);
}

void EditorScreen::pointerUp() {
  if (dragging) editor.endStroke();
  dragging = false;
}

EditorAsks EditorScreen::leave() {
  if (editor.changed() && !warned) {
    warned = true;
    message = "Unsaved changes: Esc again leaves, S saves";
    return EditorAsks::Nothing;
  }
  return EditorAsks::Leave;
}

void EditorScreen::changedOnDisk() {
  asking = true;
  message = "The file changed since it was read: Ctrl+S saves over it, N saves beside it, Esc goes back";
}

EditorAsks EditorScreen::click(std::string_view button) {
  int i = 0;
  while (i < int(EditorButton::Count) && buttonWords[i].name != button) ++i;
  return press(EditorButton(i));
}

EditorAsks EditorScreen::press(EditorButton button) {
  using enum EditorButton;
  warned = false;
  if (std::exchange(asking, false) && button == Save) return message.clear(), EditorAsks::SaveOver;
  message.clear();
  Editor& e = editor;
  switch (button) {
    case Try: return EditorAsks::Try;
    case Save: return EditorAsks::Save;
    case Undo: if (!e.undo()) message = "Nothing to undo"; break;
    case Redo: if (!e.redo()) message = "Nothing to redo"; break;
    case Add:
    case Duplicate: if (!(button == Add ? e.add() : e.duplicate())) message = "The set is full: " + std::to_string(mostLayouts) + " layouts"; break;
    case Delete: e.remove(); break;
    case Previous: e.go(e.current() - 1); break;
    case Next: e.go(e.current() + 1); break;
    case Earlier: e.move(-1); break;
    case Later: e.move(+1); break;
    case Leave: return leave();
    case EmptyCodes:
    case OneHitCodes:
    case FewHitsCodes:
    case ManyHitsCodes:
    case SpecialCodes: group = int(button) - sideButtons; break;
    default: break;
  }
  return EditorAsks::Nothing;
}

EditorAsks EditorScreen::keyDown(int16_t key) {
  if (key == keys::Control) return control = true, EditorAsks::Nothing;
  if (asking) {  // the file changed on disk: Ctrl+S saves over it, N beside it, Esc goes back
    const bool over = control && key == keys::S, beside = !control && key == keys::N;
    if (!over && !beside && key != keys::Escape) return EditorAsks::Nothing;
    asking = false;
    message = over || beside ? "" : "Not saved";
    return over ? EditorAsks::SaveOver : beside ? EditorAsks::SaveBeside : EditorAsks::Nothing;
  }
  if (key == keys::Escape) return leave();
  const bool wasWarned = std::exchange(warned, false);
  if (wasWarned && key == keys::S) return EditorAsks::Save;
  if (control) {
    if (key == keys::Z) return press(EditorButton::Undo);
    if (key == keys::Y) return press(EditorButton::Redo);
    if (key == keys::S) return EditorAsks::Save;
    return EditorAsks::Nothing;
  }
  Editor& e = editor;
  const int digit = key - keys::Digit0;
  if (digit >= 0 && digit <= 9) {
    if (typed < 0) return typed = digit, EditorAsks::Nothing;
    e.chosen = typed * 10 + digit;
    group = groupOf(placeOf(e.chosen));
    typed = -1;
    return EditorAsks::Nothing;
  }
  typed = -1;
  switch (key) {
    case keys::Left: e.cursorX = std::max(0, e.cursorX - 1); break;
    case keys::Right: e.cursorX = std::min(Editor::columns - 1, e.cursorX + 1); break;
    case keys::Up: e.cursorY = std::max(0, e.cursorY - 1); break;
    case keys::Down: e.cursorY = std::min(layoutRowCount - 1, e.cursorY + 1); break;
    case keys::Space:
    case keys::Backspace:
    case keys::Delete:
      e.beginStroke();
      e.put(e.cursorX, e.cursorY, key == keys::Space ? e.chosen : 0);
      e.endStroke();
      break;
    case keys::Tab:
      e.chosen = codeAt((placeOf(e.chosen) + 1) % places);
      group = groupOf(placeOf(e.chosen));
      break;
    case keys::Enter:
    case keys::T: return EditorAsks::Try;
    case keys::A: return press(EditorButton::Add);
    case keys::D: return press(EditorButton::Duplicate);
    case keys::F1: e.go(e.current() + 1); break;
    case keys::F2: e.go(e.current() - 1); break;
    default: break;
  }
  return EditorAsks::Nothing;
}

void EditorScreen::keyUp(int16_t key) {
  if (key == keys::Control) control = false;
}

}  // namespace zorvane
