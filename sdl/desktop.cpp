#include "sdl/desktop.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace zorvane::sdl {
namespace {

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

void keepSessionBusFromAutolaunching() {
  if (set("DBUS_SESSION_BUS_ADDRESS")) return;
  // libdbus's own default before it autolaunches: the bus socket of the user's session.
  if (set("XDG_RUNTIME_DIR")) {
    const std::string socket = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/bus";
    struct stat s{};
    if (stat(socket.c_str(), &s) == 0 && S_ISSOCK(s.st_mode)) return;
  }
  // An address of a transport that does not exist: every connection fails at once.
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
}

std::string missingDisplay() {
  if (set("SDL_VIDEODRIVER")) return {};
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return "no display found: SDL started no video driver";
  for (const char* blind : {"offscreen", "dummy", "evdev"})
    if (std::strcmp(driver, blind) == 0)
      return "no display found: neither DISPLAY (X11) nor WAYLAND_DISPLAY leads to a display";
  return {};
}

bool startVideo(std::string& error) {
  keepSessionBusFromAutolaunching();
  // Without XDG_RUNTIME_DIR, Wayland's probe writes a complaint of its own to standard
  // error although X11 may be there; the outcome is reported below in one line instead.
  const int saved = set("XDG_RUNTIME_DIR") ? -1 : dup(2);
  if (saved >= 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2), close(null);
  }
  const bool started = SDL_Init(SDL_INIT_VIDEO) == 0;
  if (saved >= 0) dup2(saved, 2), close(saved);
  if (!started) return error = std::string("cannot start SDL: ") + SDL_GetError(), false;
  error = missingDisplay();
  if (!error.empty()) return SDL_Quit(), false;
  SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);  // without it the game runs on keys and mouse alone
  return true;
}

}  // namespace zorvane::sdl
