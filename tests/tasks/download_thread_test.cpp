// The real download worker against the loopback server of support/http_server.py, reporting to a
// hidden window that counts what it is sent.
#include <gtest/gtest.h>

#include "tasks/download_thread.h"
#include "tasks/worker_messages.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct { int progress, finishes, stopAtProgress; bool success, stopped, closedFile; } seen;

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* worker = reinterpret_cast<DownloadThread*>(lParam);
  if (message == WM_WORKER_PROGRESS && ++seen.progress == seen.stopAtProgress) worker->requestStop();
  if (message != WM_DOWNLOAD_FINISHED) return DefWindowProcW(window, message, wParam, lParam);
  // Opening the file with no sharing succeeds only once the worker has closed it.
  HANDLE file = CreateFileW(worker->file().c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  seen = {seen.progress, seen.finishes + worker->finished(), 0, worker->success(), worker->stopped(),
          file != INVALID_HANDLE_VALUE && CloseHandle(file)};
  PostQuitMessage(0);
  return 0;
}

// stopAfter: progress notifications before the window asks to stop (0 never); progress: those expected (-1 any).
struct Row { const char* name; const wchar_t* path; bool refused, givenTarget, success; int stopAfter, progress, received, total; };
class Download : public ::testing::TestWithParam<Row> {};

TEST_P(Download, ReportsEachCycleAndOnlyAWholeAnswerAsSuccess) {
  const Row& row = GetParam();
  const char* port = getenv("VORAK_TEST_HTTP_PORT");  // nothing listens at it on 127.0.0.2
  static WNDCLASSW windowClass = {0, countingProc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Counter"};
  static HWND window = CreateWindowW(MAKEINTATOM(RegisterClassW(&windowClass)), L"", 0, 0, 0, 1, 1, 0, 0, 0, 0);
  ScratchDir scratch;
  seen = {0, 0, row.stopAfter, false, false, false};
  DownloadThread worker(window, row.refused ? L"127.0.0.2" : L"127.0.0.1", row.path,
                        row.givenTarget ? scratch / L"given.bin" : L"", static_cast<INTERNET_PORT>(atoi(port ? port : "")));
  ASSERT_TRUE(worker.start());
  for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0;) DispatchMessageW(&message);

  EXPECT_TRUE(seen.finishes == 1 && seen.closedFile && seen.stopped == (row.stopAfter != 0));
  EXPECT_EQ(seen.success, row.success);
  EXPECT_TRUE(row.progress < 0 || seen.progress == row.progress) << seen.progress;
  EXPECT_EQ(worker.counters().receivedBytes(), row.received);
  EXPECT_EQ(worker.counters().total.load(), row.total);
  EXPECT_EQ(readFile(worker.file()).size(), static_cast<size_t>(row.received));
  // A given target is used as it is; else a fresh folder holds it and its reservation "dwl" + hex + ".tmp".
  std::wstring reservation = worker.file().substr(0, worker.file().size() - 4), folder = worker.folder();
  EXPECT_TRUE(row.givenTarget ? worker.file() == scratch / L"given.bin" : listDir(folder).size() == 2 &&
              reservation.substr(folder.size(), 4) == L"\\dwl" && pathExists(reservation)) << toUtf8(worker.file());
  if (!row.givenTarget) removeTree(worker.folder());
}

const Row rows[] = {
    {"BodyInThreeCycles", L"body/3000/3", false, false, true, 0, 4, 3000, 3000},
    {"EmptyBody", L"body/0/0", false, false, true, 0, 1, 0, 0},
    {"NoLengthReadToTheEnd", L"nolength/2000/2", false, false, true, 0, -1, 2000, -1},
    {"GivenTargetUsedAsIs", L"body/100/1", false, true, true, 0, 2, 100, 100},
    {"Refused", L"body/10/1", true, false, false, 0, 0, 0, -1},
    {"NotFound", L"status/404", false, false, false, 0, 0, 0, 4},
    {"CutShort", L"cut/2000", false, false, false, 0, -1, 1000, 2000},
    {"LengthMismatch", L"mismatch/2000", false, false, false, 0, -1, 1000, 2000},
    {"StoppedAfterFirstCycle", L"body/3000/3", false, false, false, 1, 1, 1000, 3000},
};
INSTANTIATE_TEST_SUITE_P(Rows, Download, ::testing::ValuesIn(rows), [](const auto& info) { return info.param.name; });

}  // namespace
