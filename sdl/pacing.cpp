#include "sdl/pacing.h"

#include <algorithm>
#include <cmath>

#include "paint/geometry.h"

namespace zorvane::sdl {

int openingScale(const View& w, int usableWidth, int usableHeight, float dpi) {
  constexpr int frame = 40;  // room for the title bar and borders
  const double picW = w.clientWidth() / paint::unitsPerPixel, picH = w.clientHeight() / paint::unitsPerPixel;
  const int fits = int(std::min((usableWidth - frame) / picW, (usableHeight - frame) / picH));
  const int wanted = std::isfinite(dpi) && dpi > 0 ? int(std::nearbyint(dpi / 96)) : 1;
  return std::max(1, std::min(fits, wanted));
}

}  // namespace zorvane::sdl
