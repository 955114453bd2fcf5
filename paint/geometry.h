// Pixel rectangles, where the window's picture lands on a target of any size, and which
// button lies under a pixel. Plain integers and exactly rounded operations only, so that
// every build places every object on the very same pixels.
#pragma once
#include <string>

#include "platform/contract.h"

namespace zorvane::paint {

// A rectangle of whole pixels: left, top, width, height.
struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const Rect&) const = default;
};
inline bool empty(const Rect& r) { return r.w <= 0 || r.h <= 0; }
inline Rect inset(const Rect& r, int t) { return Rect{r.x + t, r.y + t, r.w - 2 * t, r.h - 2 * t}; }
Rect intersect(const Rect& a, const Rect& b);  // all 0 when they do not meet
Rect unite(const Rect& a, const Rect& b);      // the smallest rectangle holding both
bool touches(const Rect& a, const Rect& b);    // they share or border on a pixel
inline bool contains(const Rect& r, int x, int y) { return x >= r.x && y >= r.y && x < r.x + r.w && y < r.y + r.h; }

constexpr double unitsPerPixel = 15;  // window units in one pixel at scale 1
constexpr int margin = 64;            // pixels a clamped box may reach beyond the picture
constexpr int maxTargetSide = 8192;   // the widest and tallest picture drawn, in pixels

// Where the picture lands on the target.
struct Placement {
  double scale = 1;               // pixels per 15 window units
  int x = 0, y = 0;               // pixel of the client area's top-left corner
  int targetWidth = 0, targetHeight = 0;
  bool operator==(const Placement&) const = default;
};

Placement placeAtScale(const View& w, double scale);                      // a target exactly the picture's size
Placement fitToTarget(const View& w, int targetWidth, int targetHeight);  // uniform scale, centred
Rect pictureRect(const View& w, const Placement& p);                      // the client area on the target, uncut

// The pixel box of an object (left, top, right, bottom), or false when it cannot be drawn
// (empty, negative, NaN or infinite). With `clamp`, the box is cut to a margin around
// `picture`, so that any size converts to whole pixels safely.
bool pixelBox(const Control& c, const Placement& p, const Rect& picture, bool clamp, double box[4]);
Rect wholePixels(const double box[4]);  // a clamped box rounded to whole pixels, at least 1 × 1

// The frontmost shown button under a pixel, or "" when there is none: the window's clicks
// and the page's clicks and touches all ask this.
std::string buttonAt(const View& w, const Placement& p, int x, int y);

// The whole-number scale for a new window: the display's DPI over 96, as large as fits the
// usable area with room for a frame (at least 1). Every desktop window opens by this rule.
int openingScale(const View& w, int usableWidth, int usableHeight, float dpi);

// A font's size in pixels: 20 window units per point, 15 per pixel at scale 1.
int pixelSize(float points, double scale);

}  // namespace zorvane::paint
