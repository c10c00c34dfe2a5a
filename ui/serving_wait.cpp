#include "ui/serving_wait.h"

namespace {
// Nested waits are possible (a session's end during a start check).
int _waits = 0;
}  // namespace

DWORD waitServingMessages(HANDLE object, DWORD milliseconds, bool (*done)()) {
  ++_waits;
  MSG msg, quit = {};
  bool quitTaken = false;
  DWORD begun = GetTickCount(), result = WAIT_TIMEOUT;
  for (DWORD waited = 0; !(done != nullptr && done()) && waited < milliseconds; waited = GetTickCount() - begun) {
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
  if (quitTaken) PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, quit.wParam, quit.lParam);
  --_waits;
  return result;
}

bool servingWaitRunning() { return _waits > 0; }
