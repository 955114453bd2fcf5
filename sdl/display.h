// The desktop the window opens on: its dots per inch, the scale the window opens at, and
// closing the window cleanly.
#pragma once
#include <SDL.h>

#include <functional>

#include "platform/contract.h"

namespace zorvane::sdl {

// The display's dots per inch from the best source there is: the user's Xft.dpi resource,
// then SDL's figure, then the X screen's size in pixels and millimetres; 96 when none answers.
float displayDpi(int displayIndex);
float pickDpi(float resource, float sdl, float screen);  // the first usable figure, or 96
float parseDpi(const char* text);                        // an Xft.dpi value; 0 when unusable

// Destroys the window once the desktop has gone quiet. Each event SDL queues while it
// waits makes it wake the wait by sending the window an X event over a second connection;
// destroyed right after the close request, the window could be gone before the server
// handled that send (BadWindow, and the program ended with status 1).
void closeWindow(SDL_Window* window);

// Before SDL starts (SDL hands errors on to it, and puts it back when it quits): a late
// wake-up sent to the destroyed window no longer ends the program with status 1, and any
// other X error is told once and raises displayFailed() for the loop to end on.
void handleXErrors();
bool displayFailed();  // an X error came (the window destroyed by another client): end with status 1

// After SDL starts: when the connection to the display is lost, `lastWords` (the
// recording's last lines) runs once, then the program ends with status 1. Null: none.
void onDisplayLost(std::function<void()> lastWords);

}  // namespace zorvane::sdl
