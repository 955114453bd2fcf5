// The window's side of the platform: keys, timers on the wall clock, opening scale.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "paint/geometry.h"
#include "sdl/display.h"
#include "platform/keys.h"
#include "sdl/keymap.h"
#include "tests/paint/fake_window.h"

namespace zorvane::sdl {
namespace {

using testing::FakeWindow;

// One list of key names serves both front ends: each name of it is a key SDL knows, and the
// keys outside it, the page's names included, give their codes or none.
TEST(Keys, EachFrontEndsKeyNamesGiveTheVirtualCodes) {
  for (const keys::NamedKey& k : keys::named)
    EXPECT_EQ(virtualKey(SDL_GetKeyFromName(std::string(k.desktop).c_str())), k.code) << k.desktop;
  struct Case {
    SDL_Keycode key;
    int16_t code;
  } cases[] = {{SDLK_a, keys::A},        {SDLK_z, keys::Z},        {SDLK_0, keys::Digit0}, {SDLK_9, keys::Digit0 + 9},
               {SDLK_F1, keys::F1},      {SDLK_F12, keys::F1 + 11}, {SDLK_F13, 0},        {SDLK_KP_4, 0},
               {SDLK_SEMICOLON, 0},      {SDLK_CAPSLOCK, 0},      {SDLK_HOME, 0}};
  for (const Case& c : cases) EXPECT_EQ(virtualKey(c.key), c.code) << SDL_GetKeyName(c.key);
  struct Named {
    const char* name;
    int16_t code;
  } page[] = {{"KeyA", keys::A}, {"KeyZ", keys::Z}, {"Digit9", keys::Digit0 + 9}, {"F10", keys::F1 + 9},
              {"NumpadEnter", keys::Enter}, {"F13", 0}, {"F0", 0},  {"F1x", 0}, {"Key", 0}, {"KeyAB", 0},
              {"A", 0},                {"Left", 0}, {"Numpad4", 0}};
  for (const Named& n : page) EXPECT_EQ(keys::byName(n.name, keys::Naming::Page), n.code) << n.name;
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
    EXPECT_EQ(paint::openingScale(w, c.width, c.height, c.dpi), c.scale) << c.width << "x" << c.height << " " << c.dpi;
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
