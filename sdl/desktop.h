// What the window needs from the desktop session before and after SDL starts.
#pragma once
#include <string>

namespace zorvane::sdl {

// The game needs no D-Bus: when the session has no bus, keep SDL's D-Bus support from
// starting one (libdbus would run `dbus-launch --autolaunch`). Call before SDL_Init.
void keepSessionBusFromAutolaunching();

// After SDL_Init: empty when SDL found a display, else why not (one line). A driver that
// shows nothing (offscreen, dummy, evdev) counts as no display unless SDL_VIDEODRIVER
// named it.
std::string missingDisplay();

// Starts SDL's video (and, when it can, its game controllers) for a window on the
// desktop; false with `error` set (one line) when there is no display to show it on.
bool startVideo(std::string& error);

}  // namespace zorvane::sdl
