// The layout editor as the player sees and works it: the field as the game draws it, the
// palette of every code, the buttons and a status line, all one View the painter draws; and
// what keys, pointers and buttons do to it. Positions are window units, as in the game.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/editor.h"
#include "game/form1.h"
#include "platform/contract.h"

namespace zorvane {

// What the editor asks of whoever hosts it.
// SaveOver and SaveBeside answer a save that found the file changed by someone else: over
// it all the same, or as a new file beside it.
enum class EditorAsks { Nothing, Try, Save, SaveOver, SaveBeside, Leave };

// The editor's buttons, in their order on the screen (two rows of six); then, on a picture
// taller than wide, the palette's groups, one shown at a time.
enum class EditorButton {
  Try, Save, Undo, Redo, Add, Duplicate, Delete, Previous, Next, Earlier, Later, Leave,
  EmptyCodes, OneHitCodes, FewHitsCodes, ManyHitsCodes, SpecialCodes, Count
};

class EditorScreen : public View {
 public:
  static constexpr float paletteWidth = 4320;           // beside the game's picture
  static constexpr float width = Form1::designWidth + paletteWidth, height = Form1::designHeight;

  // name: the file's, as a title shows it; fileText: the file as read, its comments kept.
  EditorScreen(const Layouts& layouts, std::string name, std::string_view fileText = {});

  Editor editor;
  std::string message;                                  // the status line: what was done, what went wrong

  // The picture it is drawn on: its size in pixels, its pixels to a CSS pixel (1 in a window),
  // and whether the pointer is a finger (its targets 44 CSS pixels, else 24). Taller than wide,
  // it is laid out upright: the field across the width, the palette under it a group at a
  // time, the buttons at the bottom; otherwise side by side, as the window opens.
  void fit(int pixelsWide, int pixelsHigh, double pixelsPerCss = 1, bool coarse = false);
  bool upright() const { return tall.on; }

  // Input. A key pressed with Control held is a command (Ctrl+Z, Ctrl+Y, Ctrl+S).
  EditorAsks keyDown(int16_t key);
  void keyUp(int16_t key);
  void pointerDown(float x, float y, bool empties);     // a cell paints (empties: the right button), a swatch chooses
  void pointerMoved(float x, float y);                  // a drag paints on
  void pointerUp();
  EditorAsks click(std::string_view button);            // one of its buttons, by name
  EditorAsks leave();                                   // Esc or closing: Leave, or a warning first when unsaved
  void changedOnDisk();                                 // a save found the file changed: ask Ctrl+S, N or Esc
  void savedAs(std::string name) { fileName = std::move(name); }  // saved to another file, which later saves go to

  // What a screen reads.
  void visitControls(ControlVisitor& v) const override;
  float clientWidth() const override { return tall.on ? tall.width : width; }
  float clientHeight() const override { return tall.on ? tall.height : height; }
  Color backColor() const override;
  std::string_view title() const override { return heading; }
  std::string summary() const;                          // "layout 3 of 12: 120 bricks, 118 to clear"
  std::string spoken() const;                           // the summary, the code chosen and what it does, in words
  // Where a button, a palette swatch and a cell stand, in window units; false: not shown.
  bool buttonBox(EditorButton button, float& left, float& top, float& w, float& h) const;
  bool swatchBox(int code, float& left, float& top, float& w, float& h) const;
  void cellBox(int x, int y, float& left, float& top, float& w, float& h) const;
  const std::string& name() const { return fileName; }

 private:
  // The upright layout, made by fit() for the picture's size (on: in use).
  struct Upright {
    bool on = false;
    float width = 0, height = 0;                        // the picture
    float fieldTop = 0, cellHeight = 0;                 // the field's first row, and each row
    float groupsTop = 0, paletteTop = 0, linesTop = 0, buttonsTop = 0;
    float target = 0, gap = 0, lineHeight = 0;          // a button's or swatch's height; between them; a line of words
    int columns = 8;                                    // swatches to a row
    float points = 0;                                   // of the words and the buttons, bold Arial
    bool operator==(const Upright&) const = default;
  };
  void place();                                         // the words where the layout puts them
  bool cellAt(float x, float y, int& cx, int& cy) const;
  int swatchAt(float x, float y) const;                 // a code, or -1
  EditorAsks press(EditorButton button);
  void paintAt(float x, float y);

  std::string fileName, heading;
  mutable Label design;                                 // a swatch of the palette, placed and coloured at each visit
  mutable Label lines[7];                               // the words, their captions made afresh at each visit
  bool control = false;                                 // Control is held
  bool warned = false;                                  // leaving was asked once with unsaved changes
  bool asking = false;                                  // the file changed on disk: the next key answers
  int typed = -1;                                       // the first digit of a code typed, or -1
  bool dragging = false, emptying = false;
  Upright tall;
  int group = 1;                                        // the palette's group shown when upright
};

}  // namespace zorvane
