// The extraction worker on archives that 7zz made at test time, run as the program runs it: a window
// whose procedure deletes the worker inside its completion message, and the program's message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "app/message_loop.h"
#include "launch/temp_locations.h"
#include "tasks/extraction_thread.h"
#include "tasks/worker_messages.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct Extraction {
  bool success = false, sent = true;  // sent: each notification waited for its handling
  int finished = 0, blocks = 0;       // blocks: the decoder's allocations of blockSize bytes
  size_t blockSize = 0;
  std::vector<double> progress;
  std::wstring path;
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
  endRun(0);  // the run's own quit: the loop ends on no other
  return 0;
}

void* countingAlloc(void*, size_t size) { return run.blocks += size == run.blockSize, size ? malloc(size) : nullptr; }
void countingFree(void*, void* address) { free(address); }
ISzAlloc countingAllocator = {countingAlloc, countingFree};

// Every file (its bytes) and folder ("<dir>") below root, by path.
std::map<std::wstring, std::string> tree(const std::wstring& root, const std::wstring& below = L"") {
  std::map<std::wstring, std::string> out;
  for (const std::wstring& name : listDir(root + below)) {
    std::wstring path = below + L"\\" + name;
    out[path] = GetFileAttributesW((root + path).c_str()) & FILE_ATTRIBUTE_DIRECTORY ? "<dir>" : readFile(root + path);
    if (out[path] == "<dir>") for (const auto& entry : tree(root, path)) out.insert(entry);
  }
  return out;
}

// Each method and filter the program reads (payload: as the build packs it, one solid block to decode
// once), only an empty file, files without folder entries; the tree each was made of, or "tree".
class RoundTrip : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(RoundTrip, GivesItsTreeBackByteForByte) {
  std::wstring archives = buildDir() + L"\\tests\\archives\\", archive = GetParam();
  std::map<std::wstring, std::string> expected = tree(archives + (listDir(archives + archive).empty() ? L"tree" : archive));
  run = Extraction();
  size_t files = 0;
  for (const auto& entry : expected)
    if (entry.second != "<dir>") ++files, run.blockSize += entry.second.size();
  ScratchDir temp;  // the temporary folder while it runs
  wchar_t saved[MAX_PATH + 1] = {};
  GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
  SetEnvironmentVariableW(L"TMP", temp.path.c_str());
  static WNDCLASSW windowClass = {0, onNotification, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"Extraction"};
  static HWND window = CreateWindowW(MAKEINTATOM(RegisterClassW(&windowClass)), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, 0, 0, 0);
  std::string packed = readFile(archives + archive + L".7z");
  auto* worker = new ExtractionThread(window);
  worker->setMainAllocator(&countingAllocator);
  if (worker->start(packed.data(), uint32_t(packed.size()))) exec();
  else delete worker;
  SetEnvironmentVariableW(L"TMP", saved);

  EXPECT_TRUE(run.success && run.sent && run.finished == 1);
  EXPECT_EQ(run.path.rfind(temp.path + L"\\vlm", 0), 0u);
  EXPECT_EQ(tree(run.path), expected);
  // 0 before the first entry, then one per file, rising to exactly 1.
  ASSERT_EQ(run.progress.size(), files + 1);
  EXPECT_TRUE(run.progress[0] == 0 && run.progress[files] == 1 && std::is_sorted(run.progress.begin(), run.progress.end()));
  if (archive == L"payload") EXPECT_EQ(run.blocks, 1);
  releaseTempDirectory(run.path);  // as the run does before its removal
}

INSTANTIATE_TEST_SUITE_P(Archives, RoundTrip,
                         ::testing::Values(L"copy", L"lzma", L"lzma2", L"bcj", L"bcj2", L"arm", L"payload", L"empty", L"plain"),
                         [](const auto& info) { return std::string(info.param, info.param + wcslen(info.param)); });

}  // namespace
