// The game's window drawn offscreen, compared with reference pictures under golden/.
// Set ZORVANE_UPDATE_GOLDEN=1 to write new reference pictures after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "game/form1.h"
#include "platform/keys.h"
#include "sdl/screenshot.h"

namespace zorvane::sdl {
namespace {

const paint::Fonts& fonts() {
  static const paint::Fonts* book = [] {
    auto* f = new paint::Fonts;
    std::string warnings;
    paint::Fonts::addInstalled(*f, warnings);
    return f;
  }();
  return *book;
}

Image renderPicture(const View& w, int scale) { return sdl::renderPicture(w, paint::placeAtScale(w, scale), fonts()); }

void wait(Window& w, int64_t ms) {
  const int64_t until = w.now() + ms;
  while (w.advanceTo(until)) {
  }
}

// Compares with the reference picture, allowing the small differences another release of
// the font files may bring to the edges of letters.
void expectLikeGolden(const Image& seen, const std::string& name) {
  const std::string golden = std::string(ZORVANE_GOLDEN_DIR) + "/" + name + ".png";
  std::string error;
  if (std::getenv("ZORVANE_UPDATE_GOLDEN")) {
    ASSERT_TRUE(savePng(seen, golden, error)) << error;
    return;
  }
  Image expected;
  ASSERT_TRUE(loadPng(golden, expected, error)) << error;
  ASSERT_EQ(seen.width, expected.width) << name;
  ASSERT_EQ(seen.height, expected.height) << name;
  size_t off = 0;
  for (size_t i = 0; i < seen.pixels.size(); ++i) {
    const uint32_t a = seen.pixels[i], b = expected.pixels[i];
    for (int shift : {0, 8, 16})
      if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > 48) {
        ++off;
        break;
      }
  }
  if (off > seen.pixels.size() / 500) {
    const std::string actual = std::filesystem::temp_directory_path() / (name + "-actual.png");
    savePng(seen, actual, error);
    ADD_FAILURE() << name << ": " << off << " pixels differ from " << golden << "; this picture: " << actual;
  }
}

TEST(Golden, WindowAsDesigned) {
  Form1 form;
  form.fixSeed(1);
  form.Show();
  for (int scale : {1, 2}) {
    const Image seen = renderPicture(form, scale);
    EXPECT_EQ(seen.width, 568 * scale);
    EXPECT_EQ(seen.height, 489 * scale);
    expectLikeGolden(seen, "design-" + std::to_string(scale) + "x");
  }
}

TEST(Golden, BallInFlightThenPaused) {
  Form1 form;
  form.fixSeed(1);
  form.queueDraw(0.5f);
  form.queueDraw(0.25f);
  form.Show();
  form.keyDown(keys::Right);
  wait(form, 100);
  form.keyUp(keys::Right);
  wait(form, 500);
  form.keyDown(keys::P);
  form.keyUp(keys::P);
  for (int scale : {1, 2}) expectLikeGolden(renderPicture(form, scale), "paused-" + std::to_string(scale) + "x");
}

}  // namespace
}  // namespace zorvane::sdl
