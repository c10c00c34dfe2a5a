// The real download worker against the tests' loopback server (support/http_server.py),
// reporting to a hidden window that counts what it is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

#include "tasks/download_thread.h"
#include "tasks/worker_messages.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct Seen {
  int progress = 0, finishes = 0;
  int stopAfter = 0;  // progress notifications after which the window asks the worker to stop; 0: never
  bool finished = false, success = false, stopped = false, fileClosed = false;
};
Seen seen;

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* worker = reinterpret_cast<DownloadThread*>(lParam);
  if (message == WM_WORKER_PROGRESS && ++seen.progress == seen.stopAfter) worker->requestStop();
  if (message != WM_DOWNLOAD_FINISHED) return DefWindowProcW(window, message, wParam, lParam);
  seen.finishes++;
  seen.finished = worker->finished();
  seen.success = worker->success();
  seen.stopped = worker->stopped();
  // Only one handle may be open with no sharing: the worker's must be closed by now.
  HANDLE file = CreateFileW(worker->file().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  seen.fileClosed = file != INVALID_HANDLE_VALUE;
  CloseHandle(file);
  PostQuitMessage(0);
  return 0;
}

HWND countingWindow() {
  static HWND window = [] {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = countingProc;
    windowClass.lpszClassName = L"DownloadCounter";
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, L"DownloadCounter", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  }();
  return window;
}

struct Row {
  const char* name;
  const wchar_t* path;
  bool refusedPort, givenTarget;
  int stopAfter;
  bool success;
  int progress;  // notifications; -1: not fixed
  int32_t received, total;
};

class Download : public ::testing::TestWithParam<Row> {};

TEST_P(Download, ReportsEachCycleAndOnlyAWholeAnswerAsSuccess) {
  const Row& row = GetParam();
  int port = 0, refused = 0;
  std::ifstream(toUtf8(buildDir() + L"\\tests\\http\\ports.txt")) >> port >> refused;
  ASSERT_NE(port, 0) << "the loopback server is not running";
  ScratchDir scratch;
  std::wstring target = row.givenTarget ? scratch / L"given.bin" : L"";
  seen = Seen();
  seen.stopAfter = row.stopAfter;
  auto* worker = new DownloadThread(countingWindow(), L"127.0.0.1", row.path, target,
                                    static_cast<INTERNET_PORT>(row.refusedPort ? refused : port));
  ASSERT_TRUE(worker->start());
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);

  EXPECT_EQ(seen.finishes, 1);
  EXPECT_TRUE(seen.finished && seen.fileClosed);
  EXPECT_EQ(seen.success, row.success);
  EXPECT_EQ(seen.stopped, row.stopAfter != 0);
  if (row.progress >= 0) {
    EXPECT_EQ(seen.progress, row.progress);
  }
  EXPECT_EQ(worker->counters().receivedBytes(), row.received);
  EXPECT_EQ(worker->counters().total.load(), row.total);
  if (row.givenTarget) {
    EXPECT_EQ(worker->file(), target);
  }
  if (!row.givenTarget) {
    // A fresh folder of its own, holding the target beside its name's reservation.
    std::wstring name = worker->file().substr(worker->folder().size() + 1);
    // GetTempFileNameW keeps only three letters of the prefix "dwl_".
    EXPECT_EQ(name.substr(0, 3) + name.substr(name.size() - 8), L"dwl.tmp.exe");
    EXPECT_EQ(listDir(worker->folder()).size(), 2u);
  }
  if (row.success) {
    EXPECT_EQ(readFile(worker->file()).size(), static_cast<size_t>(row.received));
  }
  if (!worker->folder().empty()) removeTree(worker->folder());
  delete worker;
}

const Row rows[] = {
    {"BodyInThreeCycles", L"body/3000/3", false, false, 0, true, 4, 3000, 3000},
    {"EmptyBody", L"body/0/0", false, false, 0, true, 1, 0, 0},
    {"NoLengthReadToTheEnd", L"nolength/2000/2", false, false, 0, true, -1, 2000, -1},
    {"GivenTargetUsedAsIs", L"body/100/1", false, true, 0, true, 2, 100, 100},
    {"Refused", L"body/10/1", true, false, 0, false, 0, 0, -1},
    {"NotFound", L"status/404", false, false, 0, false, 0, 0, 4},
    {"CutShort", L"cut/2000", false, false, 0, false, -1, 1000, 2000},
    {"LengthMismatch", L"mismatch/2000", false, false, 0, false, -1, 1000, 2000},
    {"StoppedAfterFirstCycle", L"body/3000/3", false, false, 1, false, 1, 1000, 3000},
};
INSTANTIATE_TEST_SUITE_P(Rows, Download, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
