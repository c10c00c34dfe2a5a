#pragma once
// ProcessThread: runs one program elevated (execute_elevated_process) on its
// own thread, waits for it, then sends WM_PROCESS_FINISHED as its last act.
// Constructed, started, read and deleted on the UI thread; deleted only inside
// the handling of WM_PROCESS_FINISHED. A program that cannot run, or a declined
// elevation, shows only in ret().
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class ProcessThread {
 public:
  // held: the executable, held open since its check (execute_elevated_process).
  ProcessThread(HWND hwnd, const std::wstring& executable, const std::wstring& arguments, HANDLE held);
  ProcessThread(const ProcessThread&) = delete;
  ProcessThread& operator=(const ProcessThread&) = delete;

  // Starts the thread; false when none could be created (no message will come).
  bool start();

  // -1 until the program has run, then its exit code or the runner's error value.
  int32_t ret() const { return _ret.load(std::memory_order_relaxed); }
  // Nothing reads this; ret() carries the outcome.
  bool success() const { return false; }
  // True once the program has ended, just before WM_PROCESS_FINISHED.
  bool finished() const { return _finished.load(); }

  void doRunProcess();

 private:
  const std::wstring _executable;
  const std::wstring _arguments;
  const HANDLE _held;
  HANDLE _thread;
  HWND _hwnd;
  std::atomic<int32_t> _ret;
  std::atomic<bool> _finished;
};

DWORD WINAPI ProcessThreadRoutine(LPVOID worker);
