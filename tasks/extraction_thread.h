#pragma once
// ExtractionThread: extracts the embedded 7z archive below a fresh directory in
// the user's temporary folder, on its own thread, reporting to a window with
// WM_WORKER_PROGRESS and, last, WM_EXTRACTION_FINISHED. Constructed, started,
// read and deleted on the UI thread; deleted only inside the handling of
// WM_EXTRACTION_FINISHED. Failures go to the wide standard error stream and
// show in success(). requestStop() may come from the UI thread at any time: the
// worker then stops between entries and still sends WM_EXTRACTION_FINISHED.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "Types.h"

class ExtractionThread {
 public:
  explicit ExtractionThread(HWND hwnd);
  ExtractionThread(const ExtractionThread&) = delete;
  ExtractionThread& operator=(const ExtractionThread&) = delete;

  // Stores the archive (not copied, must outlive the worker) and starts the thread.
  bool start(const void* data, uint32_t size);

  double progress() const { return _progress.load(std::memory_order_relaxed); }
  std::wstring extractionPath() const { return _extractionPath; }
  bool finished() const { return _finished; }
  // True when every entry of the archive was written.
  bool success() const { return _success; }
  // Asks the worker to stop before its next entry (the player cancelled).
  void requestStop() { _stopRequested.store(true, std::memory_order_relaxed); }
  // True when the worker ended early because a stop was asked for.
  bool stopped() const { return _stopped; }

  // The decoder's main allocator (block buffer, database): the SDK's SzAlloc/SzFree
  // unless a test swaps it, before start, to watch what the decoder allocates.
  void setMainAllocator(ISzAlloc* allocMain) { _allocMain = allocMain; }

  void doExtract();

 private:
  std::wstring _extractionPath;
  HANDLE _thread;
  HWND _hwnd;
  const void* _data;
  uint32_t _size;
  std::atomic<bool> _finished;  // set before the last message; read by the window at any time
  std::atomic<double> _progress;
  bool _success;
  std::atomic<bool> _stopRequested;
  bool _stopped;
  ISzAlloc* _allocMain;
  ISzAlloc* _allocTemp;
};

DWORD WINAPI ExtractionThreadRoutine(LPVOID worker);
