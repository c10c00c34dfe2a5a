/* The floor of an install's first moment: a program that registers the
   bootstrap's window class and shows the same borderless 350x65 window,
   centred, and does nothing else but keep it (its message loop).
   usage: bare_window.exe */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  WNDCLASSW windowClass = {0};
  HWND window;
  RECT rect;
  MSG message;
  (void)previous, (void)commandLine, (void)show;
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = CreateSolidBrush(RGB(40, 40, 40));
  windowClass.lpszClassName = L"VelmorBootstrapWindow";
  if (!RegisterClassW(&windowClass)) return 1;
  window = CreateWindowExW(0, windowClass.lpszClassName, L"Vorak", WS_POPUP | WS_VISIBLE | WS_SYSMENU, CW_USEDEFAULT,
                           CW_USEDEFAULT, 350, 65, NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  GetWindowRect(window, &rect);
  SetWindowPos(window, NULL, (GetSystemMetrics(SM_CXSCREEN) - rect.right) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - rect.bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
