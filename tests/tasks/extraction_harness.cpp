#include "tests/tasks/extraction_harness.h"

#include <io.h>

#include <algorithm>
#include <cstdio>

#include "tasks/extraction_thread.h"
#include "tasks/worker_messages.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {
const wchar_t* const WINDOW_CLASS = L"VorakExtractionTest";
// Far beyond any archive here; a worker that never finishes fails the test
// instead of hanging it.
const DWORD RUN_LIMIT_MS = 120000;

LRESULT CALLBACK testWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ExtractionRun* run = reinterpret_cast<ExtractionRun*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (run != nullptr && message == WM_WORKER_PROGRESS) {
    run->progress.push_back(reinterpret_cast<ExtractionThread*>(lParam)->progress());
    return 0;
  }
  if (run != nullptr && message == WM_EXTRACTION_FINISHED) {
    ExtractionThread* worker = reinterpret_cast<ExtractionThread*>(lParam);
    ++run->finishedMessages;
    run->finishedFlag = worker->finished();
    run->success = worker->success();
    run->path = worker->extractionPath();
    delete worker;  // as the state machine does, while the worker waits in its send
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND createTestWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = testWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = WINDOW_CLASS;
    registered = RegisterClassW(&windowClass) != 0;
  }
  return CreateWindowExW(0, WINDOW_CLASS, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                         nullptr);
}

// Runs the message loop until WM_QUIT or the time limit.
bool pumpUntilQuit() {
  DWORD startTick = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return true;
      DispatchMessageW(&msg);
    }
    DWORD elapsed = GetTickCount() - startTick;
    if (elapsed >= RUN_LIMIT_MS) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, RUN_LIMIT_MS - elapsed, QS_ALLINPUT);
  }
}

std::wstring environmentValue(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  return std::wstring(value, n < MAX_PATH * 2 ? n : 0);
}

void snapshotInto(const std::wstring& root, const std::wstring& prefix, std::map<std::wstring, std::string>& out) {
  for (const std::wstring& name : listDir(root)) {
    std::wstring full = root + L"\\" + name;
    std::wstring relative = prefix.empty() ? name : prefix + L"\\" + name;
    if (isDirectory(full)) {
      out[relative] = "<dir>";
      snapshotInto(full, relative, out);
    } else {
      out[relative] = readFile(full);
    }
  }
}
}  // namespace

ExtractionRun runExtraction(const std::string& archive, const std::wstring& tempDir, ISzAlloc* allocMain) {
  ExtractionRun run;
  ScratchDir errorDir;  // made before TMP moves
  std::wstring oldTmp = environmentValue(L"TMP"), oldTemp = environmentValue(L"TEMP");
  SetEnvironmentVariableW(L"TMP", tempDir.c_str());
  SetEnvironmentVariableW(L"TEMP", tempDir.c_str());
  // The worker writes to the C runtime's standard error: a text-mode file for this run.
  fflush(stderr);
  int oldErrors = _dup(2);
  FILE* errors = _wfopen((errorDir / L"errors").c_str(), L"w");
  _dup2(_fileno(errors), 2);

  HWND window = createTestWindow();
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&run));
  ExtractionThread* worker = new ExtractionThread(window);
  if (allocMain != nullptr) worker->setMainAllocator(allocMain);
  if (worker->start(archive.data(), static_cast<uint32_t>(archive.size())))
    run.ended = pumpUntilQuit();
  else
    delete worker;
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);

  fflush(stderr);
  _dup2(oldErrors, 2);
  _close(oldErrors);
  fclose(errors);
  std::string lines = readFile(errorDir / L"errors");
  lines.erase(std::remove(lines.begin(), lines.end(), '\r'), lines.end());
  run.errors = fromUtf8(lines);
  SetEnvironmentVariableW(L"TMP", oldTmp.empty() ? nullptr : oldTmp.c_str());
  SetEnvironmentVariableW(L"TEMP", oldTemp.empty() ? nullptr : oldTemp.c_str());
  return run;
}

std::wstring archivePath(const std::wstring& name) { return buildDir() + L"\\tests\\archives\\" + name; }

std::map<std::wstring, std::string> snapshotTree(const std::wstring& root) {
  std::map<std::wstring, std::string> out;
  snapshotInto(root, L"", out);
  return out;
}
