// The progress window's procedure: each message goes to one small handler.
#include <windows.h>

#include "app/globals.h"
#include "app/message_loop.h"
#include "app/session_end.h"
#include "app/state_machine.h"
#include "app/worker_cancel.h"
#include "fs/run_log.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"
#include "tasks/process_thread.h"
#include "tasks/worker_messages.h"
#include "ui/serving_wait.h"
#include "ui/window.h"
#include "ui/window_dpi.h"

namespace {

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
  // The state that waits decides once the wait is over: entering a state
  // from here would run it inside the other, and a second time after it.
  if (servingWaitRunning()) {
    if (!_closed_during_wait) logLine(L"The window was closed during a wait: the state acts on it after.");
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
    endRun();
  }
}

}  // namespace

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
    case WM_QUERYENDSESSION:
      // Windows' rule since Vista: agree, and let the block reason (set while
      // a worker writes) name the run to the player.
      return TRUE;
    case WM_ENDSESSION:
      if (wParam) onSessionEnd();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
