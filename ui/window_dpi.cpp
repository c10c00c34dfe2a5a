// The window's DPI: GetDpiForWindow (Windows 10 1607), GetDpiForMonitor (8.1),
// else the screen's LOGPIXELSY, which is the system DPI and, before 8.1, every
// screen's.
// The newer declarations are needed for their exact prototypes only: every one
// is looked up at run time, so the program still starts on older Windows.
#undef _WIN32_WINNT
#undef WINVER
#define _WIN32_WINNT 0x0A00
#define WINVER 0x0A00
#include <windows.h>
#include <shellscalingapi.h>

#include "fs/system_library.h"
#include "ui/window_dpi.h"

namespace {

UINT monitorDpi(HMONITOR monitor) {
  // Loaded once, from the system folder, and kept for the process's life.
  static HMODULE library = loadSystemLibrary(L"shcore.dll");
  static auto forMonitor = systemFunction<decltype(&::GetDpiForMonitor)>(library, "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (forMonitor != nullptr && monitor != nullptr && SUCCEEDED(forMonitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) &&
      y > 0)
    return y;
  return systemDpi();
}

}  // namespace

UINT systemDpi() {
  static UINT dpi = 0;
  if (dpi == 0) {
    HDC screen = GetDC(nullptr);
    int logical = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    dpi = logical > 0 ? static_cast<UINT>(logical) : BASE_DPI;
  }
  return dpi;
}

int scaleForDpi(int length, UINT dpi) { return MulDiv(length, static_cast<int>(dpi), BASE_DPI); }

UINT primaryScreenDpi() { return monitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY)); }

UINT windowDpi(HWND window) {
  static auto forWindow =
      systemFunction<decltype(&::GetDpiForWindow)>(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
  UINT dpi = forWindow != nullptr ? forWindow(window) : 0;
  return dpi > 0 ? dpi : monitorDpi(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY));
}

void onDpiChanged(HWND window, LPARAM suggestion) {
  // Read as a copy that fails, where a plain read of a stray address would crash.
  RECT suggested = {};
  SIZE_T read = 0;
  bool readable = suggestion != 0 && ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(suggestion),
                                                       &suggested, sizeof(suggested), &read) &&
                  read == sizeof(suggested);
  // In 64 bits: the corners of a forged rectangle may lie a whole int apart.
  LONGLONG width = LONGLONG(suggested.right) - suggested.left, height = LONGLONG(suggested.bottom) - suggested.top;
  if (readable && width > 0 && height > 0 && width <= GetSystemMetrics(SM_CXVIRTUALSCREEN) &&
      height <= GetSystemMetrics(SM_CYVIRTUALSCREEN) && MonitorFromRect(&suggested, MONITOR_DEFAULTTONULL) != nullptr)
    SetWindowPos(window, nullptr, suggested.left, suggested.top, int(width), int(height), SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}
