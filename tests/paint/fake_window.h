// A small window of our own for drawing tests: its objects are plain vectors that a test
// fills and changes at will.
#pragma once
#include <string>
#include <vector>

#include "platform/contract.h"

namespace zorvane::testing {

class FakeWindow : public Window {
 public:
  std::vector<Shape> shapes;
  std::vector<Label> labels;
  std::vector<std::pair<std::string, Button>> buttons;
  Timer timers[3];
  int ticks[3] = {0, 0, 0};
  float width = 1500, height = 1200;  // 100 × 80 pixels at scale 1
  Color back = RGB(0, 255, 0);

  void visitControls(ControlVisitor& v) const override {
    for (const Shape& s : shapes) v.shape(s);
    for (const Label& l : labels) v.label(l);
    for (const auto& [name, b] : buttons) v.button(name, b);
  }
  std::string_view title() const override { return "fake"; }
  float clientWidth() const override { return width; }
  float clientHeight() const override { return height; }
  Color backColor() const override { return back; }

  // A shape, label or button at a box given in pixels at scale 1.
  static Shape shapeAt(ShapeKind kind, int x, int y, int w, int h, Color fill, int64_t z) {
    Shape s;
    s.kind = kind;
    s.Left = float(x * 15), s.Top = float(y * 15), s.Width = float(w * 15), s.Height = float(h * 15);
    s.BackColor = fill;
    s.z = z;
    return s;
  }
  static Label labelAt(int x, int y, int w, int h, std::string caption, int64_t z) {
    Label l;
    l.Left = float(x * 15), l.Top = float(y * 15), l.Width = float(w * 15), l.Height = float(h * 15);
    l.Caption = std::move(caption);
    l.font = Font{"Arial", 9, 700, 0};
    l.z = z;
    return l;
  }
  static Button buttonAt(int x, int y, int w, int h, Color face, int64_t z) {
    Button b;
    b.Left = float(x * 15), b.Top = float(y * 15), b.Width = float(w * 15), b.Height = float(h * 15);
    b.BackColor = face;
    b.Caption = "Go";
    b.font = Font{"Arial", 9, 700, 0};
    b.z = z;
    return b;
  }

 protected:
  void buildControls() override {
    for (int i = 0; i < 3; ++i) timers[i] = Timer(i == 2 ? 50 : 25);
  }
  void destroyControls() override {}
  void Form_Load() override {}
  void Form_KeyDown(int16_t, int16_t) override {}
  void Form_KeyUp(int16_t, int16_t) override {}
  bool clickButton(std::string_view) override { return false; }
  void tick(int n) override { ++ticks[n - 1]; }
  Timer& timer(int n) override { return timers[n - 1]; }
};

}  // namespace zorvane::testing
