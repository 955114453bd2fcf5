// The window's side of the platform: fonts, keys, timers on the wall clock, opening scale.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sdl/fonts.h"
#include "sdl/keymap.h"
#include "sdl/pacing.h"
#include "tests/sdl/fake_window.h"

namespace zorvane::sdl {
namespace {

using testing::FakeWindow;

std::string fileName(const FontFile& f) { return std::filesystem::path(f.path).filename().string(); }

TEST(Fonts, DesignFacesFindCloseInstalledFaces) {
  std::unique_ptr<FontBook> book = FontBook::system();
  struct Case {
    Font font;
    const char* file;
  } cases[] = {
      {{"Arial", 19.5f, 700, 0}, "LiberationSans-Bold.ttf"},
      {{"Arial", 8.25f, 400, 0}, "LiberationSans-Regular.ttf"},
      {{"Times New Roman", 18, 400, 0}, "LiberationSerif-Regular.ttf"},
      {{"Times New Roman", 27.75f, 700, 0}, "LiberationSerif-Bold.ttf"},
      {{"Impact", 21.75f, 700, 0}, "YanoneKaffeesatz-Bold.otf"},
      {{"Lucida Handwriting", 27.75f, 700, 0}, "DancingScript-Bold.otf"},
      {{"MS Song", 24, 700, 134}, "gbsn00lp.ttf"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fileName(book->resolve(c.font)), c.file) << c.font.face << " " << c.font.weight;
    EXPECT_NE(book->open(c.font, 26), nullptr) << c.font.face;
  }
  // A face nobody has still draws, with some installed face.
  const Font missing{"Zorvane Nonexistent Face", 12, 700, 0};
  EXPECT_FALSE(book->resolve(missing).path.empty());
  EXPECT_NE(book->open(missing, 16), nullptr);
}

TEST(Fonts, FixedFilesPickTheNearestWeight) {
  std::unique_ptr<FontBook> book = FontBook::files(standardFontFiles());
  EXPECT_EQ(fileName(book->resolve({"arial", 9, 700, 0})), "LiberationSans-Bold.ttf");
  EXPECT_EQ(fileName(book->resolve({"Arial", 9, 500, 0})), "LiberationSans-Regular.ttf");
  EXPECT_EQ(fileName(book->resolve({"Impact", 9, 400, 0})), "YanoneKaffeesatz-Bold.otf");
  EXPECT_EQ(fileName(book->resolve({"Unknown", 9, 400, 0})), "LiberationSans-Regular.ttf");
  std::unique_ptr<FontBook> broken = FontBook::files({{"Arial", 400, "/nonexistent/font.ttf"}});
  broken->open({"Arial", 9, 400, 0}, 12);  // warns and falls back, never crashes
}

TEST(Fonts, WarningsGiveTheirOwnCause) {
  // An earlier, unrelated SDL error must not stand in for the reason a face is missing.
  const std::string empty = ::testing::TempDir() + "zorvane-no-fonts.conf";
  std::FILE* f = std::fopen(empty.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n", f);
  std::fclose(f);
  const char* before = std::getenv("FONTCONFIG_FILE");
  const std::string saved = before ? before : "";
  setenv("FONTCONFIG_FILE", empty.c_str(), 1);  // fontconfig with no font at all
  ::testing::internal::CaptureStderr();
  {
    std::unique_ptr<FontBook> book = FontBook::system();
    SDL_SetError("Couldn't get DPI");
    book->open({"Arial", 9, 700, 0}, 12);
  }
  std::string said = ::testing::internal::GetCapturedStderr();
  before ? setenv("FONTCONFIG_FILE", saved.c_str(), 1) : unsetenv("FONTCONFIG_FILE");
  EXPECT_NE(said.find("fontconfig finds no font for 'Arial'"), std::string::npos) << said;
  EXPECT_EQ(said.find("DPI"), std::string::npos) << said;

  ::testing::internal::CaptureStderr();
  {
    std::unique_ptr<FontBook> broken = FontBook::files({{"Arial", 400, "/nonexistent/font.ttf"}});
    SDL_SetError("Couldn't get DPI");
    broken->open({"Arial", 9, 400, 0}, 12);
  }
  said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("cannot open font /nonexistent/font.ttf"), std::string::npos) << said;
  EXPECT_EQ(said.find("DPI"), std::string::npos) << said;
}

TEST(Keys, DesktopKeysGiveTheVirtualCodes) {
  struct Case {
    SDL_Keycode key;
    int16_t code;
  } cases[] = {{SDLK_LEFT, 37}, {SDLK_UP, 38},     {SDLK_RIGHT, 39},    {SDLK_DOWN, 40},    {SDLK_a, 65},
               {SDLK_p, 80},    {SDLK_z, 90},      {SDLK_0, 48},        {SDLK_9, 57},       {SDLK_F1, 112},
               {SDLK_F2, 113},  {SDLK_F12, 123},   {SDLK_SPACE, 32},    {SDLK_RETURN, 13},  {SDLK_KP_ENTER, 13},
               {SDLK_ESCAPE, 27}, {SDLK_BACKSPACE, 8}, {SDLK_TAB, 9},   {SDLK_LSHIFT, 16},  {SDLK_RSHIFT, 16},
               {SDLK_LCTRL, 17}, {SDLK_RALT, 18},  {SDLK_F13, 0},       {SDLK_KP_4, 0},     {SDLK_SEMICOLON, 0},
               {SDLK_CAPSLOCK, 0}, {SDLK_HOME, 0}};
  for (const Case& c : cases) EXPECT_EQ(virtualKey(c.key), c.code) << SDL_GetKeyName(c.key);
}

TEST(WallClock, TimersTickOnTimeAndOnceAfterAStall) {
  FakeWindow w;
  w.Show();
  runTimers(w, 24);
  EXPECT_EQ(w.ticks[0] + w.ticks[1] + w.ticks[2], 0);
  for (int t = 30; t <= 100; t += 10) runTimers(w, t);  // on time: 25, 50, 75, 100 and 50, 100
  EXPECT_EQ(w.ticks[0], 4);
  EXPECT_EQ(w.ticks[2], 2);
  EXPECT_EQ(w.now(), 100);
  EXPECT_EQ(w.nextDue(), 125);
  runTimers(w, 5000);  // a stall: one tick each, not a burst
  EXPECT_EQ(w.ticks[0], 5);
  EXPECT_EQ(w.ticks[1], 5);
  EXPECT_EQ(w.ticks[2], 3);
  EXPECT_EQ(w.nextDue(), 5025);
  for (Timer& t : w.timers) t.Interval(0);
  EXPECT_EQ(w.nextDue(), -1);
}

TEST(WallClock, WindowOpensAtAScaleThatFits) {
  FakeWindow w;
  w.width = 8520, w.height = 7335;  // 568 × 489 pixels
  struct Case {
    int width, height;
    float dpi;
    int scale;
  } cases[] = {{1920, 1080, 96, 1},  {1920, 1080, 192, 2}, {3840, 2160, 192, 2}, {3840, 2160, 288, 3},
               {1280, 1024, 288, 2}, {640, 480, 96, 1},    {1920, 1080, 0, 1},   {1920, 1080, 130, 1}};
  for (const Case& c : cases)
    EXPECT_EQ(openingScale(w, c.width, c.height, c.dpi), c.scale) << c.width << "x" << c.height << " " << c.dpi;
}

}  // namespace
}  // namespace zorvane::sdl
