// The extraction worker on archives that 7zz made at test time, run as the
// program runs it: a window whose procedure deletes the worker inside its
// completion message, and the program's message loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "app/message_loop.h"
#include "tasks/extraction_thread.h"
#include "tasks/mem_in_stream.h"
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
  PostQuitMessage(0);
  return 0;
}

void* countingAlloc(void*, size_t size) { return run.blocks += size == run.blockSize, size ? malloc(size) : nullptr; }
void countingFree(void*, void* address) { free(address); }
ISzAlloc countingAllocator = {countingAlloc, countingFree};

std::wstring archives() { return buildDir() + L"\\tests\\archives\\"; }

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
  std::string bytes = readFile(archives() + archive + L".7z");
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

std::string name(const ::testing::TestParamInfo<const wchar_t*>& info) { return toUtf8(info.param); }

// Each method and filter the program reads (payload: as the build packs it, one
// solid block to decode once), only an empty file, files without folder entries.
class RoundTrip : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(RoundTrip, GivesItsTreeBackByteForByte) {
  std::wstring archive = GetParam();
  std::map<std::wstring, std::string> expected = tree(archives() + (isDirectory(archives() + archive) ? archive : L"tree"));
  size_t files = 0, bytes = 0;
  for (const auto& entry : expected)
    if (entry.second != "<dir>") ++files, bytes += entry.second.size();
  ScratchDir temp;
  extract(archive, temp.path(), bytes);
  EXPECT_TRUE(run.success && run.sent && run.finished == 1);
  EXPECT_EQ(run.path.rfind(temp.path() + L"\\vlm", 0), 0u);
  EXPECT_EQ(tree(run.path), expected);
  // 0 before the first entry, then one per file, rising to exactly 1.
  ASSERT_EQ(run.progress.size(), files + 1);
  EXPECT_TRUE(run.progress[0] == 0 && run.progress[files] == 1 && std::is_sorted(run.progress.begin(), run.progress.end()));
  if (archive == L"payload") EXPECT_EQ(run.blocks, 1);
}

INSTANTIATE_TEST_SUITE_P(Archives, RoundTrip, ::testing::Values(L"copy", L"lzma", L"lzma2", L"bcj", L"bcj2", L"arm",
                                                                L"payload", L"empty", L"plain"), name);

// Damaged or hostile: the extraction stops, writing nothing outside its folder;
// "plain" is extracted where the temporary folder is missing.
class Damaged : public ::testing::TestWithParam<const wchar_t*> {};

TEST_P(Damaged, StopsKeepingOnlyWhatCameBefore) {
  ScratchDir temp;
  bool noTemp = GetParam() == std::wstring(L"plain");
  extract(GetParam(), temp.path() + (noTemp ? L"\\missing" : L""));
  EXPECT_TRUE(!run.success && run.finished == 1);
  EXPECT_EQ(listDir(temp.path()).size(), noTemp ? 0u : 1u) << "only the extraction folder";
  std::map<std::wstring, std::string> before;  // the first file of bad_crc; dotdot's hostile name comes first
  if (GetParam() == std::wstring(L"bad_crc")) before[L"\\1.txt"] = "one\n";
  if (!noTemp) EXPECT_EQ(tree(run.path), before);
}

INSTANTIATE_TEST_SUITE_P(Archives, Damaged, ::testing::Values(L"not7z", L"bad_crc", L"dotdot", L"plain"), name);

// The decoder's view of the archive in memory, from position 3: a seek that
// would leave it is refused and moves nothing (a damaged header's offsets
// reach it unchecked); a read gets what is left.
TEST(MemInStream, SeeksOnlyInsideTheBlock) {
  const struct {
    Int64 pos;
    ESzSeek origin;
    std::string left;  // a read's bytes after the seek
  } rows[] = {{11, SZ_SEEK_SET, "3456789"}, {-1, SZ_SEEK_SET, "3456789"},        {1, SZ_SEEK_END, "3456789"},
              {-4, SZ_SEEK_CUR, "3456789"}, {Int64(1) << 32, SZ_SEEK_SET, "3456789"}, {-4, SZ_SEEK_END, "6789"},
              {2, SZ_SEEK_CUR, "56789"},    {10, SZ_SEEK_SET, ""}};
  for (const auto& row : rows) {
    MemInStream stream;
    MemInStream_Init(&stream, "0123456789", 10);
    Int64 pos = row.pos;
    char bytes[100];
    size_t size = sizeof bytes;
    bool refused = stream.Skip(&stream, 3) != SZ_OK || stream.Seek(&stream, &pos, row.origin) != SZ_OK;
    EXPECT_EQ(refused, row.left == "3456789") << row.pos;
    EXPECT_TRUE(stream.Read(&stream, bytes, &size) == SZ_OK && std::string(bytes, size) == row.left) << row.pos;
  }
}

}  // namespace
