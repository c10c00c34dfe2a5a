#include "ui/status_line.h"

#include <cmath>
#include <cstdint>
#include <cwchar>

#include "app/globals.h"
#include "app/messages.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"

namespace {

const int MESSAGE_LOADING = 10001;
const int MESSAGE_INSTALLING = 10002;
const int MESSAGE_LAUNCHING = 10003;
const int MESSAGE_EXTRACTING = 10007;

const int32_t BYTES_PER_KB = 1024;
const int32_t BYTES_PER_MB = 1024 * 1024;

// Room for the longest number either line prints.
const size_t NUMBER_CHARS = 32;

StatusLine percentLine(int message, double fraction) {
  return {tr(message) + L" " + percentText(fraction), fraction, true};
}

// A download whose length was never announced: how much has arrived, no bar.
StatusLine receivedLine(int message, int32_t bytes) {
  wchar_t amount[NUMBER_CHARS];
  if (bytes < BYTES_PER_MB) {
    swprintf(amount, NUMBER_CHARS, L" %ld KB", static_cast<long>((bytes + BYTES_PER_KB - 1) / BYTES_PER_KB));
  } else {
    swprintf(amount, NUMBER_CHARS, L" %.1f MB", static_cast<double>(bytes) / BYTES_PER_MB);
  }
  return {tr(message) + amount, 0.0};
}

}  // namespace

// "%g" is the default formatting of a double: 42.0 prints "42".
std::wstring percentText(double fraction) {
  wchar_t number[NUMBER_CHARS];
  swprintf(number, NUMBER_CHARS, L"%g%%", std::ceil(fraction * 100.0));
  return number;
}

StatusLine statusLine() {
  switch (_state) {
    case StateRedistDownload: {
      if (thread == nullptr) return percentLine(MESSAGE_LOADING, 0.0);  // no worker: nothing done yet
      const DownloadProgress& counters = static_cast<const DownloadThread*>(thread)->counters();
      if (counters.lengthUnknown()) return receivedLine(MESSAGE_LOADING, counters.receivedBytes());
      return percentLine(MESSAGE_LOADING, counters.fraction());
    }
    case StateExtracting:
      if (thread == nullptr) return percentLine(MESSAGE_EXTRACTING, 0.0);
      return percentLine(MESSAGE_EXTRACTING, static_cast<const ExtractionThread*>(thread)->progress());
    case StateRedistDownloaded:
    case StateRedistInstall:
      return {tr(MESSAGE_INSTALLING), 0.0};
    case StateRedistInstalled:
    case StateLaunchInstalled:
    case StateLaunchExtracted:
      return {tr(MESSAGE_LAUNCHING), 0.0};
    default:
      return {};
  }
}
