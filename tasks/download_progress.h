#pragma once
// DownloadProgress: the two counters of a running download that the progress
// window paints. The download worker owns one and writes it on its own thread;
// the paint reads it on the user-interface thread. Each counter is tear-free on
// its own (relaxed atomics): a stale value only affects one paint. Never fails.
#include <atomic>
#include <cstdint>

// The value of total when the server announced no length.
const int32_t DOWNLOAD_LENGTH_UNKNOWN = -1;

struct DownloadProgress {
  std::atomic<int32_t> total{0};     // announced length; 0 before the answer; DOWNLOAD_LENGTH_UNKNOWN when none
  std::atomic<int32_t> received{0};  // bytes received and written so far

  bool lengthUnknown() const { return total.load(std::memory_order_relaxed) < 0; }
  int32_t receivedBytes() const { return received.load(std::memory_order_relaxed); }

  // received / total while total is positive; otherwise 0, which draws no bar
  // (a negative "fraction" of an unknown length would mean nothing).
  double fraction() const {
    int32_t length = total.load(std::memory_order_relaxed);
    if (length <= 0) return 0.0;
    return static_cast<double>(received.load(std::memory_order_relaxed)) / static_cast<double>(length);
  }
};
