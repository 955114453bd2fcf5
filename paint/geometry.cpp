#include "paint/geometry.h"

#include <algorithm>
#include <cmath>

namespace zorvane::paint {
namespace {

int pixels(float units, double scale) { return int(std::nearbyint(units * scale / unitsPerPixel)); }

}  // namespace

Rect intersect(const Rect& a, const Rect& b) {
  const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  if (empty(a) || empty(b) || x1 <= x0 || y1 <= y0) return Rect{};
  return Rect{x0, y0, x1 - x0, y1 - y0};
}

Rect unite(const Rect& a, const Rect& b) {
  if (empty(a)) return b;
  if (empty(b)) return a;
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  return Rect{x0, y0, std::max(a.x + a.w, b.x + b.w) - x0, std::max(a.y + a.h, b.y + b.h) - y0};
}

bool touches(const Rect& a, const Rect& b) { return !empty(intersect(Rect{a.x - 1, a.y - 1, a.w + 2, a.h + 2}, b)); }

Placement placeAtScale(const View& w, double scale) {
  Placement p;
  p.scale = scale;
  p.targetWidth = pixels(w.clientWidth(), scale);
  p.targetHeight = pixels(w.clientHeight(), scale);
  return p;
}

// The limiting side's scale can make the picture a hair larger than the target
// (900.0000000000001 pixels); centring whole pixels keeps the offset at 0 there.
Placement fitToTarget(const View& w, int targetWidth, int targetHeight) {
  Placement p;
  p.targetWidth = targetWidth;
  p.targetHeight = targetHeight;
  const double sx = targetWidth * unitsPerPixel / w.clientWidth(), sy = targetHeight * unitsPerPixel / w.clientHeight();
  p.scale = std::max(std::min(sx, sy), 0.01);
  p.x = std::max(0, (targetWidth - pixels(w.clientWidth(), p.scale)) / 2);
  p.y = std::max(0, (targetHeight - pixels(w.clientHeight(), p.scale)) / 2);
  return p;
}

Rect pictureRect(const View& w, const Placement& p) {
  return Rect{p.x, p.y, pixels(w.clientWidth(), p.scale), pixels(w.clientHeight(), p.scale)};
}

bool pixelBox(const Control& c, const Placement& p, const Rect& picture, bool clamp, double box[4]) {
  const double l = c.Left, t = c.Top, w = c.Width, h = c.Height;
  if (!std::isfinite(l) || !std::isfinite(t) || !std::isfinite(w) || !std::isfinite(h)) return false;
  if (!(w > 0 && h > 0)) return false;
  const double k = p.scale / unitsPerPixel;
  box[0] = p.x + l * k;
  box[1] = p.y + t * k;
  box[2] = p.x + (l + w) * k;
  box[3] = p.y + (t + h) * k;
  if (clamp) {
    const double lo[2] = {double(picture.x - margin), double(picture.y - margin)};
    const double hi[2] = {double(picture.x + picture.w + margin), double(picture.y + picture.h + margin)};
    for (int i = 0; i < 4; ++i) box[i] = std::clamp(box[i], lo[i % 2], hi[i % 2]);
  }
  return true;
}

Rect wholePixels(const double box[4]) {
  const int x0 = int(std::nearbyint(box[0])), y0 = int(std::nearbyint(box[1]));
  const int x1 = std::max(int(std::nearbyint(box[2])), x0 + 1), y1 = std::max(int(std::nearbyint(box[3])), y0 + 1);
  return Rect{x0, y0, x1 - x0, y1 - y0};
}

std::string buttonAt(const View& w, const Placement& p, int x, int y) {
  struct Finder : ControlVisitor {
    const Placement& p;
    int x, y;
    std::string found;
    int64_t z = 0;
    Finder(const Placement& p, int x, int y) : p(p), x(x), y(y) {}
    void shape(const Shape&) override {}
    void label(const Label&) override {}
    void button(std::string_view name, const Button& b) override {
      const Rect everywhere{p.x - 1000000, p.y - 1000000, 2000000, 2000000};
      double box[4];
      if (!b.Visible || !pixelBox(b, p, everywhere, true, box)) return;
      if (contains(wholePixels(box), x, y) && (found.empty() || b.z > z)) {
        found = name;
        z = b.z;
      }
    }
  };
  Finder f(p, x, y);
  w.visitControls(f);
  return f.found;
}

int pixelSize(float points, double scale) {
  const double px = double(points) * 20.0 / unitsPerPixel * scale;
  if (!(px >= 1)) return 1;
  return px > 2000 ? 2000 : int(std::nearbyint(px));
}

int openingScale(const View& w, int usableWidth, int usableHeight, float dpi) {
  constexpr int frame = 40;  // room for the title bar and borders
  const double picW = w.clientWidth() / paint::unitsPerPixel, picH = w.clientHeight() / paint::unitsPerPixel;
  const int fits = int(std::min((usableWidth - frame) / picW, (usableHeight - frame) / picH));
  const int wanted = std::isfinite(dpi) && dpi > 0 ? int(std::nearbyint(dpi / 96)) : 1;
  return std::max(1, std::min(fits, wanted));
}

}  // namespace zorvane::paint
