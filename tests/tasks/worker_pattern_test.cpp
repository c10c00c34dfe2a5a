// The worker pattern with a real window and the bootstrap's message loop: a
// small worker built like the product's (startWorkerThread, notifyWindow)
// reports to a window whose procedure deletes it inside the completion message.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <vector>

#include "app/globals.h"
#include "app/message_loop.h"
#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

namespace {

const int STEPS = 5;
const UINT_PTR QUIET_TIMER = 1;
const UINT QUIET_MS = 300;

// What the window and the worker saw; written on either thread, read after the loop.
struct Observed {
  std::vector<double> progressSeen;  // one entry per WM_WORKER_PROGRESS, as the window read it
  int completions = 0;
  int otherNotifications = 0;
  bool lParamWasWorker = true;
  bool wParamWasZero = true;
  bool handledOnUiThread = true;
  DWORD uiThread = 0;
  std::atomic<bool> workerDestroyed{false};
  std::atomic<bool> destroyedBeforeSendReturned{false};
};
Observed* observed = nullptr;
HANDLE workerReturned = nullptr;

class CountingWorker;
DWORD WINAPI CountingWorkerRoutine(void* worker);

// Counts to STEPS with a progress notification per step, then completes.
class CountingWorker {
 public:
  CountingWorker(HWND hwnd, bool preparationFails) : _hwnd(hwnd), _preparationFails(preparationFails) {}
  ~CountingWorker() { observed->workerDestroyed = true; }
  CountingWorker(const CountingWorker&) = delete;
  CountingWorker& operator=(const CountingWorker&) = delete;

  bool start() {
    if (_preparationFails) return false;  // as a download whose output file cannot be opened
    return startWorkerThread(CountingWorkerRoutine, this, _thread);
  }
  double progress() const { return _progress.load(std::memory_order_relaxed); }
  HANDLE threadField() const { return _thread; }

  void doWork() {
    for (int i = 1; i <= STEPS; ++i) {
      _progress.store(static_cast<double>(i) / STEPS, std::memory_order_relaxed);
      notifyWindow(_hwnd, WM_WORKER_PROGRESS, this);
    }
    HWND hwnd = _hwnd;
    notifyWindow(hwnd, WM_EXTRACTION_FINISHED, this);
    // The object is gone now; only globals may be touched.
    observed->destroyedBeforeSendReturned = observed->workerDestroyed.load();
  }

 private:
  HANDLE _thread = INVALID_HANDLE_VALUE;
  HWND _hwnd;
  bool _preparationFails;
  std::atomic<double> _progress{0.0};
};

DWORD WINAPI CountingWorkerRoutine(void* worker) {
  static_cast<CountingWorker*>(worker)->doWork();
  SetEvent(workerReturned);
  return 0;
}

void note(WPARAM wParam, LPARAM lParam) {
  if (wParam != 0) observed->wParamWasZero = false;
  if (reinterpret_cast<void*>(lParam) != thread) observed->lParamWasWorker = false;
  if (GetCurrentThreadId() != observed->uiThread) observed->handledOnUiThread = false;
}

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_WORKER_PROGRESS:
      note(wParam, lParam);
      observed->progressSeen.push_back(static_cast<CountingWorker*>(thread)->progress());
      return 0;
    case WM_EXTRACTION_FINISHED:
      note(wParam, lParam);
      ++observed->completions;
      delete static_cast<CountingWorker*>(thread);
      thread = nullptr;
      PostQuitMessage(0);
      return 0;
    case WM_DOWNLOAD_FINISHED:
    case WM_PROCESS_FINISHED:
    case WM_REPAINT_REQUEST:
      ++observed->otherNotifications;
      return 0;
    case WM_TIMER:
      KillTimer(hwnd, QUIET_TIMER);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

class WorkerPattern : public ::testing::Test {
 protected:
  void SetUp() override {
    observed = &_observed;
    _observed.uiThread = GetCurrentThreadId();
    workerReturned = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TestWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VorakWorkerPatternTest";
    RegisterClassW(&windowClass);
    _hwnd = CreateWindowExW(0, windowClass.lpszClassName, L"worker pattern", WS_OVERLAPPED, 0, 0, 100, 100,
                            nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(_hwnd, nullptr);
  }
  void TearDown() override {
    if (_hwnd) DestroyWindow(_hwnd);
    CloseHandle(workerReturned);
    observed = nullptr;
  }

  Observed _observed;
  HWND _hwnd = nullptr;
};

}  // namespace

TEST_F(WorkerPattern, WindowDeletesWorkerInsideCompletionAndWorkerReturnsWithoutIt) {
  CountingWorker* worker = new CountingWorker(_hwnd, false);
  thread = worker;
  ASSERT_TRUE(worker->start());
  EXPECT_NE(worker->threadField(), INVALID_HANDLE_VALUE);
  EXPECT_NE(worker->threadField(), nullptr);
  exec();  // ends with the quit message posted by the completion handler

  ASSERT_EQ(WaitForSingleObject(workerReturned, 10000), WAIT_OBJECT_0);
  EXPECT_EQ(thread, nullptr);
  EXPECT_EQ(_observed.completions, 1);
  EXPECT_TRUE(_observed.destroyedBeforeSendReturned) << "the completion send returned before the handler ended";
  // Each progress message was handled before the worker went on: the window
  // read every step once, in order.
  std::vector<double> expected;
  for (int i = 1; i <= STEPS; ++i) expected.push_back(static_cast<double>(i) / STEPS);
  EXPECT_EQ(_observed.progressSeen, expected);
  EXPECT_TRUE(_observed.wParamWasZero);
  EXPECT_TRUE(_observed.lParamWasWorker);
  EXPECT_TRUE(_observed.handledOnUiThread);
  EXPECT_EQ(_observed.otherNotifications, 0);
}

TEST_F(WorkerPattern, WorkerWhoseStartFailsSendsNothing) {
  CountingWorker* worker = new CountingWorker(_hwnd, true);
  thread = worker;
  EXPECT_FALSE(worker->start());
  EXPECT_EQ(worker->threadField(), INVALID_HANDLE_VALUE);
  // The failure path owns the worker; nothing will come for it.
  delete worker;
  thread = nullptr;
  SetTimer(_hwnd, QUIET_TIMER, QUIET_MS, nullptr);
  exec();
  EXPECT_TRUE(_observed.progressSeen.empty());
  EXPECT_EQ(_observed.completions, 0);
  EXPECT_EQ(WaitForSingleObject(workerReturned, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}
