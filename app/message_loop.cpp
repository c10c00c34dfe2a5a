#include "app/message_loop.h"

#include <windows.h>
#include <commctrl.h>

#include "app/globals.h"

void exec() {
  MSG msg = {};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }
}

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) InitCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
