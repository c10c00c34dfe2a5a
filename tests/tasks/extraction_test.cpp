// The extraction worker on archives that 7zz made at test time, run as the
// program runs it: a window whose procedure deletes the worker inside its
// completion message, and the program's message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "app/message_loop.h"
#include "tasks/extraction_thread.h"
#include "tasks/worker_messages.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct Extraction {
  bool success = false, sent = true;  // sent: each notification waited for its handling
  int finished = 0;
  std::vector<double> progress;
  std::wstring path;
  size_t blockSize = 0;  // the decoder's allocations of this size are counted
  int blocks = 0;
} run;

LRESULT CALLBACK onNotification(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* worker = reinterpret_cast<ExtractionThread*>(lParam);
  if (message != WM_WORKER_PROGRESS && message != WM_EXTRACTION_FINISHED)
    return DefWindowProcW(window, message, wParam, lParam);
  run.sent = run.sent && InSendMessage();
  if (message == WM_WORKER_PROGRESS) return run.progress.push_back(worker->progress()), 0;
  ++run.finished;
  run.success = worker->success();
  run.path = worker->extractionPath();
  delete worker;  // as the program does, while the worker waits in its send
  PostQuitMessage(0);
  return 0;
}

void* countingAlloc(void*, size_t size) { return run.blocks += size == run.blockSize, size ? malloc(size) : nullptr; }
void countingFree(void*, void* address) { free(address); }
ISzAlloc countingAllocator = {countingAlloc, countingFree};

// Extracts the archive with temp as the temporary folder.
void extract(const std::wstring& archive, const std::wstring& temp, size_t blockSize = 0) {
  run = Extraction();
  run.blockSize = blockSize;
  wchar_t saved[MAX_PATH + 1] = {};
  GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  WNDCLASSW windowClass = {0, onNotification, 0, 0, GetModuleHandleW(nullptr), 0, 0, 0, 0, L"Extraction"};
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"Extraction", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, windowClass.hInstance, 0);
  std::string bytes = readFile(buildDir() + L"\\tests\\archives\\" + archive + L".7z");
  auto* worker = new ExtractionThread(window);
  worker->setMainAllocator(&countingAllocator);
  if (worker->start(bytes.data(), uint32_t(bytes.size()))) exec();
  else delete worker;
  DestroyWindow(window);
  SetEnvironmentVariableW(L"TMP", saved);
}

// Every file (its bytes) and folder ("<dir>") below root, by path.
std::map<std::wstring, std::string> tree(const std::wstring& root, const std::wstring& below = L"") {
  std::map<std::wstring, std::string> out;
  for (const std::wstring& name : listDir(root + below)) {
    std::wstring path = below + L"\\" + name;
    out[path] = isDirectory(root + path) ? "<dir>" : readFile(root + path);
    if (out[path] == "<dir>") for (const auto& entry : tree(root, path)) out.insert(entry);
  }
  return out;
}

// Each method and filter the program reads (payload: as the build packs it, one
// solid block that must be decoded once), empty files only, files without folder entries.
class RoundTrip : public ::testing::TestWithParam<std::pair<const wchar_t*, const wchar_t*>> {};

TEST_P(RoundTrip, GivesTheTreeBackByteForByte) {
  std::map<std::wstring, std::string> expected = tree(buildDir() + L"\\tests\\archives\\" + GetParam().second);
  size_t files = 0, bytes = 0;
  for (const auto& entry : expected)
    if (entry.second != "<dir>") ++files, bytes += entry.second.size();
  ScratchDir temp;
  extract(GetParam().first, temp.path(), bytes);
  EXPECT_TRUE(run.success && run.sent && run.finished == 1);
  EXPECT_EQ(run.path.rfind(temp.path() + L"\\vlm", 0), 0u);
  EXPECT_EQ(tree(run.path), expected);
  // 0 before the first entry, then one per file, rising to exactly 1.
  ASSERT_EQ(run.progress.size(), files + 1);
  EXPECT_TRUE(run.progress[0] == 0 && run.progress[files] == 1 && std::is_sorted(run.progress.begin(), run.progress.end()));
  if (GetParam().first == std::wstring(L"payload")) EXPECT_EQ(run.blocks, 1);
}

INSTANTIATE_TEST_SUITE_P(Archives, RoundTrip, ::testing::Values(
    std::make_pair(L"copy", L"tree"), std::make_pair(L"lzma", L"tree"), std::make_pair(L"lzma2", L"tree"),
    std::make_pair(L"bcj", L"tree"), std::make_pair(L"bcj2", L"tree"), std::make_pair(L"arm", L"tree"),
    std::make_pair(L"payload", L"tree"), std::make_pair(L"empty", L"empty"), std::make_pair(L"plain", L"flat")));

// Damaged and hostile archives: the extraction stops, keeping what came before
// and writing nothing outside its folder.
class Damage : public ::testing::TestWithParam<std::pair<const wchar_t*, std::map<std::wstring, std::string>>> {};

TEST_P(Damage, StopsWritingNothingOutsideTheFolder) {
  ScratchDir temp;
  bool noTemp = GetParam().first == std::wstring(L"plain");  // extracted where no temporary folder is
  extract(GetParam().first, temp.path() + (noTemp ? L"\\missing" : L""));
  EXPECT_TRUE(!run.success && run.finished == 1);
  EXPECT_EQ(listDir(temp.path()).size(), noTemp ? 0u : 1u) << "only the extraction folder";
  if (!noTemp) EXPECT_EQ(tree(run.path), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Archives, Damage, ::testing::Values(
    std::make_pair(L"not7z", std::map<std::wstring, std::string>()),
    std::make_pair(L"bad_crc", std::map<std::wstring, std::string>{{L"\\1.txt", "one\n"}}),
    std::make_pair(L"dotdot", std::map<std::wstring, std::string>()),  // "../flat/aa/2.txt" first
    std::make_pair(L"plain", std::map<std::wstring, std::string>())));

}  // namespace
