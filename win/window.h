// The game's window on the Windows API: one DIB section the picture is painted into, the
// patches that changed copied to the screen, the window's messages as the host's events,
// and a wait that sleeps until a message comes or a timer falls due.
#pragma once
#include "win/system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "host/loop.h"
#include "paint/painter.h"
#include "platform/contract.h"

namespace zorvane::win {

using host::Event;

class Window {
 public:
  // Paints the picture into a target and returns the patches that changed.
  using Paint = std::function<const std::vector<paint::Rect>&(const paint::Target&)>;

  Window() = default;
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Opens at the desktop's scale (or borderless on the whole monitor); false with `error` set.
  bool open(const View& view, const std::string& title, bool fullscreen, std::string& error);
  void setTitle(const std::string& title);
  bool newPixels() { return std::exchange(renewed, false); }  // true once after new pixels (a new size): paint them all
  bool show(const Paint& paint);  // paints into the DIB section; true: patches went to the screen
  // Sleeps until a message comes or `ms` have passed (at once for 0), then hands out what
  // came; the events are the caller's until the next call.
  const std::vector<Event>& wait(double ms);
  // What must be written when the system's session ends (log off, shut down): the process
  // is ended as soon as the message returns.
  void onSessionEnd(std::function<void()> last) { lastWords = std::move(last); }

 private:
  static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l);
  LRESULT handleMessage(UINT message, WPARAM w, LPARAM l);
  bool makePixels(int w, int h);  // a new DIB section of the client area's size
  void copy(HDC dc, const paint::Rect& r);

  HWND hwnd = nullptr;
  HBITMAP dib = nullptr;
  uint32_t* bits = nullptr;
  BITMAPINFO info{};
  int width = 0, height = 0;
  int minWidth = 0, minHeight = 0;  // the smallest client area
  bool tracking = false;            // the pointer's leaving is being watched
  bool renewed = false;             // new pixels, not yet painted
  HICON icon = nullptr;
  std::vector<Event> events, handed;
  std::function<void()> lastWords;
};

}  // namespace zorvane::win
