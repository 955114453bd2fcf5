#include "sdl/display.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <utility>

#include <cstdio>

#ifdef ZORVANE_HAVE_X11
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/Xresource.h>
#endif

#include "paint/geometry.h"

namespace zorvane::sdl {
namespace {

bool usable(float dpi) { return std::isfinite(dpi) && dpi >= 10 && dpi <= 2000; }

#ifdef ZORVANE_HAVE_X11
bool failedX = false;            // an X error came: the window is as good as gone
std::function<void()> lastWords;  // what must be written before a lost display ends the program

// Xlib's own handler ends the program on any error. SDL wakes a wait by sending its window
// an event over a second connection, and a wake-up that reaches the server just after the
// window was destroyed comes back as BadWindow, read only when SDL closes that connection
// at exit: nothing is lost, so that one is let pass. Any other error (the window destroyed
// by another client) is told once and ends the game through its loop (displayFailed()).
int onXError(Display* display, XErrorEvent* e) {
  if (e->error_code == BadWindow && e->request_code == X_SendEvent) return 0;
  if (std::exchange(failedX, true)) return 0;
  char text[128] = {};
  XGetErrorText(display, e->error_code, text, sizeof text);
  std::fprintf(stderr, "zorvane: X error: %s (request %d.%d)\n", text, e->request_code, e->minor_code);
  return 0;
}

// The connection is gone (the X server stopped, the client killed): Xlib ends the program
// when this returns, so the last words are said here, and the program ends with status 1.
int onXConnectionLost(Display*) {
  std::fprintf(stderr, "zorvane: the connection to the display is lost\n");
  if (std::function<void()> words = std::exchange(lastWords, nullptr)) words();
  std::exit(1);
}

// The Xft.dpi resource and the screen's figure, from a short connection of our own.
void askX(float& resource, float& screen) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || std::strcmp(driver, "x11") != 0) return;
  Display* d = XOpenDisplay(nullptr);
  if (!d) return;
  if (const char* resources = XResourceManagerString(d)) {
    XrmInitialize();
    if (XrmDatabase db = XrmGetStringDatabase(resources)) {
      char* type = nullptr;
      XrmValue value{};
      if (XrmGetResource(db, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr) resource = parseDpi(value.addr);
      XrmDestroyDatabase(db);
    }
  }
  const int s = DefaultScreen(d);
  if (DisplayWidthMM(d, s) > 0) screen = float(DisplayWidth(d, s) * 25.4 / DisplayWidthMM(d, s));
  XCloseDisplay(d);
}

#else
void askX(float&, float&) {}
#endif

}  // namespace

float parseDpi(const char* text) {
  if (!text) return 0;
  char* end = nullptr;
  const float dpi = std::strtof(text, &end);
  while (end && (*end == ' ' || *end == '\t' || *end == '\n')) ++end;
  return end != text && end && *end == '\0' && usable(dpi) ? dpi : 0;
}

float pickDpi(float resource, float sdl, float screen) {
  for (float dpi : {resource, sdl, screen})
    if (usable(dpi)) return dpi;
  return 96;
}

float displayDpi(int displayIndex) {
  float resource = 0, screen = 0, fromSdl = 0;
  askX(resource, screen);
  if (SDL_GetDisplayDPI(displayIndex, &fromSdl, nullptr, nullptr) != 0) fromSdl = 0;
  return pickDpi(resource, fromSdl, screen);
}

void handleXErrors() {
#ifdef ZORVANE_HAVE_X11
  XSetErrorHandler(onXError);
#endif
}

void onDisplayLost(std::function<void()> words) {
#ifdef ZORVANE_HAVE_X11
  lastWords = std::move(words);
  XSetIOErrorHandler(onXConnectionLost);
#else
  (void)words;
#endif
}

bool displayFailed() {
#ifdef ZORVANE_HAVE_X11
  return failedX;
#else
  return false;
#endif
}

void closeWindow(SDL_Window* window) {
  // A wait that passes with no event queued sends nothing, and gives the server time to
  // handle what the waits before it sent.
  SDL_Event e;
  for (int round = 0; round < 25 && SDL_WaitEventTimeout(&e, 20); ++round) {
  }
  SDL_DestroyWindow(window);
}

}  // namespace zorvane::sdl
