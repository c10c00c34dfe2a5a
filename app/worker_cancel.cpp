#include "app/worker_cancel.h"

#include "app/globals.h"
#include "app/messages.h"
#include "fs/run_log.h"
#include "fs/system_library.h"
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
  // Before Windows 6 there are no reasons to give; a window that gave none is left as it is.
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (_window == nullptr) return;
  if (message == 0) {
    auto destroy = systemFunction<decltype(&::ShutdownBlockReasonDestroy)>(user32, "ShutdownBlockReasonDestroy");
    if (destroy != nullptr) destroy(_window);
    return;
  }
  auto create = systemFunction<decltype(&::ShutdownBlockReasonCreate)>(user32, "ShutdownBlockReasonCreate");
  // The log only: the run goes on as well without it (Wine has no such reasons).
  if (create != nullptr && !create(_window, tr(message).c_str()))
    logLine(L"No session-end reason: error %lu.", GetLastError());
}
