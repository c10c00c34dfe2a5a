#include "app/message_loop.h"

#include <windows.h>

#include "app/globals.h"
#include "ui/common_controls.h"

namespace {
bool _loopRunning = false;
}  // namespace

void exec() {
  _loopRunning = true;
  MSG msg = {};
  for (BOOL got; (got = GetMessageW(&msg, nullptr, 0, 0)) != -1;) {
    // The run's own quit (PostQuitMessage) names no window: one posted to the
    // window came from another program, and would end the run under a worker.
    if (got == 0 && msg.hwnd == nullptr) break;
    if (got != 0) DispatchMessageW(&msg);
  }
  _loopRunning = false;
}

bool messageLoopRunning() { return _loopRunning; }

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) initCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
