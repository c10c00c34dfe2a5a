// The extraction worker on archives that 7zz (or craft_7z.py) made at test time,
// run through a real window and message loop.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/support/test_support.h"
#include "tests/tasks/extraction_harness.h"

using namespace testing_support;

namespace {
const std::string DIR_MARK = "<dir>";

size_t fileCount(const std::map<std::wstring, std::string>& tree) {
  size_t n = 0;
  for (const auto& entry : tree) n += entry.second != DIR_MARK;
  return n;
}

// The main allocator, counting the requests for a buffer of one given size.
struct CountingAlloc {
  ISzAlloc vtable;
  size_t watchedSize;
  int watchedCount;
};
void* countingAlloc(void* p, size_t size) {
  CountingAlloc* self = static_cast<CountingAlloc*>(p);
  if (size == self->watchedSize) ++self->watchedCount;
  return size == 0 ? nullptr : std::malloc(size);
}
void countingFree(void*, void* address) { std::free(address); }

size_t totalBytes(const std::map<std::wstring, std::string>& tree) {
  size_t n = 0;
  for (const auto& entry : tree)
    if (entry.second != DIR_MARK) n += entry.second.size();
  return n;
}
}  // namespace

TEST(ExtractionThread, RoundTripsEveryMethodAndFilterByteForByte) {
  std::map<std::wstring, std::string> expected = snapshotTree(archivePath(L"tree"));
  ASSERT_GT(fileCount(expected), 5u);
  for (const wchar_t* name : {L"copy", L"lzma", L"lzma2", L"bcj", L"bcj2", L"arm", L"payload"}) {
    SCOPED_TRACE(toUtf8(name));
    ScratchDir temp;
    ExtractionRun run = runExtraction(readFile(archivePath(std::wstring(name) + L".7z")), temp.path());
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.errors, L"");
    EXPECT_TRUE(run.success);
    EXPECT_TRUE(run.finishedFlag);
    EXPECT_EQ(run.finishedMessages, 1);
    EXPECT_EQ(run.path.rfind(temp.path() + L"\\vlm", 0), 0u);
    EXPECT_EQ(snapshotTree(run.path), expected);
    // 0.0 before the first entry, then one per file, the last exactly 1.0.
    ASSERT_EQ(run.progress.size(), fileCount(expected) + 1);
    EXPECT_EQ(run.progress.front(), 0.0);
    EXPECT_EQ(run.progress.back(), 1.0);
    for (size_t i = 1; i < run.progress.size(); ++i) EXPECT_GE(run.progress[i], run.progress[i - 1]);
  }
}

TEST(ExtractionThread, DecodesTheSolidBlockOnceForA7zzArchive) {
  std::map<std::wstring, std::string> expected = snapshotTree(archivePath(L"tree"));
  ScratchDir temp;
  CountingAlloc alloc = {{countingAlloc, countingFree}, totalBytes(expected), 0};
  ExtractionRun run = runExtraction(readFile(archivePath(L"payload.7z")), temp.path(), &alloc.vtable);
  ASSERT_TRUE(run.success);
  EXPECT_EQ(alloc.watchedCount, 1);
}

TEST(ExtractionThread, KeepsTheDecodedBlockAcrossAnEmptyFileInsideIt) {
  std::string noise = readFile(archivePath(L"tree\\noise.bin"));
  std::string numbers = readFile(archivePath(L"tree\\nested\\deeper\\numbers.txt"));
  ScratchDir temp;
  CountingAlloc alloc = {{countingAlloc, countingFree}, noise.size() + numbers.size(), 0};
  ExtractionRun run = runExtraction(readFile(archivePath(L"empty_between.7z")), temp.path(), &alloc.vtable);
  ASSERT_TRUE(run.success);
  EXPECT_EQ(alloc.watchedCount, 1);
  EXPECT_EQ(readFile(run.path + L"\\numbers.txt"), numbers);
  EXPECT_EQ(readFile(run.path + L"\\gap.txt"), "");
}

TEST(ExtractionThread, CreatesFoldersOfFilesListedBeforeTheirDirectoryEntries) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"late_dirs.7z")), temp.path());
  EXPECT_TRUE(run.success);
  EXPECT_EQ(run.errors, L"");
  std::map<std::wstring, std::string> expected = {
      {L"a", DIR_MARK}, {L"a\\b", DIR_MARK}, {L"a\\b\\one.txt", "one\n"}, {L"a\\two.txt", "two\n"}};
  EXPECT_EQ(snapshotTree(run.path), expected);
}

TEST(ExtractionThread, WritesNothingForDataThatIsNot7z) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"not7z.bin")), temp.path());
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.errors, L"Error returned by SzArchiveOpen: 17\n");
  EXPECT_EQ(run.progress, std::vector<double>{0.0});
  EXPECT_EQ(run.finishedMessages, 1);
  EXPECT_FALSE(run.success);
  EXPECT_TRUE(isDirectory(run.path));
  EXPECT_TRUE(listDir(run.path).empty());
}

TEST(ExtractionThread, StopsAtACrcMismatchKeepingTheFilesBeforeIt) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"bad_crc.7z")), temp.path());
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.errors, L"Error returned by SzExtract: 3\n");
  EXPECT_FALSE(run.success);
  EXPECT_EQ(run.finishedMessages, 1);
  EXPECT_EQ(snapshotTree(run.path), (std::map<std::wstring, std::string>{{L"one.txt", "one\n"}}));
  EXPECT_EQ(run.progress.size(), 2u);
}

TEST(ExtractionThread, RefusesEntryNamesThatLeaveTheExtractionDirectory) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"dotdot.7z")), temp.path());
  ASSERT_TRUE(run.ended);
  EXPECT_FALSE(run.success);
  EXPECT_EQ(run.errors, L"Entry name outside the extraction directory, entry 1\n");
  EXPECT_EQ(snapshotTree(run.path), (std::map<std::wstring, std::string>{{L"safe.txt", "one\n"}}));
  // Only the extraction directory itself appeared in the temporary folder.
  EXPECT_EQ(listDir(temp.path()).size(), 1u);

  ScratchDir temp2;
  DeleteFileW(L"C:\\vorak_escaped.txt");
  ExtractionRun drive = runExtraction(readFile(archivePath(L"drive.7z")), temp2.path());
  ASSERT_TRUE(drive.ended);
  EXPECT_FALSE(drive.success);
  EXPECT_FALSE(pathExists(L"C:\\vorak_escaped.txt"));
  EXPECT_TRUE(listDir(drive.path).empty());
}

TEST(ExtractionThread, FinishesAtOnceWhenTheDirectoryCannotBeCreated) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"lzma2.7z")), temp / L"missing\\folder");
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(run.path, L"");
  EXPECT_FALSE(run.success);
  EXPECT_TRUE(run.progress.empty());
  EXPECT_EQ(run.finishedMessages, 1);
  EXPECT_TRUE(listDir(temp.path()).empty());
}

TEST(ExtractionThread, ShowsFullProgressAfterAFileWhenNothingHasBytes) {
  ScratchDir temp;
  ExtractionRun run = runExtraction(readFile(archivePath(L"only_empty.7z")), temp.path());
  EXPECT_TRUE(run.success);
  EXPECT_EQ(run.progress, (std::vector<double>{0.0, 1.0}));
  EXPECT_TRUE(pathExists(run.path + L"\\empty.txt"));
}

TEST(ExtractionThread, ExtractsThePayloadEmbeddedInTheBuiltProgram) {
  HMODULE setup = LoadLibraryExW(builtSetupPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(setup, nullptr);
  HRSRC resource = FindResourceExW(setup, RT_RCDATA, MAKEINTRESOURCEW(100), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(resource, nullptr);
  std::string archive(static_cast<const char*>(LockResource(LoadResource(setup, resource))),
                      SizeofResource(setup, resource));
  FreeLibrary(setup);
  ScratchDir temp;
  ExtractionRun run = runExtraction(archive, temp.path());
  EXPECT_TRUE(run.success);
  EXPECT_EQ(readFile(run.path + L"\\wayspanner\\wayspanner.exe"), readFile(builtStandinPath()));
  EXPECT_TRUE(pathExists(run.path + L"\\wayspanner\\wayspanner.ini"));
}
