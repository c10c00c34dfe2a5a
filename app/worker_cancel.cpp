#include "app/worker_cancel.h"

#include "app/globals.h"
#include "app/messages.h"
#include "fs/run_log.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"

bool cancelWritingWorker() {
  if (thread == nullptr) return false;
  switch (_state) {
    case StateExtract:
    case StateExtracting:
      static_cast<ExtractionThread*>(thread)->requestStop();
      break;
    case StateRedistDownload:
      static_cast<DownloadThread*>(thread)->requestStop();
      break;
    case StateRedistInstall:
      // An elevated installer cannot be stopped from here: its end is the
      // first safe point, and nothing starts after it.
      break;
    default:
      return false;
  }
  _cancelled = true;
  return true;
}

void blockSessionEnd(int message) {
  HWND window = _window;
  // One look-up serves both: the reason is given, or taken back (a window
  // that gave none is left as it is).
  void* found = reinterpret_cast<void*>(GetProcAddress(
      GetModuleHandleW(L"user32.dll"), message != 0 ? "ShutdownBlockReasonCreate" : "ShutdownBlockReasonDestroy"));
  if (window == nullptr || found == nullptr) return;  // before Windows 6: no reasons to give
  if (message == 0) {
    reinterpret_cast<decltype(&::ShutdownBlockReasonDestroy)>(found)(window);
    return;
  }
  // The log only: the run goes on as well without it (Wine has no such reasons).
  if (!reinterpret_cast<decltype(&::ShutdownBlockReasonCreate)>(found)(window, tr(message).c_str()))
    logLine(L"No session-end reason: error %lu.", GetLastError());
}
