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
    if (_quits & QUIT_POSTED) break;
    if (!(_quits & QUIT_FOREIGN_SAID)) {
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

DWORD waitServingMessages(HANDLE object, DWORD milliseconds, void* const* emptied) {
  // Without a window there is nothing to serve, and a thread's first message
  // call costs the everyday start of the game (under Wine it connects the
  // display: about 100 ms).
  if (_window == nullptr) return WaitForSingleObject(object, milliseconds);
  MSG msg, quit = {};
  bool quitTaken = false;
  DWORD begun = GetTickCount(), result = WAIT_TIMEOUT;
  for (DWORD waited = 0; waited < milliseconds; waited = GetTickCount() - begun) {
    if (emptied != nullptr && *emptied == nullptr) {
      result = WAIT_OBJECT_0;
      break;
    }
    DWORD woke = MsgWaitForMultipleObjects(object ? 1 : 0, &object, FALSE, milliseconds - waited, QS_ALLINPUT);
    if (woke == WAIT_FAILED || (object != nullptr && woke == WAIT_OBJECT_0)) {
      result = woke;
      break;
    }
    // Sent messages are delivered inside the peek; posted ones are taken out here.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
      else quit = msg, quitTaken = true;
    }
  }
  // Posted again only now: a quit in the queue would wake every wait at once.
  if (quitTaken) PostQuitMessage(static_cast<int>(quit.wParam));
  return result;
}

bool messageLoopRunning() { return _loopRunning; }

void showErrorMessage(const std::wstring& text) {
  if (_window == nullptr) initCommonControls();
  MessageBoxW(nullptr, text.c_str(), L"Oups!", MB_OK | MB_ICONERROR);
}
