#include "app/message_loop.h"

#include <windows.h>

#include "app/globals.h"
#include "ui/common_controls.h"

void exec() {
  MSG msg = {};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    DispatchMessageW(&msg);
  }
}

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) initCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
