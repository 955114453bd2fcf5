// The layout editor's model: a set of layouts of the player's own (1 to mostLayouts), the one being
// edited, a cursor on its cells, the palette's chosen code, and undo and redo. It knows no
// screen and no file: the picture is editor/screen.h, saving is the host's.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "levels/layouts.h"

namespace zorvane {

class Form1;

// What the game will count on a layout when it lays it out.
struct LayoutCounts {
  int laid = 0;      // bricks shown
  int toClear = 0;   // bricks the game counts down to the next layout; 0: it can never be cleared
};

class Editor {
 public:
  static constexpr int columns = gridColumns; // cells of a row
  static constexpr size_t mostSteps = 200;    // undo steps kept

  // None: one empty layout. `fileText`: the file they were read from, whose other lines
  // (comments, blank lines) are kept: the file's head at the head (up to its last blank line
  // before the first layout), each other line above the layout it stood above, travelling
  // with it, and those after the last layout at the end.
  explicit Editor(const Layouts& layouts = {}, std::string_view fileText = {});

  Layouts layouts() const;                    // every layout, in order
  LayoutRows layout(int i) const;             // layout i, from 0
  int current() const { return at; }          // the layout edited, from 0
  int count() const { return int(set.size() / cells); }
  int code(int x, int y) const;               // the code of cell x (0..19) of row y (0..9) of the current layout
  LayoutCounts counts() const;                // of the current layout, as the game counts it
  const Form1& field() const;                 // a game laid out on the current layout: its bricks and counts
  std::string text() const;                   // the layout file: a comment, the head, each layout's lines, the end

  // Painting: a stroke (a click, a drag, a key) is one undo step, however many cells it paints.
  void beginStroke() { stroke = false; }
  void put(int x, int y, int code);           // outside the grid: nothing
  void endStroke() { stroke = false; }

  // The set: each change is one undo step; the current layout follows what was done.
  bool add();                                 // an empty layout after the current one; false: the set is full
  bool duplicate();                           // a copy after the current one; false: full
  void remove();                              // the current one goes (the last one left is emptied instead)
  bool move(int by);                          // the current one moves earlier (-1) or later (+1); false: at an end
  void go(int to);                            // another layout is edited (not a step)

  bool undo();                                // false: nothing to undo
  bool redo();
  size_t undoDepth() const { return undone.size(); }
  size_t redoDepth() const { return redone.size(); }

  bool changed() const { return version != savedVersion; }  // since the last save (or the load)
  void saved() { savedVersion = version; }
  void unsaved() { savedVersion = -1; }       // the layouts are in no file (brought back after a reload)

  // The cursor and the palette.
  int cursorX = 0, cursorY = 0;               // a cell of the current layout
  int chosen = 1;                             // the code Space, a click or a drag paints

 private:
  static constexpr size_t cells = layoutRowCount * layoutRowDigits;  // digits of one layout

  struct Step {
    std::string set;
    std::vector<std::string> notes;
    int at = 0;
    int64_t version = 0;
  };
  void step();                                // the state before a change becomes an undo step
  bool restore(std::vector<Step>& from, std::vector<Step>& to);  // undo or redo: false when `from` is empty

  std::string set;                            // every layout's rows, one after another
  std::vector<std::string> notes;             // each layout's lines above it (whole lines, "" for none)
  std::string head, tail;                     // the file's lines at its head and after its last layout
  int at = 0;
  bool stroke = false;                        // the stroke under way has made its undo step
  std::vector<Step> undone, redone;
  int64_t version = 0, lastVersion = 0;       // each state made gets a number of its own
  int64_t savedVersion = 0;
  mutable std::shared_ptr<Form1> laidOut;     // field(), for `laidFor`
  mutable int64_t laidFor = -1;
  mutable int laidAt = -1;
  mutable LayoutCounts counted;               // of the layout laid out
};

}  // namespace zorvane
