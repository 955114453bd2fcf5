#include "sdl/icon.h"

#include "paint/icon.h"

namespace zorvane::sdl {

Image iconPicture(int size) {
  Image image;
  if (size <= 0) return image;
  image.width = image.height = size;
  image.pixels.resize(size_t(size) * size);
  paint::drawIcon(paint::Target{image.pixels.data(), size, size, size, paint::xrgb});
  return image;
}

}  // namespace zorvane::sdl
