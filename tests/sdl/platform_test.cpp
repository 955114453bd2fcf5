// The window's side of the platform: fonts, keys, timers on the wall clock, opening scale.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sdl/display.h"
#include "sdl/fonts.h"
#include "sdl/keymap.h"
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
  // An unreadable file: a warning, and the text drawn with a plain face instead of none.
  std::unique_ptr<FontBook> broken = FontBook::files({{"Arial", 400, "/nonexistent/font.ttf"}});
  TTF_Font* fallback = broken->open({"Arial", 9, 400, 0}, 12);
  ASSERT_NE(fallback, nullptr);
  EXPECT_STREQ(TTF_FontFaceFamilyName(fallback), "DejaVu Sans");
  EXPECT_EQ(broken->open({"Arial", 9, 400, 0}, 12), fallback);  // opened once
  EXPECT_EQ(TTF_GetFontStyle(fallback), TTF_STYLE_NORMAL);
  TTF_Font* bold = broken->open({"Arial", 9, 700, 0}, 12);  // no bold file: made bold
  ASSERT_NE(bold, nullptr);
  EXPECT_NE(bold, fallback);
  EXPECT_EQ(TTF_GetFontStyle(bold), TTF_STYLE_BOLD);
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

// The user's Xft.dpi first, then SDL's figure, then the screen's own; 96 when none is usable.
TEST(WallClock, DpiComesFromTheFirstSourceThatKnows) {
  struct Case {
    float resource, sdl, screen, dpi;
  } cases[] = {{192, 96, 96, 192}, {0, 144, 96, 144}, {0, 0, 192, 192}, {0, 0, 0, 96},
               {96, 0, 192, 96},   {-5, 0, 192, 192}, {std::nanf(""), 120, 0, 120}, {1e9f, 0, 0, 96}};
  for (const Case& c : cases)
    EXPECT_EQ(pickDpi(c.resource, c.sdl, c.screen), c.dpi) << c.resource << " " << c.sdl << " " << c.screen;
  struct Text {
    const char* text;
    float dpi;
  } texts[] = {{"192", 192}, {"96.5", 96.5f}, {" 144\n", 144}, {"", 0}, {"big", 0}, {"192dpi", 0},
               {"-96", 0},   {"0", 0},        {"nan", 0},       {nullptr, 0}};
  for (const Text& t : texts) EXPECT_EQ(parseDpi(t.text), t.dpi) << (t.text ? t.text : "null");
}

}  // namespace
}  // namespace zorvane::sdl
