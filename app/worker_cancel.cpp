#include "app/worker_cancel.h"

#include "app/globals.h"
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
