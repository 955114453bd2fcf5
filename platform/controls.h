// The window's display objects: filled shapes, text labels and push buttons, and control
// arrays of like objects. Positions and sizes are in window units (1/1440 inch) as floats.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/color.h"

namespace zorvane {

// Keeps the stacking order of shapes and labels: a larger key is drawn in front.
struct Stacking {
  int64_t top = 0;  // key of the frontmost object so far
};

// What every shape, label and button has.
struct Control {
  float Left = 0, Top = 0, Width = 0, Height = 0;
  bool Visible = true;
  int64_t z = 0;                // stacking key; buttons are drawn in front of everything anyway

  void Move(float x, float y) { Left = x; Top = y; }  // new position, size unchanged
};

// A font by face name, size in points, weight (700 bold, 400 normal) and character set.
struct Font {
  const char* face = "Arial";
  float points = 8.25f;
  int weight = 400;
  int charset = 0;
};

enum class ShapeKind { Rectangle, RoundedRectangle, Circle };

// A filled shape with an outline.
struct Shape : Control {
  ShapeKind kind = ShapeKind::Rectangle;
  Color BackColor = 0;
  int outlinePixels = 1;
};

enum class Alignment { Left, Right, Center };

// A text label: opaque in the standard face colour or its BackColor, or transparent.
struct Label : Control {
  std::string Caption;
  Color BackColor = 0;
  bool hasBackColor = false;    // false: the platform's standard face colour
  Color ForeColor = 0;
  bool hasForeColor = false;    // false: the platform's standard text colour
  bool transparent = false;
  bool border = false;          // single-line border
  Alignment alignment = Alignment::Left;
  Font font;
};

// A push button; buttons always stand in front of shapes and labels.
struct Button : Control {
  std::string Caption;
  Color BackColor = 0;
  Font font;
};

// Members of a control array addressed by Index; Load adds a copy of member 0.
template <class T>
class ControlArray {
 public:
  ControlArray() = default;
  ControlArray(int lowest, int highest, const T& design) {
    for (int i = lowest; i <= highest; ++i) put(i, design);
  }

  T& operator()(int i) { return Item(i); }
  const T& operator()(int i) const { return Item(i); }
  T& Item(int i) { return members[check(i)]; }
  const T& Item(int i) const { return members[check(i)]; }
  bool exists(int i) const { return i >= 0 && i < static_cast<int>(present.size()) && present[i]; }
  int upperBound() const { return static_cast<int>(present.size()) - 1; }  // highest possible index

  // Adds member i as a hidden copy of member 0; the window puts it in front (Window::Load).
  void Load(int i) {
    if (i < 0 || exists(i) || !exists(0)) fail("Load", i);
    T copy = members[0];
    copy.Visible = false;
    put(i, copy);
  }

  void reserve(int count) {
    members.reserve(count);
    present.reserve(count);
  }

  template <class F>
  void forEach(F&& f) const {
    for (size_t i = 0; i < members.size(); ++i)
      if (present[i]) f(static_cast<int>(i), members[i]);
  }

 private:
  void put(int i, const T& value) {
    if (i >= static_cast<int>(members.size())) {
      members.resize(i + 1);
      present.resize(i + 1, false);
    }
    members[i] = value;
    present[i] = true;
  }
  int check(int i) const {
    if (!exists(i)) fail("member", i);
    return i;
  }
  [[noreturn]] static void fail(const char* what, int i) {
    std::fprintf(stderr, "control array: no valid %s %d\n", what, i);
    std::abort();
  }

  std::vector<T> members;
  std::vector<bool> present;
};

}  // namespace zorvane
