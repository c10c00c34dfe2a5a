#include "tasks/worker_thread.h"

bool startWorkerThread(LPTHREAD_START_ROUTINE routine, void* worker, HANDLE& threadField) {
  HANDLE handle = CreateThread(nullptr, 0, routine, worker, 0, nullptr);
  threadField = handle;
  if (handle == nullptr) return false;
  // Detached: nobody joins or terminates it; it ends after its last notification.
  CloseHandle(handle);
  return true;
}

void notifyWindow(HWND window, UINT message, void* worker) {
  SendMessageW(window, message, 0, reinterpret_cast<LPARAM>(worker));
}
