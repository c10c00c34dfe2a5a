// The runtime's branch of the run: download its installer, check it, run it
// elevated, then go on with the normal start. Every failure enters
// StateFailed. User-interface thread; entered through beginState, which finds
// these states in REDIST_STATES.

#include "app/extraction_directory.h"
#include "app/globals.h"
#include "app/message_loop.h"
#include "app/redistributable.h"
#include "app/state_machine.h"
#include "app/worker_cancel.h"
#include "fs/diagnostic.h"
#include "fs/file_path.h"
#include "fs/run_log.h"
#include "launch/final_path.h"
#include "launch/signature_check.h"
#include "tasks/download_thread.h"
#include "tasks/process_thread.h"

namespace {

// Installer exit codes that mean success: done, and done but a restart is due
// (which the player is left to make).
const int32_t INSTALLER_SUCCESS = 0;
const int32_t INSTALLER_SUCCESS_RESTART_REQUIRED = 3010;

// The installer lives in a folder of its own in TEMP, with the file that reserved its name.
void deleteDownload() {
  // Nothing of the branch writes any more.
  blockSessionEnd(0);
  _redist_file.reset();
  if (_redist_path.empty()) return;
  // Its own folder's real place, which TEMP may no longer lead to.
  FilePath folder = FilePath(_redist_path).parent();
  deleteExtractionDirectory(folder.str(), folder.parent().str() + L"\\");
  _redist_path.clear();
}

void onRedistDownload() {
  if (!createUi()) return;
  DownloadThread* worker = new DownloadThread(_window, VC_REDIST_URL_DOMAIN, VC_REDIST_URL_PATH, std::wstring(),
                                              VC_REDIST_URL_PORT, VC_REDIST_SILENCE_MS, VC_REDIST_FLOOR_WINDOW_MS);
  thread = worker;
  if (!worker->start()) {
    delete worker;
    thread = nullptr;
    beginState(StateFailed);
    return;
  }
  blockSessionEnd(SESSION_REASON_DOWNLOAD);
  if (!messageLoopRunning()) exec();
}

void onRedistDownloaded() {
  if (thread == nullptr) return;
  DownloadThread* worker = static_cast<DownloadThread*>(thread);
  bool downloaded = worker->finished() && worker->success();
  _redist_path = worker->file();
  // Held from here until it has run: the folder is the player's, and any
  // program of theirs could otherwise swap the file after its check.
  bool held = false;
  if (downloaded && !_cancelled) {
    // TEMP may lie behind a link that another program can point elsewhere:
    // from here on, the installer is reached by the path its handle resolves to.
    std::wstring own = finalPathOf(worker->writtenFile().get());
    if (own.empty()) {
      diagnose(L"Error: the runtime's installer has no path of its own: %lu.\n", GetLastError());
    } else {
      _redist_path = own;
      held = _redist_file.hold(worker->writtenFile(), _redist_path);
      if (!held) diagnose(L"Error: the runtime's installer could not be held: %lu.\n", GetLastError());
    }
  }
  delete worker;
  thread = nullptr;
  if (_cancelled) {
    deleteDownload();
    endRun(0);
    return;
  }
  if (!held) {
    deleteDownload();
    beginState(StateFailed);
    return;
  }
  beginState(StateRedistInstall);
}

void onRedistInstall() {
  // Plain HTTP lets anyone on the way serve any file: only the runtime's own
  // installer, checked as held, runs with administrator rights.
  if (!isTrustedInstaller(_redist_file.get(), _redist_path, VC_REDIST_POLICY)) {
    deleteDownload();
    beginState(StateFailed);
    return;
  }
  logLine(L"The runtime's installer %ls starts elevated with: %ls", _redist_path.c_str(), VC_REDIST_ARGS);
  ProcessThread* worker = new ProcessThread(_window, _redist_path, VC_REDIST_ARGS, _redist_file.get());
  thread = worker;
  if (!worker->start()) {
    delete worker;
    thread = nullptr;
    deleteDownload();
    beginState(StateFailed);
    return;
  }
  blockSessionEnd(SESSION_REASON_INSTALLER);
}

void onRedistInstalled() {
  if (thread == nullptr) return;
  ProcessThread* worker = static_cast<ProcessThread*>(thread);
  int32_t exitCode = worker->ret();
  logLine(L"The runtime's installer ended with exit code %ld.", static_cast<long>(exitCode));
  delete worker;
  thread = nullptr;
  deleteDownload();
  if (_cancelled) {
    endRun(0);
    return;
  }
  if (exitCode == INSTALLER_SUCCESS || exitCode == INSTALLER_SUCCESS_RESTART_REQUIRED) {
    beginState(StateStart);
  } else {
    beginState(StateFailed);
  }
}

}  // namespace

void (*const REDIST_STATES[StateRedistInstalled - StateRedistDownload + 1])() = {
    onRedistDownload, onRedistDownloaded, onRedistInstall, onRedistInstalled};
