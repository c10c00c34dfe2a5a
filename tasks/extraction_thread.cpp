// Placeholder until the extraction lands.
#include "tasks/extraction_thread.h"

#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

ExtractionThread::ExtractionThread(HWND hwnd)
    : _thread(INVALID_HANDLE_VALUE), _hwnd(hwnd), _data(nullptr), _size(0), _finished(false), _progress(0.0),
      _success(false) {}

bool ExtractionThread::start(const void* data, uint32_t size) {
  _data = data;
  _size = size;
  return startWorkerThread(ExtractionThreadRoutine, this, _thread);
}

void ExtractionThread::doExtract() {
  _finished = true;
  notifyWindow(_hwnd, WM_EXTRACTION_FINISHED, this);
}

DWORD WINAPI ExtractionThreadRoutine(LPVOID worker) {
  static_cast<ExtractionThread*>(worker)->doExtract();
  return 0;
}
