#include "app/message_loop.h"

#include <windows.h>

#include "app/globals.h"
#include "fs/run_log.h"
#include "ui/common_controls.h"

namespace {
bool _loopRunning = false;
bool _quitPosted = false;  // endRun() was called: the next quit is the run's own
bool _foreignQuitLogged = false;
}  // namespace

void exec() {
  _loopRunning = true;
  MSG msg = {};
  for (BOOL got; (got = GetMessageW(&msg, nullptr, 0, 0)) != -1;) {
    if (got != 0) {
      DispatchMessageW(&msg);
    } else if (_quitPosted) {
      break;
    } else if (!_foreignQuitLogged) {
      // Any program of the player's can post a quit to this thread or window,
      // and it looks like ours. Windows itself never asks a program to end that
      // way (it sends WM_CLOSE or the session's end, both served): a quit that
      // the run did not post is forged, and ending on it would leave a worker's
      // files behind. It is ignored, as other forged messages are.
      logLine(L"A quit message that the run did not post is ignored (and any more like it).");
      _foreignQuitLogged = true;
    }
  }
  _loopRunning = false;
}

void endRun() {
  _quitPosted = true;
  PostQuitMessage(0);
}

bool messageLoopRunning() { return _loopRunning; }

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) initCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
