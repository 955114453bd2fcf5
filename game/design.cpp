// The window as designed: every display object with its place, look and stacking.
#include "game/form1.h"

namespace zorvane {
namespace {

// Stacking keys follow the design table, frontmost first: object n of 27 gets key 28 - n.
int64_t key(int n) { return 28 - n; }

Shape shape(ShapeKind kind, float l, float t, float w, float h, Color fill, int n) {
  Shape x;
  x.kind = kind;
  x.Left = l, x.Top = t, x.Width = w, x.Height = h;
  x.BackColor = fill;
  x.z = key(n);
  return x;
}

Label label(float l, float t, float w, float h, const char* caption, Font font, int n) {
  Label x;
  x.Left = l, x.Top = t, x.Width = w, x.Height = h;
  x.Caption = caption;
  x.font = font;
  x.z = key(n);
  return x;
}

Label counter(float l, float t, float w, float h, const char* caption, int n) {
  Label x = label(l, t, w, h, caption, Font{"Arial", 19.5f, 700, 0}, n);
  x.ForeColor = RGB(255, 0, 0);
  x.hasForeColor = true;
  x.alignment = Alignment::Right;
  x.transparent = true;
  return x;
}

Label panel(float l, float t, float w, float h, const char* caption, int n) {
  Label x = label(l, t, w, h, caption, Font{"Impact", 21.75f, 700, 0}, n);
  x.border = true;
  return x;
}

Button button(float l, float t, float w, float h, const char* caption, Color face, Font font, int n) {
  Button x;
  x.z = key(n);
  x.Left = l, x.Top = t, x.Width = w, x.Height = h;
  x.Caption = caption;
  x.BackColor = face;
  x.font = font;
  x.Visible = false;
  return x;
}

}  // namespace

void Form1::buildControls() {
  Controls& c = *this;
  c = Controls{};

  c.pause = button(3360, 2880, 2415, 1455, "Pause", RGB(0, 255, 255), Font{"MS Song", 24, 700, 134}, 1);
  c.gameover = button(3360, 2640, 2415, 1935, "Game Over", RGB(255, 0, 255),
                      Font{"Lucida Handwriting", 27.75f, 700, 0}, 2);
  c.Timer1 = Timer(25);
  c.Timer2 = Timer(25);
  c.Timer3 = Timer(50);
  c.nextlevel = button(2760, 4800, 3495, 975, "Level: 1", RGB(255, 128, 0),
                       Font{"Times New Roman", 27.75f, 700, 0}, 6);
  c.ball = shape(ShapeKind::Circle, 960, 5520, 255, 255, RGB(0, 0, 255), 7);
  c.paddle = shape(ShapeKind::RoundedRectangle, 3240, 6120, 1935, 255, RGB(255, 255, 0), 8);

  Shape marker = shape(ShapeKind::RoundedRectangle, 0, 0, 1215, 135, RGB(255, 0, 0), 0);
  marker.outlinePixels = 2;
  c.life = ControlArray<Shape>(1, 6, marker);
  const struct { int index, n; float left, top; bool shown; } markers[] = {
      {3, 9, 4080, 840, true},   {1, 10, 1440, 840, true},  {2, 11, 2760, 840, true},
      {4, 17, 1440, 1080, false}, {5, 18, 2760, 1080, false}, {6, 19, 4080, 1080, false}};
  for (const auto& m : markers) {
    Shape& l = c.life(m.index);
    l.Move(m.left, m.top);
    l.z = key(m.n);
    l.Visible = m.shown;
  }

  c.showscore = counter(1200, 120, 1695, 495, "000000", 12);
  c.highscore = counter(6720, 120, 1695, 495, "000000", 13);
  c.logo = label(3480, 120, 1770, 420, "ZORVANE", Font{"Times New Roman", 18, 400, 0}, 14);
  c.logo.ForeColor = RGB(0, 0, 0);
  c.logo.hasForeColor = true;
  c.logo.transparent = true;
  c.logoball = ControlArray<Shape>(0, 0, shape(ShapeKind::Circle, 960, 4800, 255, 255, RGB(255, 255, 255), 15));
  c.numbricks = counter(6960, 840, 1080, 390, "0000", 16);
  c.Label2 = panel(360, 720, 5055, 615, " Lives", 20);
  c.Label3 = panel(0, 0, 3015, 615, "  Score", 21);
  c.Label3.ForeColor = RGB(0, 0, 64);
  c.Label3.hasForeColor = true;
  c.logobox = shape(ShapeKind::RoundedRectangle, 3120, 0, 2535, 615, RGB(255, 0, 0), 22);
  c.Label7 = panel(5760, 0, 2775, 615, " High", 23);
  c.Label7.ForeColor = RGB(0, 0, 64);
  c.Label7.hasForeColor = true;
  c.Label4 = panel(5640, 720, 2535, 615, " Bricks", 24);

  Label brick0 = label(360, 1800, 1935, 855, "4", Font{"Arial", 7.5f, 700, 0}, 25);
  brick0.BackColor = RGB(255, 255, 255);
  brick0.hasBackColor = true;
  brick0.alignment = Alignment::Center;
  brick0.border = true;
  brick0.Visible = false;
  c.brick = ControlArray<Label>(0, 0, brick0);
  c.brick.reserve(gridCells + 1);

  c.board = shape(ShapeKind::Rectangle, 120, 1560, 8295, 5655, RGB(0, 255, 0), 26);
  c.Label5 = label(0, 1440, 8535, 5895, "", Font{}, 27);
  c.Label5.border = true;

  stacking.top = key(1);
}

void Form1::destroyControls() {
  static_cast<Controls&>(*this) = Controls{};
}

Color Form1::backColor() const { return RGB(0, 255, 0); }

Timer& Form1::timer(int number) {
  switch (number) {
    case 1: return Timer1;
    case 2: return Timer2;
    default: return Timer3;
  }
}

void Form1::tick(int number) {
  switch (number) {
    case 1: Timer1_Timer(); break;
    case 2: Timer2_Timer(); break;
    case 3: Timer3_Timer(); break;
  }
}

bool Form1::clickButton(std::string_view name) {
  if (name == buttons::pause && pause.Visible) return pause_Click(), true;
  if (name == buttons::gameover && gameover.Visible) return gameover_Click(), true;
  if (name == buttons::nextlevel && nextlevel.Visible) return nextlevel_Click(), true;
  return false;
}

void Form1::visitControls(ControlVisitor& v) const {
  if (!loaded()) return;
  for (const Shape* s : {&ball, &paddle, &logobox, &board}) v.shape(*s);
  life.forEach([&](int, const Shape& s) { v.shape(s); });
  logoball.forEach([&](int, const Shape& s) { v.shape(s); });
  for (const Label* l : {&showscore, &highscore, &logo, &numbricks, &Label2, &Label3, &Label7, &Label4, &Label5})
    v.label(*l);
  brick.forEach([&](int, const Label& l) { v.label(l); });
  v.button(buttons::pause, pause);
  v.button(buttons::gameover, gameover);
  v.button(buttons::nextlevel, nextlevel);
}

}  // namespace zorvane
