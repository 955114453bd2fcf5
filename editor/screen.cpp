#include "editor/screen.h"

#include <algorithm>
#include <utility>

#include "game/form1.h"
#include "platform/keys.h"

namespace zorvane {
namespace {

constexpr int16_t deleteKey = 46;   // the window hands the editor Delete as this
constexpr float panelLeft = 8700;   // the palette, right of the game's picture
constexpr float swatchPitch = 450, swatchWidth = 420, rowPitch = 300, swatchHeight = 270;
constexpr int swatchColumns = 9;
constexpr float headingHeight = 260;
constexpr int64_t front = 1000000;  // stacking keys of the editor's own objects, in front of the field's

const Font small{"Arial", 8, 700, 0};
const Font plain{"Arial", 9, 700, 0};

// The palette's sections: a heading and its codes.
struct Section {
  const char* heading;
  std::vector<int> codes;
  size_t perRow = 9;
};

const std::vector<Section>& sections() {
  static const std::vector<Section> all = [] {
    std::vector<Section> s{{"Empty and unbreakable", {0, 99}}, {"One hit", {}}, {"More hits: 2 to 8, by colour", {}, 7},
                           {"Special: \"?\" does something when hit", {}}};
    for (int c = 1; c <= 27; ++c) s[1].codes.push_back(c);
    for (int hits = 2; hits <= 8; ++hits)
      for (int colour = 0; colour < 7; ++colour) s[2].codes.push_back(7 * (hits + 2) + colour);
    for (int c = 77; c <= 98; ++c) s[3].codes.push_back(c);
    return s;
  }();
  return all;
}

Label text(float left, float top, float w, float h, std::string caption, const Font& font, int64_t z) {
  Label l;
  l.Move(left, top);
  l.Width = w, l.Height = h;
  l.Caption = std::move(caption);
  l.font = font;
  l.transparent = true;
  l.z = z;
  return l;
}

// A frame of four thin bars around a box, in front of it.
void frame(ControlVisitor& v, float left, float top, float w, float h, Color color, int64_t z) {
  constexpr float t = 30;
  Shape bar;
  bar.BackColor = color;
  bar.outlinePixels = 0;
  bar.z = z;
  const float boxes[4][4] = {{left - t, top - t, w + 2 * t, t}, {left - t, top + h, w + 2 * t, t},
                             {left - t, top, t, h}, {left + w, top, t, h}};
  for (const auto& b : boxes) {
    bar.Left = b[0], bar.Top = b[1], bar.Width = b[2], bar.Height = b[3];
    v.shape(bar);
  }
}

// The buttons, two rows of six above the field: name, caption.
constexpr std::pair<std::string_view, const char*> buttonRows[2][6] = {
    {{"try", "Try it (T)"}, {"save", "Save (Ctrl+S)"}, {"undo", "Undo (Ctrl+Z)"}, {"redo", "Redo (Ctrl+Y)"},
     {"add", "Add (A)"}, {"duplicate", "Duplicate (D)"}},
    {{"delete", "Delete layout"}, {"previous", "< Layout (F2)"}, {"next", "Layout > (F1)"}, {"earlier", "Move earlier"},
     {"later", "Move later"}, {"leave", "Leave (Esc)"}},
};

// The brick label of cell x, y of a layout in a game laid out on it.
const Label& brickOf(const Form1& form, int x, int y) { return form.fields().brick((y + 2) * Editor::columns + x + 1); }

}  // namespace

const std::vector<int>& EditorScreen::paletteCodes() {
  static const std::vector<int> codes = [] {
    std::vector<int> all;
    for (const Section& s : sections()) all.insert(all.end(), s.codes.begin(), s.codes.end());
    return all;
  }();
  return codes;
}

EditorScreen::EditorScreen(Layouts layouts, std::string name)
    : editor(std::move(layouts)), fileName(std::move(name)), heading(std::string(Form1::Caption) + " \u2014 making layouts") {
  // The palette: each code as the game draws its brick, section by section.
  const Label& design = brickOf(editor.field(), 0, 0);
  float y = 60;
  for (const Section& s : sections()) {
    headings.push_back(text(panelLeft, y, swatchPitch * swatchColumns, headingHeight, s.heading, small, front));
    y += headingHeight;
    for (size_t i = 0; i < s.codes.size(); ++i) {
      Label b = design;
      b.Move(panelLeft + float(i % s.perRow) * swatchPitch, y + float(i / s.perRow) * rowPitch);
      b.Width = swatchWidth, b.Height = swatchHeight;
      b.Visible = true;
      b.z = front;
      const int c = s.codes[i];
      Color color = RGB(0, 255, 0);  // an empty cell shows the field
      brickColor(c, color);
      b.BackColor = color;
      b.Caption = c == 0 ? "" : brickCaption(c);
      swatches.push_back(b);
    }
    y += float((s.codes.size() + s.perRow - 1) / s.perRow) * rowPitch;
  }
}

Color EditorScreen::backColor() const { return RGB(240, 240, 240); }

std::string EditorScreen::summary() const {
  const LayoutCounts c = editor.counts();
  return "Layout " + std::to_string(editor.current() + 1) + " of " + std::to_string(editor.count()) + ": " +
         std::to_string(c.laid) + " bricks, " + std::to_string(c.toClear) + " to clear";
}

void EditorScreen::visitControls(ControlVisitor& v) const {
  // The field as the game draws it, from a game laid out on the layout.
  const GameFields& game = editor.field().fields();
  v.label(game.Label5);
  v.shape(game.board);
  game.brick.forEach([&](int, const Label& b) { v.label(b); });

  const LayoutCounts counts = editor.counts();
  v.label(text(120, 60, 8295, 420, summary() + (editor.changed() ? "  (unsaved)" : ""), Font{"Arial", 12, 700, 0}, front));
  for (int row = 0; row < 2; ++row)
    for (int i = 0; i < 6; ++i) {
      Button b;
      b.Move(120 + float(i) * 1393, 520 + float(row) * 460);
      b.Width = 1330, b.Height = 400;
      b.Caption = buttonRows[row][i].second;
      b.BackColor = RGB(224, 224, 224);
      b.font = small;
      b.z = front;
      v.button(buttonRows[row][i].first, b);
    }
  const Label& cursor = brickOf(editor.field(), editor.cursorX, editor.cursorY);
  frame(v, cursor.Left, cursor.Top, cursor.Width, cursor.Height, RGB(0, 0, 0), front + 1);

  for (const Label& h : headings) v.label(h);
  const std::vector<int>& codes = paletteCodes();
  for (size_t i = 0; i < swatches.size(); ++i) {
    v.label(swatches[i]);
    if (codes[i] == editor.chosen) {
      const Label& s = swatches[i];
      frame(v, s.Left, s.Top, s.Width, s.Height, RGB(0, 0, 0), front + 1);
    }
  }
  float y = swatches.back().Top + rowPitch + 60;
  v.label(text(panelLeft, y, 4050, 300, "Chosen: code " + std::to_string(editor.chosen), plain, front));
  v.label(text(panelLeft, y += 300, 4050, 260, hitMeaning(editor.chosen), small, front));
  Label mark = text(panelLeft, y += 300, 4050, 260, counts.toClear == 0 ? "Nothing to clear: it can never be cleared" : "",
                    plain, front);
  mark.ForeColor = RGB(192, 0, 0), mark.hasForeColor = true;
  v.label(mark);
  v.label(text(panelLeft, y += 300, 4050, 260, message, small, front));
  v.label(text(panelLeft, y += 300, 4050, 260, "Arrows, Space, Delete; Tab or two digits choose", small, front));
  v.label(text(panelLeft, y += 260, 4050, 260, "Right button empties; a drag paints on", small, front));
}

bool EditorScreen::cellAt(float x, float y, int& cx, int& cy) const {
  const Form1& form = editor.field();
  const Label& first = brickOf(form, 0, 0);
  const Label& last = brickOf(form, Editor::columns - 1, layoutRowCount - 1);
  if (x < first.Left || y < first.Top || x >= last.Left + last.Width || y >= last.Top + last.Height) return false;
  cx = std::clamp(int((x - first.Left) / first.Width), 0, Editor::columns - 1);
  cy = std::clamp(int((y - first.Top) / first.Height), 0, layoutRowCount - 1);
  return true;
}

int EditorScreen::swatchAt(float x, float y) const {
  for (size_t i = 0; i < swatches.size(); ++i) {
    const Label& s = swatches[i];
    if (x >= s.Left && y >= s.Top && x < s.Left + s.Width && y < s.Top + s.Height) return paletteCodes()[i];
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

EditorAsks EditorScreen::click(std::string_view button) {
  warned = false;
  message.clear();
  Editor& e = editor;
  if (button == "try") return EditorAsks::Try;
  if (button == "save") return EditorAsks::Save;
  if (button == "leave") return leave();
  if (button == "undo" && !e.undo()) message = "Nothing to undo";
  if (button == "redo" && !e.redo()) message = "Nothing to redo";
  if ((button == "add" && !e.add()) || (button == "duplicate" && !e.duplicate()))
    message = "The set is full: " + std::to_string(mostLayouts) + " layouts";
  if (button == "delete") e.remove();
  if (button == "previous") e.go(e.current() - 1);
  if (button == "next") e.go(e.current() + 1);
  if (button == "earlier") e.move(-1);
  if (button == "later") e.move(+1);
  return EditorAsks::Nothing;
}

EditorAsks EditorScreen::keyDown(int16_t key) {
  if (key == keys::Control) return control = true, EditorAsks::Nothing;
  if (key == keys::Escape) return leave();
  const bool wasWarned = std::exchange(warned, false);
  if (wasWarned && key == keys::A + ('S' - 'A')) return EditorAsks::Save;
  if (control) {
    if (key == keys::A + ('Z' - 'A')) return click("undo");
    if (key == keys::A + ('Y' - 'A')) return click("redo");
    if (key == keys::A + ('S' - 'A')) return EditorAsks::Save;
    return EditorAsks::Nothing;
  }
  Editor& e = editor;
  const int digit = key - keys::Digit0;
  if (digit >= 0 && digit <= 9) {
    if (typed < 0) return typed = digit, EditorAsks::Nothing;
    e.chosen = typed * 10 + digit;
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
    case deleteKey:
      e.beginStroke();
      e.put(e.cursorX, e.cursorY, key == keys::Space ? e.chosen : 0);
      e.endStroke();
      break;
    case keys::Tab: {
      const std::vector<int>& codes = paletteCodes();
      const auto at = std::find(codes.begin(), codes.end(), e.chosen);
      e.chosen = at == codes.end() || at + 1 == codes.end() ? codes.front() : *(at + 1);
      break;
    }
    case keys::Enter:
    case keys::A + ('T' - 'A'): return EditorAsks::Try;
    case keys::A: return click("add");
    case keys::A + ('D' - 'A'): return click("duplicate");
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
