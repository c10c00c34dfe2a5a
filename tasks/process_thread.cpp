#include "tasks/process_thread.h"

#include "launch/elevated_process.h"
#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

ProcessThread::ProcessThread(HWND hwnd, const std::wstring& executable, const std::wstring& arguments, HANDLE held)
    : _executable(executable),
      _arguments(arguments),
      _held(held),
      _thread(INVALID_HANDLE_VALUE),
      _hwnd(hwnd),
      _ret(-1),
      _finished(false) {}

bool ProcessThread::start() { return startWorkerThread(ProcessThreadRoutine, this, _thread); }

void ProcessThread::doRunProcess() {
  _ret.store(execute_elevated_process(_executable, _arguments, WAIT_FOR_EXIT, _held), std::memory_order_relaxed);
  _finished.store(true);
  // The window deletes this object while handling the message: touch nothing after it.
  notifyWindow(_hwnd, WM_PROCESS_FINISHED, this);
}

DWORD WINAPI ProcessThreadRoutine(LPVOID worker) {
  static_cast<ProcessThread*>(worker)->doRunProcess();
  return 0;
}
