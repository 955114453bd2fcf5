#include "win/window.h"

#include <windowsx.h>

#include "image/files.h"
#include "image/image.h"

namespace zorvane::win {

namespace {

constexpr wchar_t className[] = L"SuperZorvane";
constexpr DWORD windowed = WS_OVERLAPPEDWINDOW, borderless = WS_POPUP;

// The game's icon as Windows draws it: 32-bit colour, every pixel opaque.
HICON makeIcon(int size) {
  const image::Image picture = image::iconPicture(size);
  if (picture.pixels.empty()) return nullptr;
  std::vector<uint32_t> argb(picture.pixels.size());
  for (size_t i = 0; i < argb.size(); ++i) argb[i] = picture.pixels[i] | 0xFF000000u;
  ICONINFO ii{};
  ii.fIcon = TRUE;
  ii.hbmColor = CreateBitmap(size, size, 1, 32, argb.data());
  std::vector<uint8_t> mask(size_t((size + 15) / 16 * 2) * size, 0);
  ii.hbmMask = CreateBitmap(size, size, 1, 1, mask.data());
  HICON icon = ii.hbmColor && ii.hbmMask ? CreateIconIndirect(&ii) : nullptr;
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return icon;
}

}  // namespace

Window::~Window() {
  if (hwnd) DestroyWindow(hwnd);
  if (dib) DeleteObject(dib);
  if (icon) DestroyIcon(icon);
}

bool Window::open(const View& view, const std::string& title, bool fullscreen, std::string& error) {
  // Pixels are pixels on every monitor: the window scales the picture itself.
  if (!SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
    SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  icon = makeIcon(32);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = className;
  if (!RegisterClassExW(&wc)) return error = "cannot open a window: " + image::systemMessage(GetLastError()), false;

  // The opening scale: the display's DPI over 96, as large as fits the work area.
  const POINT origin{0, 0};
  const HMONITOR monitor = MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(monitor, &mi);
  const UINT dpi = GetDpiForSystem();
  const int scale = paint::openingScale(view, mi.rcWork.right - mi.rcWork.left, mi.rcWork.bottom - mi.rcWork.top,
                                        float(dpi));
  const paint::Placement p = paint::placeAtScale(view, scale);
  minWidth = std::max(1, p.targetWidth / scale / 4), minHeight = std::max(1, p.targetHeight / scale / 4);
  RECT r{0, 0, p.targetWidth, p.targetHeight};
  DWORD style = windowed;
  if (fullscreen) {
    style = borderless;
    r = mi.rcMonitor;
  } else {
    AdjustWindowRectExForDpi(&r, style, FALSE, 0, dpi);
    r = RECT{CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left, r.bottom - r.top};
  }
  hwnd = CreateWindowExW(0, className, image::wide(title).c_str(), style, r.left, r.top,
                         fullscreen ? r.right - r.left : r.right, fullscreen ? r.bottom - r.top : r.bottom, nullptr,
                         nullptr, instance, this);
  if (!hwnd) return error = "cannot open a window: " + image::systemMessage(GetLastError()), false;
  RECT client{};
  GetClientRect(hwnd, &client);
  if (!makePixels(client.right, client.bottom)) return error = "cannot draw the window", false;
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  return true;
}

void Window::setTitle(const std::string& title) { SetWindowTextW(hwnd, image::wide(title).c_str()); }

bool Window::makePixels(int w, int h) {
  w = std::max(w, 1), h = std::max(h, 1);
  if (dib && w == width && h == height) return true;
  info = BITMAPINFO{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows, as the painter writes them
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!made) return false;
  if (dib) DeleteObject(dib);
  dib = made, bits = static_cast<uint32_t*>(pixels), width = w, height = h;
  renewed = true;
  return true;
}

void Window::copy(HDC dc, const paint::Rect& r) {
  // Rows of a top-down DIB count from its last one here, as for a bottom-up one.
  SetDIBitsToDevice(dc, r.x, r.y, DWORD(r.w), DWORD(r.h), r.x, height - r.y - r.h, 0, UINT(height), bits, &info,
                    DIB_RGB_COLORS);
}

bool Window::show(const Paint& paint) {
  if (!bits) return false;
  // Blue, green, red and an unused byte: 0x00RRGGBB in each pixel.
  const std::vector<paint::Rect>& patches = paint(paint::Target{bits, width, height, width, paint::xrgb});
  if (patches.empty()) return false;
  GdiFlush();
  const HDC dc = GetDC(hwnd);
  for (const paint::Rect& r : patches) copy(dc, r);
  ReleaseDC(hwnd, dc);
  return true;
}

const std::vector<Event>& Window::wait(double ms) {
  handed.clear();
  if (events.empty()) {
    const DWORD timeout = ms <= 0 ? 0 : ms >= 1e9 ? INFINITE : DWORD(std::ceil(ms));
    MsgWaitForMultipleObjects(0, nullptr, FALSE, timeout, QS_ALLINPUT);
  }
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) events.push_back(Event{Event::Close});
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  handed.swap(events);
  return handed;
}

LRESULT CALLBACK Window::procedure(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  return self ? self->handleMessage(message, w, l) : DefWindowProcW(hwnd, message, w, l);
}

LRESULT Window::handleMessage(UINT message, WPARAM w, LPARAM l) {
  const int x = GET_X_LPARAM(l), y = GET_Y_LPARAM(l);
  switch (message) {
    case WM_CLOSE: events.push_back(Event{Event::Close}); return 0;
    case WM_KILLFOCUS: events.push_back(Event{Event::FocusLost}); return 0;
    case WM_ENDSESSION:
      if (w && lastWords) lastWords();
      return 0;
    case WM_SIZE:
      if (w != SIZE_MINIMIZED) makePixels(LOWORD(l), HIWORD(l));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(hwnd, &ps);
      if (bits) copy(dc, paint::Rect{0, 0, width, height});
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_DPICHANGED: {
      const RECT* r = reinterpret_cast<const RECT*>(l);
      SetWindowPos(hwnd, nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_GETMINMAXINFO: {
      RECT r{0, 0, minWidth, minHeight};
      AdjustWindowRectExForDpi(&r, DWORD(GetWindowLongW(hwnd, GWL_STYLE)), FALSE, 0, GetDpiForWindow(hwnd));
      reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{r.right - r.left, r.bottom - r.top};
      return 0;
    }
    // Keys reach the game with Windows' own virtual key codes: the game's codes.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      events.push_back(Event{Event::KeyDown, int16_t(w & 0xFF), (l & (1 << 30)) != 0});
      if (message == WM_SYSKEYDOWN && w == VK_F4) break;  // Alt+F4 closes the window
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      events.push_back(Event{Event::KeyUp, int16_t(w & 0xFF)});
      if (message == WM_SYSKEYUP && w != VK_F10 && w != VK_MENU) break;
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetCapture(hwnd);
      events.push_back(Event{Event::PointerDown, 0, false, x, y, message == WM_RBUTTONDOWN});
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      ReleaseCapture();
      events.push_back(Event{Event::PointerUp, 0, false, x, y, message == WM_RBUTTONUP});
      return 0;
    case WM_MOUSEMOVE:
      if (!tracking) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, hwnd, 0};
        tracking = TrackMouseEvent(&t);
      }
      events.push_back(Event{Event::PointerMove, 0, false, x, y});
      return 0;
    case WM_MOUSELEAVE:
      tracking = false;
      events.push_back(Event{Event::PointerLeft});
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, message, w, l);
}

}  // namespace zorvane::win
