#include "sdl/screenshot.h"

#include <SDL.h>
#include <png.h>

#include "sdl/painter.h"

namespace zorvane::sdl {

Image renderPicture(const View& w, double scale, FontBook& fonts) {
  Image image;
  const Placement p = placeAtScale(w, scale);
  if (p.targetWidth <= 0 || p.targetHeight <= 0) return image;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, p.targetWidth, p.targetHeight, 32, SDL_PIXELFORMAT_RGB888);
  if (!surface) return image;
  if (SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface)) {
    {
      Painter painter(renderer, fonts);
      painter.draw(w, p);
      SDL_RenderFlush(renderer);
    }
    image.width = surface->w;
    image.height = surface->h;
    image.pixels.resize(size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
      for (int x = 0; x < image.width; ++x) image.pixels[size_t(y) * image.width + x] = row[x] & 0xffffff;
    }
    SDL_DestroyRenderer(renderer);
  }
  SDL_FreeSurface(surface);
  return image;
}

bool savePng(const Image& image, const std::string& path, std::string& error) {
  std::vector<uint8_t> rgb(image.pixels.size() * 3);
  for (size_t i = 0; i < image.pixels.size(); ++i) {
    rgb[3 * i] = uint8_t(image.pixels[i] >> 16);
    rgb[3 * i + 1] = uint8_t(image.pixels[i] >> 8);
    rgb[3 * i + 2] = uint8_t(image.pixels[i]);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = image.width;
  png.height = image.height;
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, path.c_str(), 0, rgb.data(), 0, nullptr)) {
    error = "cannot write " + path + ": " + png.message;
    return false;
  }
  return true;
}

bool loadPng(const std::string& path, Image& image, std::string& error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    error = "cannot read " + path + ": " + png.message;
    return false;
  }
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
    error = "cannot read " + path + ": " + png.message;
    return false;
  }
  image.width = int(png.width);
  image.height = int(png.height);
  image.pixels.resize(size_t(image.width) * image.height);
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = uint32_t(rgb[3 * i]) << 16 | uint32_t(rgb[3 * i + 1]) << 8 | rgb[3 * i + 2];
  return true;
}

bool saveScreenshot(const View& w, int scale, FontBook& fonts, const std::string& pngPath, std::string& error) {
  if (scale < 1 || scale > 16) {
    error = "scale must be a whole number from 1 to 16";
    return false;
  }
  const Image image = renderPicture(w, scale, fonts);
  if (image.pixels.empty()) {
    error = std::string("cannot draw the window: ") + SDL_GetError();
    return false;
  }
  return savePng(image, pngPath, error);
}

bool saveScreenshot(const View& w, int scale, const std::string& pngPath, std::string& error) {
  std::unique_ptr<FontBook> fonts = FontBook::system();
  return saveScreenshot(w, scale, *fonts, pngPath, error);
}

}  // namespace zorvane::sdl
