#include "app/session_end.h"

#include <windows.h>

#include "app/globals.h"
#include "app/messages.h"
#include "app/worker_cancel.h"
#include "fs/run_log.h"
#include "fs/system_library.h"
#include "ui/serving_wait.h"

namespace {
// Windows ends a program a few seconds after the session's end: the worker's
// stop (within one entry, or a moment for the download) and the deletion fit
// well within this, and what does not, stays.
const DWORD SESSION_END_PATIENCE_MS = 3000;
// The window's status lines for the writing states.
const int MESSAGE_LOADING = 10001;
const int MESSAGE_INSTALLING = 10002;
const int MESSAGE_EXTRACTING = 10007;

bool _blocked = false;
bool _blockRefused = false;  // said once in the log
bool _ended = false;
std::wstring _removal;  // what the cancelled run's clean-up did, as its last line says it

HMODULE user32() { return GetModuleHandleW(L"user32.dll"); }
bool workerDone() { return thread == nullptr; }
}  // namespace

void blockSessionEnd() {
  auto create = systemFunction<decltype(&::ShutdownBlockReasonCreate)>(user32(), "ShutdownBlockReasonCreate");
  if (create == nullptr || _window == nullptr) return;  // before Windows 6: no reasons to give
  int message = _state == StateRedistDownload  ? MESSAGE_LOADING
                : _state == StateRedistInstall ? MESSAGE_INSTALLING
                                               : MESSAGE_EXTRACTING;
  _blocked = create(_window, tr(message).c_str()) != FALSE;
  // The log only, and once: the run goes on as well without it (Wine has no such reasons).
  if (_blocked || _blockRefused) return;
  _blockRefused = true;
  logLine(L"No reason for the session's end could be given to Windows: error %lu.", GetLastError());
}

void allowSessionEnd() {
  auto destroy = systemFunction<decltype(&::ShutdownBlockReasonDestroy)>(user32(), "ShutdownBlockReasonDestroy");
  if (_blocked && destroy != nullptr && _window != nullptr) destroy(_window);
  _blocked = false;
}

void noteRemoval(const std::wstring& path, bool removed) {
  if (!path.empty()) _removal = (removed ? L"removed " : L"could not remove all of ") + path;
}

void onSessionEnd() {
  if (_ended) return;
  _ended = true;
  if (cancelWritingWorker()) waitServingMessages(nullptr, SESSION_END_PATIENCE_MS, workerDone);
  if (!_removal.empty()) {
    logLine(L"The session ends: %ls.", _removal.c_str());
  } else if (thread != nullptr) {
    // An elevated installer cannot be stopped, nor a slow worker waited for:
    // what they hold stays.
    logLine(L"The session ends before the worker has stopped: what it wrote stays.");
  } else if (!_bootstraped_path.empty()) {
    logLine(L"The session ends while the updater runs from %ls, which stays.", _bootstraped_path.c_str());
  } else {
    logLine(L"The session ends: the run has nothing in TEMP.");
  }
}

bool sessionEnded() { return _ended; }
