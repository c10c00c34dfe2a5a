// The progress window's procedure: each message goes to one small handler.
#include <windows.h>

#include "app/globals.h"
#include "app/message_loop.h"
#include "app/state_machine.h"
#include "app/worker_cancel.h"
#include "fs/run_log.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"
#include "tasks/process_thread.h"
#include "tasks/worker_messages.h"
#include "ui/window.h"
#include "ui/window_accessible.h"
#include "ui/window_dpi.h"

namespace {

// Windows ends a program a few seconds after the session's end: the worker's
// stop (within one entry, or a moment for the download) and the deletion fit
// well within this, and what does not, stays.
const DWORD SESSION_END_PATIENCE_MS = 3000;

void repaintNow(HWND window) {
  InvalidateRect(window, nullptr, TRUE);
  UpdateWindow(window);
}

// Any program of the player's may send these messages with anything in
// lParam: a completion counts only from the live worker, of the class the
// state waits for, once it has done its work. The state is checked first, as
// it tells the class.
template <class Worker>
bool finishedWorker(LPARAM lParam) {
  return thread != nullptr && lParam == reinterpret_cast<LPARAM>(thread) && static_cast<Worker*>(thread)->finished();
}

void onClose(HWND window) {
  if (_state == StateLaunchExtracted && !_bootstraped_process) {
    // The start check is waiting (serving messages), and decides once it is
    // over: entering a state from here would run it inside the check, and a
    // second time after it.
    _closed_during_wait = true;
  } else if (_state == StateLaunchExtracted) {
    // Once the extracted updater runs, closing means: go and wait for it.
    DestroyWindow(window);
    // A later close finds no window rather than a stale handle.
    _window = nullptr;
    beginState(StateWaitUpdater);
  } else if (cancelWritingWorker()) {
    // The loop runs on: the worker stops within one entry, and its completion
    // message cleans up and ends the run. (Hiding the window here would cost
    // Wine without a window manager two seconds.)
  } else {
    endRun(0);
  }
}

// WM_ENDSESSION with TRUE. Windows ends the program soon after this returns: a
// writing worker is stopped, and its completion (which deletes what it wrote
// and ends the run) is served here, for a few seconds at most.
void onSessionEnd() {
  // A stopped worker's completion deletes what it wrote, naming in a line of
  // its own anything that stays.
  bool stopped =
      cancelWritingWorker() && waitServingMessages(nullptr, SESSION_END_PATIENCE_MS, &thread) == WAIT_OBJECT_0;
  logLine(stopped ? L"The session ends: the worker stopped, and what the run wrote in TEMP is deleted."
                  : L"The session ends with no worker stopped: nothing more is deleted.");
}

}  // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // WM_QUERYENDSESSION goes to DefWindowProcW, which agrees: Windows' rule
  // since Vista, where the block reason (set while a worker writes) is what
  // names the run to the player.
  if (message == WM_ENDSESSION) {
    if (wParam) onSessionEnd();
    return 0;
  }
  switch (message) {
    case WM_WORKER_PROGRESS:
    case WM_REPAINT_REQUEST:
      repaintNow(window);
      return 0;
    case WM_DOWNLOAD_FINISHED:
      if (_state == StateRedistDownload && finishedWorker<DownloadThread>(lParam)) beginState(StateRedistDownloaded);
      return 0;
    case WM_PROCESS_FINISHED:
      if (_state == StateRedistInstall && finishedWorker<ProcessThread>(lParam)) beginState(StateRedistInstalled);
      repaintNow(window);
      return 0;
    case WM_EXTRACTION_FINISHED:
      if ((_state == StateExtract || _state == StateExtracting) && finishedWorker<ExtractionThread>(lParam))
        beginState(StateLaunchExtracted);
      return 0;
    case WM_PAINT:
      refreshWindow(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_SETFOCUS:
      _double_buffering = false;
      break;
    case DPI_CHANGED_MESSAGE:
      onDpiChanged(window, lParam);
      return 0;
    case WM_CLOSE:
      onClose(window);
      return 0;
    case WM_GETOBJECT: {
      LRESULT answer = 0;
      if (answerGetObject(window, wParam, lParam, &answer)) return answer;
      break;
    }
    case WM_NCDESTROY:  // the window's last message: no reader's question comes after it
      forgetAccessible();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
