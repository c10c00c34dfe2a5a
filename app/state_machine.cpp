#include "app/state_machine.h"

#include "app/extraction_directory.h"
#include "app/globals.h"
#include "app/message_loop.h"
#include "app/messages.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "app/self_removal.h"
#include "app/worker_cancel.h"
#include "launch/updater_launch.h"
#include "tasks/extraction_thread.h"
#include "ui/common_controls.h"
#include "ui/window.h"

namespace {

// The embedded 7z payload, RT_RCDATA.
const WORD PAYLOAD_RESOURCE_ID = 100;
// Messages shown in the "Oups!" box.
const int MESSAGE_DAMAGED_INSTALLATION = 10004;
const int MESSAGE_REDIST_FAILED = 10006;

const wchar_t* const STATE_NAMES[] = {
    L"None",        L"RedistDownload", L"RedistDownloaded", L"RedistInstall", L"RedistInstalled",
    L"Start",       L"LaunchInstalled", L"LaunchExtracted", L"WaitUpdater",   L"Extract",
    L"Extracting",  L"LaunchFailed",   L"Failed"};

// The box, after the run's log is there for support to read why.
void showError(int message) {
  logLine(L"Box \"Oups!\" with message %d.", message);
  keepRunLog();
  showErrorMessage(tr(message));
}

// Handled at once by WndProc: in StateLaunchExtracted it destroys the window
// and enters StateWaitUpdater, otherwise it ends the message loop.
void closeWindow() {
  if (_window != nullptr) SendMessageW(_window, WM_CLOSE, 0, 0);
}

void repaint() {
  if (_window == nullptr) return;
  InvalidateRect(_window, nullptr, TRUE);
  UpdateWindow(_window);
}

void onStart() {
  if (_action == ActionNone) {
    beginState(StateLaunchInstalled);
  } else if (_action >= ActionInstall && _action <= ActionUninstallOrRepair) {
    beginState(StateExtract);
  }
}

void onLaunchInstalled() {
  LaunchResult result = LaunchWayspanner::launch();
  if (result.code == NotFound) {
    beginState(StateExtract);
  } else if (result.code == StartFailed) {
    beginState(StateLaunchFailed);
  }
  closeWindow();
}

void onLaunchExtracted() {
  if (thread == nullptr) return;
  ExtractionThread* worker = static_cast<ExtractionThread*>(thread);
  _bootstraped_path = worker->extractionPath();
  bool extracted = worker->success();
  delete worker;
  thread = nullptr;
  blockSessionEnd(0);

  // The player closed the window: nothing is started and nothing is left.
  if (_cancelled) {
    deleteExtractionDirectory(_bootstraped_path);
    _bootstraped_path.clear();
    endRun(0);
    return;
  }

  // A partly extracted updater is never started.
  LaunchResult result = {NotFound, 0, nullptr};
  if (extracted) {
    result = _action == ActionAutoRepair ? LaunchWayspanner::launch_bootstraped_for_repair(_bootstraped_path)
                                         : LaunchWayspanner::launch_bootstraped(_bootstraped_path);
  }
  // A close during the start check counts now: after a start it is the close
  // below; after a failed one it cancels what would follow.
  if (result.code != Started) {
    // Nothing runs from the extraction: remove it before repairing or reporting.
    deleteExtractionDirectory(_bootstraped_path);
    _bootstraped_path.clear();
    if (_closed_during_wait) {
      _cancelled = true;
      endRun(0);
      return;
    }
    beginState(StateLaunchFailed);
    return;
  }
  _bootstraped_pid = result.pid;
  _bootstraped_process = result.process;
  closeWindow();
}

void onWaitUpdater() {
  // The launcher kept the updater's own process open: reopening it by id would
  // miss one that ended within the start check, or find another process.
  if (_bootstraped_process) {
    WaitForSingleObject(_bootstraped_process.get(), INFINITE);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(_bootstraped_process.get(), &exitCode)) _bootstraped_exit_code = exitCode;
    _bootstraped_process.reset();
    logLine(L"The updater ended with exit code %lu.", _bootstraped_exit_code);
  }
  deleteExtractionDirectory(_bootstraped_path);
  if ((_action == ActionUninstall || _action == ActionUninstallOrRepair) &&
      _bootstraped_exit_code == UPDATER_EXIT_UNINSTALLED) {
    logLine(L"The game is uninstalled: the bootstrap removes itself.");
    removeSelf();
  }
  endRun(0);
}

void onExtract() {
  // Without a window no notification could ever arrive: createUi has already
  // taken the run to StateFailed.
  if (!createUi()) return;

  HRSRC found = FindResourceW(_instance, MAKEINTRESOURCEW(PAYLOAD_RESOURCE_ID), MAKEINTRESOURCEW(10));
  HGLOBAL loaded = found ? LoadResource(_instance, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  DWORD size = found ? SizeofResource(_instance, found) : 0;

  ExtractionThread* worker = new ExtractionThread(_window);
  thread = worker;
  if (!worker->start(data, size)) {
    delete worker;
    thread = nullptr;
    beginState(StateFailed);
    return;
  }
  blockSessionEnd(SESSION_REASON_EXTRACTION);
  beginState(StateExtracting);
  // A repair entered from a running loop goes on in that loop: a second one
  // would outlive the quit that ends the run.
  if (!messageLoopRunning()) exec();
}

void onLaunchFailed() {
  // The installed updater failed: one repair from the embedded payload.
  if (_action == ActionNone) {
    logLine(L"The installed updater did not start: repairing from the embedded one.");
    _action = ActionAutoRepair;
    beginState(StateStart);
    return;
  }
  showError(MESSAGE_DAMAGED_INSTALLATION);
  closeWindow();
}

void onFailed() {
  // Whatever failed, an installed updater may still serve the player.
  if (LaunchWayspanner::launch().code != Started) showError(MESSAGE_REDIST_FAILED);
  closeWindow();
}

}  // namespace

void beginState(ApplicationState state) {
  // Still shows the state being left; the next repaint shows the new one.
  repaint();
  _state = state;
  logLine(L"State %ls.", STATE_NAMES[state]);
  switch (state) {
    case StateRedistDownload:
    case StateRedistDownloaded:
    case StateRedistInstall:
    case StateRedistInstalled: REDIST_STATES[state - StateRedistDownload](); break;
    case StateStart: onStart(); break;
    case StateLaunchInstalled: onLaunchInstalled(); break;
    case StateLaunchExtracted: onLaunchExtracted(); break;
    case StateWaitUpdater: onWaitUpdater(); break;
    case StateExtract: onExtract(); break;
    case StateLaunchFailed: onLaunchFailed(); break;
    case StateFailed: onFailed(); break;
    default: break;  // StateExtracting only marks the time of the extraction
  }
}

bool createUi() {
  if (_window != nullptr) return true;
  // A run that shows itself keeps its log.
  keepRunLog();
  // The window needs no common control, and loading them takes a while: they
  // are made ready once it shows, for the box that may follow.
  bool created = createWindow(_instance);
  initCommonControls();
  if (!created) {
    beginState(StateFailed);
    return false;
  }
  return true;
}
