// Creating the progress window: one class, one borderless pop-up, centred, its
// size scaled to the primary screen's DPI.
#include <windows.h>

#include "app/globals.h"
#include "app/messages.h"
#include "app/state_machine.h"
#include "ui/window.h"
#include "ui/window_dpi.h"

namespace {
const wchar_t* const WINDOW_CLASS = L"VelmorBootstrapWindow";
const COLORREF WINDOW_BACKGROUND = RGB(40, 40, 40);
const int WINDOW_WIDTH = 350;
const int WINDOW_HEIGHT = 65;
const int TITLE_MESSAGE = 10005;
}  // namespace

bool createWindow(HINSTANCE instance) {
  WNDCLASSW windowClass;
  ZeroMemory(&windowClass, sizeof(windowClass));
  windowClass.lpfnWndProc = WndProc;
  windowClass.hInstance = instance;
  // Owned by the class for the life of the process.
  windowClass.hbrBackground = CreateSolidBrush(WINDOW_BACKGROUND);
  windowClass.lpszClassName = WINDOW_CLASS;
  if (!RegisterClassW(&windowClass)) {
    DeleteObject(windowClass.hbrBackground);
    return false;
  }

  std::wstring title = tr(TITLE_MESSAGE);
  // A pop-up placed with CW_USEDEFAULT stands at the primary screen's origin;
  // centred below. Without a frame its client area is the whole window.
  UINT dpi = primaryScreenDpi();
  _window = CreateWindowExW(0, WINDOW_CLASS, title.c_str(), WS_POPUP | WS_VISIBLE | WS_SYSMENU, CW_USEDEFAULT,
                            CW_USEDEFAULT, scaleForDpi(WINDOW_WIDTH, dpi), scaleForDpi(WINDOW_HEIGHT, dpi), nullptr,
                            nullptr, instance, nullptr);
  if (_window == nullptr) return false;

  RECT rect;
  GetWindowRect(_window, &rect);
  int x = (GetSystemMetrics(SM_CXSCREEN) - rect.right) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - rect.bottom) / 2;
  SetWindowPos(_window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return true;
}
