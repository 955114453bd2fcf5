// Where the picture lands on a target of any size, and the pixel geometry of round shapes.
#include <gtest/gtest.h>

#include <cmath>

#include "sdl/placement.h"
#include "sdl/raster.h"
#include "tests/sdl/fake_window.h"

namespace zorvane::sdl {
namespace {

using testing::FakeWindow;

// At some sizes the limiting side's scale gives a picture of 900.0000000000001 pixels on
// 900: that must still be an offset of 0, not −1 with a strip of the face showing.
TEST(Placement, PictureIsCentredAndCoversTheLimitingSideAtEverySize) {
  FakeWindow w;
  w.width = 8520, w.height = 7335;
  int wrong = 0;
  for (int width = 100; width <= 2999; ++width)
    for (int height = 100; height <= 2199; ++height) {
      const Placement p = fitToTarget(w, width, height);
      const SDL_Rect r = pictureRect(w, p);
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

double area(const std::vector<Pt>& poly) {
  double a = 0;
  for (size_t i = 0; i < poly.size(); ++i) {
    const Pt p = poly[i], q = poly[(i + 1) % poly.size()];
    a += p.x * q.y - q.x * p.y;
  }
  return a / 2;
}

TEST(Raster, OutlinesFollowTheCurveClockwise) {
  struct Case {
    double r;
    size_t atLeast, atMost;
  } cases[] = {{0.5, 12, 12}, {4.5, 12, 40}, {8.5, 20, 60}, {200, 100, 720}, {1e6, 720, 720}};
  for (const Case& c : cases) {
    std::vector<Pt> pts;
    ellipsePoints(10, 20, c.r, c.r, pts);
    EXPECT_GE(pts.size(), c.atLeast) << c.r;
    EXPECT_LE(pts.size(), c.atMost) << c.r;
    for (const Pt& p : pts) EXPECT_NEAR(std::hypot(p.x - 10, p.y - 20), c.r, 1e-9 * c.r) << c.r;
    EXPECT_GT(area(pts), 0) << c.r;  // y down: clockwise on screen
    if (c.r >= 4.5 && c.r < 1e6) {     // every chord within a fifth of a pixel of the circle
      const double gap = c.r * (1 - std::cos(M_PI / double(pts.size())));
      EXPECT_LE(gap, 0.2 + 1e-12) << c.r;
    }
  }
  std::vector<Pt> rounded;
  roundedPoints(0, 0, 100, 40, 10, rounded);
  EXPECT_GT(area(rounded), 0);
  EXPECT_NEAR(area(rounded), 100 * 40 - (4 - M_PI) * 100, 5);  // a rectangle less four corners
  for (const Pt& p : rounded) {
    EXPECT_GE(p.x, -1e-9);
    EXPECT_LE(p.x, 100 + 1e-9);
    EXPECT_GE(p.y, -1e-9);
    EXPECT_LE(p.y, 40 + 1e-9);
  }
  std::vector<Pt> narrow;  // a radius larger than half the height is cut to it
  roundedPoints(0, 0, 100, 10, 30, narrow);
  for (const Pt& p : narrow) EXPECT_LE(p.y, 10 + 1e-9);
}

TEST(Raster, ClippingCutsAPolygonToTheBox) {
  struct Case {
    std::vector<Pt> poly;
    double area;
  } cases[] = {
      {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 25},                       // a corner inside
      {{{-1e30, -1e30}, {1e30, -1e30}, {1e30, 1e30}, {-1e30, 1e30}}, 100},  // far larger than the box
      {{{20, 20}, {30, 20}, {30, 30}}, 0},                              // wholly outside
      {{{6, 6}, {8, 6}, {8, 8}, {6, 8}}, 4},                            // wholly inside
      {{{0, 10}, {10, 0}, {20, 10}, {10, 20}}, 100},                    // a diamond round the box
      {{{10, 0}, {20, 10}, {10, 20}, {0, 10}}, 100},
  };
  for (Case& c : cases) {
    clipPolygon(c.poly, 5, 5, 15, 15);
    EXPECT_NEAR(std::abs(area(c.poly)), c.area, 1e-6);
    for (const Pt& p : c.poly) {
      EXPECT_GE(p.x, 5);
      EXPECT_LE(p.x, 15);
      EXPECT_GE(p.y, 5);
      EXPECT_LE(p.y, 15);
    }
  }
}

TEST(Raster, SmoothFillIsOpaqueInsideAndSoftForOnePixel) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 40, 40, 32, SDL_PIXELFORMAT_RGB888);
  SDL_Renderer* r = SDL_CreateSoftwareRenderer(s);
  fillRect(r, SDL_Rect{0, 0, 40, 40}, SDL_Color{0, 0, 0, 255});
  std::vector<Pt> square = {{10.5, 10.5}, {29.5, 10.5}, {29.5, 29.5}, {10.5, 29.5}};
  fillSmooth(r, square, SDL_Color{255, 255, 255, 255});
  frame(r, SDL_Rect{0, 0, 40, 40}, 2, SDL_Color{255, 0, 0, 255}, SDL_Color{0, 0, 255, 255});
  SDL_RenderFlush(r);
  auto at = [&](int x, int y) {
    return reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch)[x] & 0xffffff;
  };
  EXPECT_EQ(at(20, 20), 0xffffffu);  // inside
  EXPECT_EQ(at(11, 20), 0xffffffu);
  EXPECT_EQ(at(5, 20), 0x000000u);   // beyond the soft edge
  EXPECT_EQ(at(34, 20), 0x000000u);
  const uint32_t edge = at(10, 20) & 0xff;  // the pixel the edge crosses: part covered
  EXPECT_GT(edge, 0u);
  EXPECT_LT(edge, 255u);
  EXPECT_EQ(at(0, 20), 0xff0000u);   // frame: top and left one colour...
  EXPECT_EQ(at(1, 1), 0xff0000u);
  EXPECT_EQ(at(39, 20), 0x0000ffu);  // ...bottom and right the other
  EXPECT_EQ(at(20, 38), 0x0000ffu);
  EXPECT_EQ(at(2, 20), 0x000000u);   // two pixels thick
  SDL_DestroyRenderer(r);
  SDL_FreeSurface(s);
}

TEST(Raster, RectangleHelpers) {
  EXPECT_TRUE(empty(intersect(SDL_Rect{0, 0, 10, 10}, SDL_Rect{10, 0, 5, 5})));
  const SDL_Rect common = intersect(SDL_Rect{0, 0, 10, 10}, SDL_Rect{5, -5, 10, 10});
  EXPECT_EQ(common.x, 5);
  EXPECT_EQ(common.y, 0);
  EXPECT_EQ(common.w, 5);
  EXPECT_EQ(common.h, 5);
  const SDL_Rect in = inset(SDL_Rect{0, 0, 10, 8}, 2);
  EXPECT_EQ(in.w, 6);
  EXPECT_EQ(in.h, 4);
  EXPECT_TRUE(empty(inset(SDL_Rect{0, 0, 4, 8}, 2)));
}

}  // namespace
}  // namespace zorvane::sdl
