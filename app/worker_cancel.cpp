#include "app/worker_cancel.h"

#include "app/globals.h"
#include "tasks/extraction_thread.h"

bool cancelWritingWorker() {
  if (thread == nullptr) return false;
  switch (_state) {
    case StateExtract:
    case StateExtracting:
      static_cast<ExtractionThread*>(thread)->requestStop();
      break;
    // The download (StateRedistDownload) stops the same way once it exists.
    default:
      return false;
  }
  _cancelled = true;
  return true;
}
