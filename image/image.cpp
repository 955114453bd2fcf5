#include "image/image.h"

#include <cstdlib>

#include "paint/icon.h"
#include "paint/painter.h"

// stb_image_write and stb_image (image/stb.cpp): one PNG encoder and decoder in every build.
extern "C" {
unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int stride_bytes, int x, int y, int n, int* out_len);
unsigned char* stbi_load_from_memory(const unsigned char* buffer, int len, int* x, int* y, int* comp, int req_comp);
void stbi_image_free(void* retval_from_stbi_load);
}

namespace zorvane::image {

namespace {
constexpr size_t maxPngFile = size_t(256) << 20;
constexpr int maxSide = 1 << 15;
}  // namespace

Image renderPicture(const View& w, const paint::Placement& p, const paint::Fonts& fonts) {
  Image image;
  if (p.targetWidth <= 0 || p.targetHeight <= 0) return image;
  image.width = p.targetWidth;
  image.height = p.targetHeight;
  image.pixels.resize(size_t(image.width) * image.height);
  paint::Painter painter(fonts);
  painter.draw(w, p, paint::Target{image.pixels.data(), image.width, image.height, image.width, paint::xrgb});
  return image;
}

Image iconPicture(int size, bool maskable) {
  Image image;
  if (size <= 0) return image;
  image.width = image.height = size;
  image.pixels.resize(size_t(size) * size);
  paint::drawIcon(paint::Target{image.pixels.data(), size, size, size, paint::xrgb}, maskable);
  return image;
}

std::vector<uint8_t> encodePng(const Image& image) {
  if (image.pixels.empty()) return {};
  std::vector<uint8_t> rgb(image.pixels.size() * 3);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    rgb[3 * i] = uint8_t(image.pixels[i] >> 16);
    rgb[3 * i + 1] = uint8_t(image.pixels[i] >> 8);
    rgb[3 * i + 2] = uint8_t(image.pixels[i]);
  }
  int size = 0;
  unsigned char* png = stbi_write_png_to_mem(rgb.data(), image.width * 3, image.width, image.height, 3, &size);
  if (!png) return {};
  std::vector<uint8_t> bytes(png, png + size);
  std::free(png);
  return bytes;
}

bool decodePng(const std::vector<uint8_t>& bytes, Image& image) {
  if (bytes.size() < 8 || bytes.size() > maxPngFile) return false;
  int w = 0, h = 0, channels = 0;
  unsigned char* rgb = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &channels, 3);
  if (!rgb) return false;
  const bool ok = w > 0 && h > 0 && w <= maxSide && h <= maxSide;
  if (ok) {
    image.width = w;
    image.height = h;
    image.pixels.resize(size_t(w) * h);
    for (size_t i = 0; i < image.pixels.size(); ++i)
      image.pixels[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  }
  stbi_image_free(rgb);
  return ok;
}

uint64_t hashOf(const std::vector<uint8_t>& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (const uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

bool savePng(const Image& image, const std::string& path, std::string& error, Target target) {
  // Encoded in memory first, so that nothing is touched when it cannot be.
  const std::vector<uint8_t> bytes = encodePng(image);
  if (bytes.empty()) return error = "cannot encode " + path, false;
  return writeFile(bytes, path, error, target);
}

bool saveScreenshot(const View& w, const paint::Placement& p, const paint::Fonts& fonts, const std::string& pngPath,
                    std::string& error, Target target) {
  const Image image = renderPicture(w, p, fonts);
  if (image.pixels.empty()) {
    error = "cannot draw the window at " + std::to_string(p.targetWidth) + " x " + std::to_string(p.targetHeight);
    return false;
  }
  return savePng(image, pngPath, error, target);
}

}  // namespace zorvane::image
