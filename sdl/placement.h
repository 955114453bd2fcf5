// Where the window's picture lands on a target, and which button lies under a pixel.
#pragma once
#include <SDL.h>

#include <string>

#include "platform/window.h"

namespace zorvane::sdl {

constexpr double unitsPerPixel = 15;  // window units in one pixel at scale 1
constexpr int margin = 64;            // pixels a clamped box may reach beyond the picture

// Where the picture lands on the target.
struct Placement {
  double scale = 1;               // pixels per 15 window units
  int x = 0, y = 0;               // pixel of the client area's top-left corner
  int targetWidth = 0, targetHeight = 0;
  bool operator==(const Placement&) const = default;
};

Placement placeAtScale(const View& w, double scale);                      // a target exactly the picture's size
Placement fitToTarget(const View& w, int targetWidth, int targetHeight);  // uniform scale, centred
SDL_Rect pictureRect(const View& w, const Placement& p);                  // the client area on the target, uncut

// The pixel box of an object (left, top, right, bottom), or false when it cannot be drawn
// (empty, negative, NaN or infinite). With `clamp`, the box is cut to a margin around
// `picture`, so that any size converts to whole pixels safely.
bool pixelBox(const Control& c, const Placement& p, const SDL_Rect& picture, bool clamp, double box[4]);
SDL_Rect wholePixels(const double box[4]);  // a clamped box rounded to whole pixels, at least 1 × 1

// The frontmost shown button under a pixel, or "" when there is none.
std::string buttonAt(const View& w, const Placement& p, int x, int y);

}  // namespace zorvane::sdl
