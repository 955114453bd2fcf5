// The game's window drawn offscreen, compared with reference pictures under golden/.
// Set ZORVANE_UPDATE_GOLDEN=1 to write new reference pictures after a deliberate change.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "game/form1.h"
#include "platform/keys.h"
#include "image/image.h"

namespace zorvane::image {
namespace {

const paint::Fonts& fonts() { return paint::Fonts::installed(); }

Image renderPicture(const View& w, int scale) { return image::renderPicture(w, paint::placeAtScale(w, scale), fonts()); }

void wait(Window& w, int64_t ms) {
  const int64_t until = w.now() + ms;
  while (w.advanceTo(until)) {
  }
}

bool loadPng(const std::string& path, Image& image, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!readFile(path, bytes, size_t(64) << 20, error)) return false;
  if (!decodePng(bytes, image)) return error = "cannot read " + path + ": not a PNG picture", false;
  return true;
}

// Compares with the reference picture, pixel for pixel: the picture depends only on the
// painter's own arithmetic and the font files, so any difference is a change of look.
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
  for (size_t i = 0; i < seen.pixels.size(); ++i) off += seen.pixels[i] != expected.pixels[i];
  if (off > 0) {
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
}  // namespace zorvane::image
