// A few looks at a window on an X server, for the end-to-end test:
//   zorvane-xprobe count WINDOW RRGGBB [X0 Y0 X1 Y1]   pixels of one colour, with their
//       bounding box, within a part of the window given in fractions of its size:
//       prints "COUNT LEFT TOP RIGHT BOTTOM WIDTH HEIGHT" (box -1 when none)
//   zorvane-xprobe save WINDOW FILE.png                 writes what the window shows
//   zorvane-xprobe close WINDOW                          asks the window to close, as a
//       window manager's close button does (WM_DELETE_WINDOW)
//   zorvane-xprobe destroy WINDOW                        destroys the window from this
//       client, as a misbehaving program may
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

unsigned long rgbOf(XImage* image, int x, int y) {
  const unsigned long p = XGetPixel(image, x, y);
  const unsigned long r = (p & image->red_mask) >> __builtin_ctzl(image->red_mask);
  const unsigned long g = (p & image->green_mask) >> __builtin_ctzl(image->green_mask);
  const unsigned long b = (p & image->blue_mask) >> __builtin_ctzl(image->blue_mask);
  return r << 16 | g << 8 | b;
}

// The window's pixels, cut to the part that lies on the screen (X refuses the rest).
XImage* grab(Display* d, Window w, XWindowAttributes& a) {
  if (!XGetWindowAttributes(d, w, &a)) return nullptr;
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(d, w, a.root, 0, 0, &x, &y, &child);
  a.width = std::max(0, std::min(a.width, WidthOfScreen(a.screen) - x));
  a.height = std::max(0, std::min(a.height, HeightOfScreen(a.screen) - y));
  if (x < 0 || y < 0 || a.width == 0 || a.height == 0) return nullptr;
  return XGetImage(d, w, 0, 0, unsigned(a.width), unsigned(a.height), AllPlanes, ZPixmap);
}

int save(Display* d, Window w, const char* path) {
  XWindowAttributes a;
  XImage* image = grab(d, w, a);
  if (!image) return 1;
  zorvane::image::Image picture{a.width, a.height, {}};
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) picture.pixels.push_back(uint32_t(rgbOf(image, x, y)));
  XDestroyImage(image);
  std::string error;
  if (zorvane::image::savePng(picture, path, error)) return 0;
  std::fprintf(stderr, "zorvane-xprobe: %s\n", error.c_str());
  return 1;
}

int count(Display* d, Window w, unsigned long rgb, const double area[4]) {
  XWindowAttributes a;
  XImage* image = grab(d, w, a);
  if (!image) return 1;
  const int x0 = int(area[0] * a.width), y0 = int(area[1] * a.height);
  const int x1 = int(area[2] * a.width), y1 = int(area[3] * a.height);
  long n = 0;
  int left = -1, top = -1, right = -1, bottom = -1;
  for (int y = y0; y < y1 && y < a.height; ++y)
    for (int x = x0; x < x1 && x < a.width; ++x) {
      if (rgbOf(image, x, y) != rgb) continue;
      if (n++ == 0) left = right = x, top = bottom = y;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  std::printf("%ld %d %d %d %d %d %d\n", n, left, top, right, bottom, a.width, a.height);
  XDestroyImage(image);
  return 0;
}

int close(Display* d, Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: zorvane-xprobe count WINDOW RRGGBB [X0 Y0 X1 Y1] | save WINDOW FILE.png | close WINDOW | destroy WINDOW\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "zorvane-xprobe: cannot open the display\n");
    return 1;
  }
  const Window w = Window(std::strtoul(argv[2], nullptr, 0));
  int status = 2;
  if (std::strcmp(argv[1], "count") == 0 && (argc == 4 || argc == 8)) {
    double area[4] = {0, 0, 1, 1};
    for (int i = 0; argc == 8 && i < 4; ++i) area[i] = std::atof(argv[4 + i]);
    status = count(d, w, std::strtoul(argv[3], nullptr, 16), area);
  } else if (std::strcmp(argv[1], "save") == 0 && argc == 4) {
    status = save(d, w, argv[3]);
  } else if (std::strcmp(argv[1], "close") == 0) {
    status = close(d, w);
  } else if (std::strcmp(argv[1], "destroy") == 0) {
    XDestroyWindow(d, w);
    XSync(d, False);
    status = 0;
  }
  XCloseDisplay(d);
  return status;
}
