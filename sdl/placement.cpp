#include "sdl/placement.h"

#include <algorithm>
#include <cmath>

namespace zorvane::sdl {
namespace {

int pixels(float units, double scale) { return int(std::nearbyint(units * scale / unitsPerPixel)); }

}  // namespace

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

SDL_Rect pictureRect(const View& w, const Placement& p) {
  return SDL_Rect{p.x, p.y, pixels(w.clientWidth(), p.scale), pixels(w.clientHeight(), p.scale)};
}

bool pixelBox(const Control& c, const Placement& p, const SDL_Rect& picture, bool clamp, double box[4]) {
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

SDL_Rect wholePixels(const double box[4]) {
  const int x0 = int(std::nearbyint(box[0])), y0 = int(std::nearbyint(box[1]));
  const int x1 = std::max(int(std::nearbyint(box[2])), x0 + 1), y1 = std::max(int(std::nearbyint(box[3])), y0 + 1);
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

std::string buttonAt(const View& w, const Placement& p, int x, int y) {
  struct Finder : ControlVisitor {
    const Placement& p;
    SDL_Point pt;
    std::string found;
    int64_t z = 0;
    Finder(const Placement& p, int x, int y) : p(p), pt{x, y} {}
    void shape(const Shape&) override {}
    void label(const Label&) override {}
    void button(std::string_view name, const Button& b) override {
      const SDL_Rect everywhere{p.x - 1000000, p.y - 1000000, 2000000, 2000000};
      double box[4];
      if (!b.Visible || !pixelBox(b, p, everywhere, true, box)) return;
      const SDL_Rect r = wholePixels(box);
      if (SDL_PointInRect(&pt, &r) && (found.empty() || b.z > z)) {
        found = std::string(name);
        z = b.z;
      }
    }
  };
  Finder f(p, x, y);
  w.visitControls(f);
  return f.found;
}

}  // namespace zorvane::sdl
