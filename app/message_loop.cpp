#include "app/message_loop.h"

#include <windows.h>

#include "app/globals.h"
#include "fs/run_log.h"
#include "ui/common_controls.h"

namespace {
bool _loopRunning = false;
// QUIT_POSTED once endRun() was called: the next quit is the run's own.
// QUIT_FOREIGN_SAID once a quit that it did not post was written in the log.
const int QUIT_POSTED = 1, QUIT_FOREIGN_SAID = 2;
int _quits = 0;
}  // namespace

void exec() {
  _loopRunning = true;
  MSG msg = {};
  for (BOOL got; (got = GetMessageW(&msg, nullptr, 0, 0)) != -1;) {
    if (got != 0) {
      DispatchMessageW(&msg);
      continue;
    }
    int quits = _quits;
    if (quits & QUIT_POSTED) {
      break;
    } else if (!(quits & QUIT_FOREIGN_SAID)) {
      // Any program of the player's can post a quit to this thread or window,
      // and it looks like ours. Windows itself never asks a program to end that
      // way (it sends WM_CLOSE or the session's end, both served): a quit that
      // the run did not post is forged, and ending on it would leave a worker's
      // files behind. It is ignored, as other forged messages are.
      logLine(L"A quit the run did not post is ignored.");
      _quits |= QUIT_FOREIGN_SAID;
    }
  }
  _loopRunning = false;
}

void endRun(int code) {
  _quits |= QUIT_POSTED;
  PostQuitMessage(code);
}

bool messageLoopRunning() { return _loopRunning; }

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) initCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
