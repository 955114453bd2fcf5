// Pictures of a window drawn without a display: for the replay tool, the tests and the icon.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "paint/geometry.h"
#include "paint/text.h"
#include "platform/window.h"

namespace zorvane::sdl {

// An RGB picture, one 0xRRGGBB value per pixel, row by row.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Where a picture goes. A screenshot replaces a regular file whole (a failed write leaves
// it as it was), refusing one the user may not write; a link's file, a device or a pipe is
// written where it stands. A frame is always a new file: never through a link, never over
// another file.
enum class Target { Replace, New };

// The picture of a view as the painter draws it onto a target of the placement's size.
Image renderPicture(const View& w, const paint::Placement& p, const paint::Fonts& fonts);
bool savePng(const Image& image, const std::string& path, std::string& error, Target target = Target::Replace);
bool syncFolder(const std::string& folder, std::string& error);  // the files written into it reach the disk
bool loadPng(const std::string& path, Image& image, std::string& error);

// Draws the window onto a target of the placement's size and writes it as a PNG file.
bool saveScreenshot(const View& w, const paint::Placement& p, const paint::Fonts& fonts, const std::string& pngPath,
                    std::string& error, Target target = Target::Replace);

}  // namespace zorvane::sdl
