// The look of the window's objects: stacking, colours, outlines, extreme sizes, buttons,
// and repainting only what changed.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iterator>
#include <limits>

#include "paint/painter.h"
#include "tests/paint/fake_window.h"

namespace zorvane::paint {
namespace {

using testing::FakeWindow;

constexpr uint32_t green = 0x00ff00, black = 0x000000, red = 0xff0000, blue = 0x0000ff, face = 0xf0f0f0;

const Fonts& fonts() { return Fonts::installed(); }

// A picture of 0xRRGGBB pixels.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// An offscreen target that keeps its painter between pictures, as the window does.
struct Canvas {
  Placement placement;
  Image picture;
  Painter painter{fonts()};

  Canvas(const Window& w, double scale) : placement(placeAtScale(w, scale)) {
    picture.width = placement.targetWidth, picture.height = placement.targetHeight;
    picture.pixels.assign(size_t(picture.width) * picture.height, 0x123456);
  }
  std::vector<Rect> draw(const Window& w, std::string_view pressed = {}) {
    return painter.draw(w, placement, Target{picture.pixels.data(), picture.width, picture.height, picture.width, xrgb},
                        pressed);
  }
  uint32_t at(int x, int y) const { return picture.at(x, y); }
  const Image& image() const { return picture; }
};

Image renderPicture(const Window& w, double scale) {
  Canvas c(w, scale);
  c.draw(w);
  return c.image();
}

int differing(const Image& a, const Image& b) {
  int n = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
  return n;
}

TEST(Picture, StacksByKeyWithButtonsAlwaysInFront) {
  FakeWindow w;
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Rectangle, 10, 10, 40, 40, RGB(255, 0, 0), 5));
  Label l = FakeWindow::labelAt(30, 30, 40, 40, "", 3);  // behind the red square
  l.BackColor = RGB(0, 0, 255), l.hasBackColor = true;
  w.labels.push_back(l);
  w.buttons.push_back({"low", FakeWindow::buttonAt(60, 60, 30, 15, RGB(0, 255, 255), -100)});
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Rectangle, 55, 55, 40, 20, RGB(255, 255, 0), 1000));
  Shape hidden = FakeWindow::shapeAt(ShapeKind::Rectangle, 0, 0, 100, 80, RGB(255, 0, 255), 2000);
  hidden.Visible = false;
  w.shapes.push_back(hidden);
  w.Show();
  const Image p = renderPicture(w, 1);

  EXPECT_EQ(p.at(40, 40), red);             // higher key in front
  EXPECT_EQ(p.at(60, 40), blue);            // the label shows beside the square
  EXPECT_EQ(p.at(63, 72), 0x00ffffu);       // a button over a shape with a far larger key
  EXPECT_EQ(p.at(92, 72), 0xffff00u);       // the shape around the button
  EXPECT_EQ(p.at(5, 5), green);             // hidden objects draw nothing
}

TEST(Picture, LabelFacesBordersAndTransparency) {
  FakeWindow w;
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Rectangle, 0, 40, 100, 40, RGB(0, 0, 255), 1));
  Label plain = FakeWindow::labelAt(5, 5, 40, 20, "", 2);
  plain.border = true;
  Label see = FakeWindow::labelAt(10, 45, 80, 30, "Hello", 3);
  see.transparent = true;
  see.ForeColor = RGB(255, 0, 0), see.hasForeColor = true;
  see.font.points = 15;
  w.labels = {plain, see};
  w.Show();
  const Image p = renderPicture(w, 1);

  EXPECT_EQ(p.at(20, 15), face);   // no colour of its own: the standard face
  EXPECT_EQ(p.at(5, 15), black);   // single-line border
  EXPECT_EQ(p.at(44, 15), black);
  EXPECT_EQ(p.at(20, 24), black);
  EXPECT_EQ(p.at(6, 15), face);    // one pixel only
  int text = 0, behind = 0;
  for (int y = 45; y < 75; ++y)
    for (int x = 10; x < 90; ++x) {
      text += p.at(x, y) == red;
      behind += p.at(x, y) == blue;
    }
  EXPECT_GT(text, 30);    // the caption is drawn in its colour...
  EXPECT_GT(behind, 1000);  // ...and the shape behind shows around the letters
}

TEST(Picture, OutlinesScaleWithThePicture) {
  FakeWindow w;
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Rectangle, 10, 10, 30, 20, RGB(255, 255, 0), 1));
  Shape thick = FakeWindow::shapeAt(ShapeKind::Rectangle, 50, 10, 30, 20, RGB(255, 0, 0), 2);
  thick.outlinePixels = 2;
  w.shapes.push_back(thick);
  w.Show();
  struct Case {
    double scale;
    int x, y;  // a pixel at scale 1
    int depth; // how far the outline reaches in, in pixels at this scale
  } cases[] = {{1, 10, 20, 1}, {2, 10, 20, 2}, {1, 50, 20, 2}, {2, 50, 20, 4}, {3, 50, 20, 6}};
  for (const Case& c : cases) {
    const Image p = renderPicture(w, c.scale);
    const int x = int(c.x * c.scale), y = int(c.y * c.scale);
    for (int d = 0; d < c.depth; ++d) EXPECT_EQ(p.at(x + d, y), black) << c.scale << " " << c.x << " " << d;
    EXPECT_NE(p.at(x + c.depth, y), black) << c.scale << " " << c.x;
    EXPECT_EQ(p.at(x - 1, y), green) << c.scale << " " << c.x;
  }
}

// Sizes play can reach: special bricks make a paddle wider than any screen or shrink it to
// nothing; even a size that is not a number draws without harm to the rest of the picture.
TEST(Picture, ExtremeSizesStayInTheirBand) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float left, width, height;
    bool visible;  // something shows in the band (a circle is as wide as it is high, centred)
    bool circleVisible;
  } cases[] = {{-1e30f, 3e30f, 150, true, false},   {-3e38f, 3.4e38f, 150, true, false},
               {-3.4e38f, 3.4e38f, 150, false, false}, {300, 1e-20f, 150, true, true},
               {300, nan, 150, false, false},       {nan, 600, 150, false, false},
               {300, inf, 150, false, false},       {300, -600, 150, false, false},
               {300, 600, 1e-30f, true, true},      {-1e9f, 2e9f, 1e9f, true, true},
               {-30, 90, 150, true, true}};
  for (ShapeKind kind : {ShapeKind::Rectangle, ShapeKind::RoundedRectangle, ShapeKind::Circle}) {
    FakeWindow plain;
    Label corner = FakeWindow::labelAt(2, 2, 20, 10, "", 1);
    corner.BackColor = RGB(255, 0, 0), corner.hasBackColor = true;
    plain.labels.push_back(corner);
    plain.Show();
    const Image before = renderPicture(plain, 2);
    for (const Case& c : cases) {
      FakeWindow w;
      w.labels = plain.labels;
      Shape paddle = FakeWindow::shapeAt(kind, 0, 0, 1, 1, RGB(255, 255, 0), 2);
      paddle.Left = c.left, paddle.Width = c.width, paddle.Top = 900, paddle.Height = c.height;
      w.shapes.push_back(paddle);
      w.Show();
      const Image after = renderPicture(w, 2);
      ASSERT_EQ(after.pixels.size(), before.pixels.size());
      const bool tall = c.height > 1e8f;
      int changed = 0, outside = 0;
      for (int y = 0; y < after.height; ++y)
        for (int x = 0; x < after.width; ++x) {
          const bool inBand = y >= 116 && (tall || y < 144);  // the paddle's rows and its soft edge
          const bool differs = after.at(x, y) != before.at(x, y);
          changed += differs;
          outside += differs && !inBand;
        }
      EXPECT_EQ(outside, 0) << int(kind) << " " << c.left << " " << c.width << " " << c.height;
      EXPECT_EQ(changed > 0, kind == ShapeKind::Circle ? c.circleVisible : c.visible) << int(kind) << " " << c.left << " " << c.width << " " << c.height;
    }
  }
}

// Captions are kept as finished runs: two that differ in one respect only must not share one.
TEST(Picture, LooksThatDifferInOneRespectAreDrawnApart) {
  FakeWindow w;
  Label a = FakeWindow::labelAt(5, 5, 40, 30, "88", 1), b = FakeWindow::labelAt(50, 5, 40, 30, "88", 2);
  for (Label* l : {&a, &b}) {
    l->font.points = 15;
    l->BackColor = RGB(255, 255, 255), l->hasBackColor = true;
    l->hasForeColor = true;
  }
  a.ForeColor = RGB(255, 0, 0), b.ForeColor = RGB(0, 0, 255);
  w.labels = {a, b};
  w.buttons.push_back({"up", FakeWindow::buttonAt(5, 40, 40, 30, RGB(0, 255, 255), 3)});
  w.buttons.push_back({"down", FakeWindow::buttonAt(50, 40, 40, 30, RGB(0, 255, 255), 4)});
  w.Show();
  Canvas c(w, 1);
  c.draw(w, "down");
  auto count = [&](int x0, int y0, uint32_t rgb) {
    int n = 0;
    for (int y = y0; y < y0 + 30; ++y)
      for (int x = x0; x < x0 + 40; ++x) n += c.at(x, y) == rgb;
    return n;
  };
  EXPECT_GT(count(5, 5, red), 20);   // the same caption in its own colour each
  EXPECT_EQ(count(5, 5, blue), 0);
  EXPECT_GT(count(50, 5, blue), 20);
  EXPECT_EQ(count(50, 5, red), 0);
  EXPECT_EQ(c.at(5, 40), 0xffffffu);   // raised: a light top-left edge
  EXPECT_NE(c.at(50, 40), 0xffffffu);  // pushed in
  const std::vector<Rect> patches = c.draw(w);  // let go: the one button's patch, drawn raised
  ASSERT_EQ(patches.size(), 1u);
  EXPECT_EQ(c.at(50, 40), 0xffffffu);
}

// The window repaints only patches around what changed; the result must be the very
// picture a full repaint gives.
TEST(Picture, RepaintingChangesMatchesAFullPicture) {
  for (double scale : {1.0, 1.5}) {
  FakeWindow w;
  w.back = RGB(0, 200, 0);
  w.width = 3000, w.height = 2400;
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Rectangle, 5, 5, 190, 150, RGB(0, 255, 0), 1));
  for (int i = 0; i < 12; ++i) {
    Label brick = FakeWindow::labelAt(10 + (i % 6) * 30, 20 + (i / 6) * 15, 30, 15, std::to_string(i % 4), 10 + i);
    brick.BackColor = RGB(255, 40 * (i % 6), 0), brick.hasBackColor = true;
    brick.border = true;
    brick.alignment = Alignment::Center;
    w.labels.push_back(brick);
  }
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Circle, 50, 100, 9, 9, RGB(0, 0, 255), 5));
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::RoundedRectangle, 70, 140, 60, 8, RGB(255, 255, 0), 6));
  w.buttons.push_back({"pause", FakeWindow::buttonAt(60, 60, 80, 40, RGB(0, 255, 255), 1)});
  w.buttons[0].second.Visible = false;
  w.Show();

  {
    Canvas live(w, scale);
    live.draw(w);
    EXPECT_TRUE(live.draw(w).empty()) << "nothing changed, nothing repainted";
    // A painter bounded to a few rows a draw, drawn until it is no longer behind, ends with
    // the same picture, never painting much more than its bound at once.
    Canvas bounded(w, scale);
    bounded.painter.limit(4000);
    const auto catchUp = [&](const char* pressed) {
      int draws = 0;
      do {
        long area = 0;
        for (const Rect& r : bounded.draw(w, pressed)) area += long(r.w) * r.h;
        EXPECT_LE(area, 4000 + bounded.picture.width);
      } while (bounded.painter.behind() && ++draws < 1000);
      return draws;
    };
    EXPECT_GT(catchUp(""), 3) << "the first picture is spread over draws";
    EXPECT_EQ(differing(live.image(), bounded.image()), 0);
    Shape& ball = w.shapes[1];
    Shape& paddle = w.shapes[2];
    const std::function<void()> steps[] = {
        [&] { ball.Move(ball.Left + 97, ball.Top - 113); },
        [&] { ball.Move(ball.Left + 0.3f, ball.Top - 0.7f); },
        [&] { w.labels[3].Caption = "!"; },
        [&] { w.labels[7].Visible = false; },
        [&] { ball.Move(12 * 15, 22 * 15); },         // under a brick...
        [&] { ball.z = 100; },                         // ...and brought in front of it
        [&] { paddle.Width = 1e20f, paddle.Left = -1e19f; },
        [&] { paddle.Width = 900; },
        [&] { w.buttons[0].second.Visible = true; },
        [&] { w.labels[0].Left += 7; },
        [&] { w.buttons[0].second.Caption = "Level: 2"; },
        [&] { w.labels[4].BackColor = RGB(0, 0, 255); },  // a brick recoloured, same caption
        [&] { w.shapes[0].Move(40 * 15, 30 * 15); },      // the field uncovers the window's face...
        [&] { w.shapes[0].Visible = false; },             // ...and is gone
        [&] { w.labels[2].ForeColor = RGB(0, 0, 255), w.labels[2].hasForeColor = true; },  // text colour only
        [&] { w.labels[5].Width += 12 * 15, w.labels[5].Height += 9 * 15; },  // a label grows over its neighbours
        [&] { w.labels[6].z = 300; },                     // a brick stacked in front of the grown one
        [&] { w.labels[7].Visible = true; },              // shown again
        [&] { w.labels[8].transparent = true; },          // its face no longer drawn
        [&] { w.labels[9].font.points = 14; },            // a larger caption
        [&] { w.buttons[0].second.Width += 30 * 15; },    // a button's size
    };
    int step = 0;
    for (const auto& change : steps) {
      change();
      const std::vector<Rect> patches = live.draw(w, step == 9 ? "pause" : "");
      EXPECT_FALSE(patches.empty()) << "step " << step;
      catchUp(step == 9 ? "pause" : "");
      EXPECT_EQ(differing(live.image(), bounded.image()), 0) << "bounded, step " << step << " scale " << scale;
      const Image expected = renderPicture(w, scale);
      Image seen = live.image();
      if (step == 9) {  // the full picture does not show the button pressed: compare around it
        const Image pressed = [&] { Canvas c(w, scale); c.draw(w, "pause"); return c.image(); }();
        EXPECT_EQ(differing(pressed, seen), 0) << "step " << step << " scale " << scale;
      } else {
        EXPECT_EQ(differing(expected, seen), 0) << "step " << step << " scale " << scale;
      }
      ++step;
    }
  }
  }
}

TEST(Picture, SmallMovesRepaintSmallPatches) {
  FakeWindow w;
  w.shapes.push_back(FakeWindow::shapeAt(ShapeKind::Circle, 20, 20, 9, 9, RGB(0, 0, 255), 5));
  w.Show();
  Canvas c(w, 1);
  c.draw(w);
  w.shapes[0].Move(w.shapes[0].Left + 45, w.shapes[0].Top + 30);
  const std::vector<Rect> patches = c.draw(w);
  long area = 0;
  for (const Rect& r : patches) area += long(r.w) * r.h;
  EXPECT_GT(area, 0);
  EXPECT_LE(area, 2 * 15 * 15);
}

// At some sizes the limiting side's scale gives a picture of 900.0000000000001 pixels on
// 900: that must still be an offset of 0, not −1 with a strip of the face showing.
TEST(Placement, PictureIsCentredAndCoversTheLimitingSideAtEverySize) {
  FakeWindow w;
  w.width = 8520, w.height = 7335;
  int wrong = 0;
  for (int width = 100; width <= 2999; ++width)
    for (int height = 100; height <= 2199; ++height) {
      const Placement p = fitToTarget(w, width, height);
      const Rect r = pictureRect(w, p);
      const bool ok = r.x >= 0 && r.y >= 0 && r.x + r.w <= width && r.y + r.h <= height &&
                      ((r.x == 0 && r.w == width) || (r.y == 0 && r.h == height)) &&
                      width - r.w - 2 * r.x >= 0 && width - r.w - 2 * r.x <= 1 &&
                      height - r.h - 2 * r.y >= 0 && height - r.h - 2 * r.y <= 1;
      if (!ok && ++wrong <= 5)
        ADD_FAILURE() << width << "x" << height << ": picture " << r.w << "x" << r.h << " at " << r.x << "," << r.y;
    }
  EXPECT_EQ(wrong, 0);
}

TEST(Placement, FitsAnyTargetUniformlyAndCentred) {
  FakeWindow w;  // 100 × 80 pixels at scale 1
  struct Case {
    int width, height;
    double scale;
    int x, y;
  } cases[] = {{100, 80, 1, 0, 0}, {200, 160, 2, 0, 0}, {300, 160, 2, 50, 0}, {200, 400, 2, 0, 120}, {50, 50, 0.5, 0, 5}};
  for (const Case& c : cases) {
    const Placement p = fitToTarget(w, c.width, c.height);
    EXPECT_DOUBLE_EQ(p.scale, c.scale) << c.width << "x" << c.height;
    EXPECT_EQ(p.x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(p.y, c.y) << c.width << "x" << c.height;
  }
  const Placement exact = placeAtScale(w, 1.5);
  EXPECT_EQ(exact.targetWidth, 150);
  EXPECT_EQ(exact.targetHeight, 120);
}

TEST(Placement, ButtonUnderThePointerIsTheFrontmostShownOne) {
  FakeWindow w;
  w.buttons.push_back({"back", FakeWindow::buttonAt(10, 10, 50, 40, RGB(255, 0, 255), 1)});
  w.buttons.push_back({"front", FakeWindow::buttonAt(30, 20, 50, 40, RGB(0, 255, 255), 2)});
  Button hidden = FakeWindow::buttonAt(0, 0, 100, 80, RGB(0, 255, 255), 3);
  hidden.Visible = false;
  w.buttons.push_back({"hidden", hidden});
  w.Show();
  for (double scale : {1.0, 2.0}) {
    const Placement p = placeAtScale(w, scale);
    auto at = [&](int x, int y) { return buttonAt(w, p, int(x * scale), int(y * scale)); };
    EXPECT_EQ(at(15, 15), "back");
    EXPECT_EQ(at(40, 30), "front");
    EXPECT_EQ(at(70, 55), "front");
    EXPECT_EQ(at(79, 59), "front");  // the last pixel inside
    EXPECT_EQ(at(80, 60), "");       // the first outside
    EXPECT_EQ(at(5, 5), "");
    EXPECT_EQ(at(95, 75), "");
  }
  // Centred on a wider target, the same button moves with the picture.
  const Placement wide = fitToTarget(w, 300, 160);
  EXPECT_EQ(buttonAt(w, wide, 50 + 2 * 15, 2 * 15), "back");
  EXPECT_EQ(buttonAt(w, wide, 2 * 15, 2 * 15), "");
}

// Each design face is drawn from its own file at the nearest weight; a face nobody has,
// or a file that cannot be read, still draws with another face.
TEST(Fonts, DesignFacesPickTheirFilesAtTheNearestWeight) {
  const Fonts& book = fonts();
  ASSERT_EQ(book.size(), faceFiles.size());
  struct Case {
    Font font;
    int file;   // index in faceFiles
    bool bold;  // made bold
  } cases[] = {
      {{"Arial", 19.5f, 700, 0}, 1, false},        {{"arial", 9, 500, 0}, 0, false},
      {{"Times New Roman", 18, 400, 0}, 2, false}, {{"Times New Roman", 27.75f, 700, 0}, 3, false},
      {{"Impact", 21.75f, 400, 0}, 4, false},      {{"Lucida Handwriting", 27.75f, 700, 0}, 5, false},
      {{"MS Song", 24, 700, 134}, 6, true},        {{"Zorvane Nonexistent Face", 12, 700, 0}, 0, true},
  };
  for (const Case& c : cases) {
    bool bold = false;
    EXPECT_EQ(book.pick(c.font, bold), c.file) << c.font.face << " " << c.font.weight;
    EXPECT_EQ(bold, c.bold) << c.font.face;
  }
  Fonts broken;
  EXPECT_FALSE(broken.add("Arial", 400, {'n', 'o', 't', ' ', 'a', ' ', 'f', 'o', 'n', 't', '!', '!'}));
  bool bold = false;
  EXPECT_EQ(broken.pick(Font{}, bold), -1);
  TextCache none(broken);
  TextRun run;
  EXPECT_FALSE(none.run(Font{}, 12, "4", run));  // no face at all: no text, no harm
}

}  // namespace
}  // namespace zorvane::paint
