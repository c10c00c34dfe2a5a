#pragma once
// DownloadThread: fetches the redistributable's installer on its own thread.
// So far it holds only what the progress window reads while it runs, its
// counters; the download writes them from its thread, the paint reads them on
// the user-interface thread through progress() and counters().
#include "tasks/download_progress.h"

class DownloadThread {
 public:
  DownloadThread() = default;
  DownloadThread(const DownloadThread&) = delete;
  DownloadThread& operator=(const DownloadThread&) = delete;

  // The fraction done; 0 while the length is not (or never) known.
  double progress() const { return _counters.fraction(); }
  const DownloadProgress& counters() const { return _counters; }
  DownloadProgress& counters() { return _counters; }

 private:
  DownloadProgress _counters;
};
