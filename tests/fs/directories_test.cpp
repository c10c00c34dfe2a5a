#include <gtest/gtest.h>

#include <windows.h>

#include "fs/directories.h"
#include "fs/module_path.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Makes dir the working directory for the life of the object.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::wstring& dir) {
    wchar_t previous[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, previous);
    _previous = previous;
    SetCurrentDirectoryW(dir.c_str());
  }
  ~WorkingDirectory() { SetCurrentDirectoryW(_previous.c_str()); }

 private:
  std::wstring _previous;
};

}  // namespace

TEST(CreateDirectories, ExistingDirectoryIsKeptAsItIs) {
  ScratchDir scratch;
  writeFile(scratch / L"inside.txt", "x");
  EXPECT_TRUE(create_directories(FilePath(scratch.path())));
  EXPECT_TRUE(create_directories(FilePath(scratch.path() + L"\\")));
  EXPECT_EQ(listDir(scratch.path()), std::vector<std::wstring>{L"inside.txt"});
}

TEST(CreateDirectories, CreatesEveryMissingAncestor) {
  ScratchDir scratch;
  EXPECT_TRUE(create_directories(FilePath(scratch / L"a/b/c")));
  EXPECT_TRUE(isDirectory(scratch / L"a\\b\\c"));
  // A trailing separator names the same directory.
  EXPECT_TRUE(create_directories(FilePath(scratch / L"x\\y\\")));
  EXPECT_TRUE(isDirectory(scratch / L"x\\y"));
  EXPECT_EQ(listDir(scratch.path()), (std::vector<std::wstring>{L"a", L"x"}));
}

TEST(CreateDirectories, FileInTheWayFailsAndCreatesNothing) {
  ScratchDir scratch;
  writeFile(scratch / L"taken", "data");
  EXPECT_FALSE(create_directories(FilePath(scratch / L"taken")));
  EXPECT_FALSE(create_directories(FilePath(scratch / L"taken\\below\\deeper")));
  EXPECT_FALSE(isDirectory(scratch / L"taken"));
  EXPECT_EQ(readFile(scratch / L"taken"), "data");
  EXPECT_EQ(listDir(scratch.path()), std::vector<std::wstring>{L"taken"});
}

TEST(CreateDirectories, MissingPathThatIsItsOwnParentStopsWithFalse) {
  ScratchDir scratch;
  {
    WorkingDirectory inside(scratch.path());
    // No separator left to climb: the recursion ends instead of going on forever.
    EXPECT_FALSE(create_directories(FilePath(L"top")));
    EXPECT_FALSE(create_directories(FilePath(L"top\\below")));
    // Relative below an existing top, it works from the working directory.
    CreateDirectoryW(L"top", nullptr);
    EXPECT_TRUE(create_directories(FilePath(L"top\\below\\deeper")));
  }
  EXPECT_TRUE(isDirectory(scratch / L"top\\below\\deeper"));
  EXPECT_FALSE(create_directories(FilePath()));

  // A drive that does not exist ends the same way.
  wchar_t missingDrive[] = L"?:\\vorak\\a\\b";
  DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Z'; letter >= L'D'; --letter) {
    if (!(drives & (1u << (letter - L'A')))) {
      missingDrive[0] = letter;
      break;
    }
  }
  ASSERT_NE(missingDrive[0], L'?');
  EXPECT_FALSE(create_directories(FilePath(missingDrive)));
}

TEST(FileExists, OnlyForObjectsThatAreNotDirectories) {
  ScratchDir scratch;
  writeFile(scratch / L"file.txt", "");
  EXPECT_TRUE(fileExists(scratch / L"file.txt"));
  EXPECT_FALSE(fileExists(scratch.path()));
  EXPECT_FALSE(fileExists(scratch / L"missing.txt"));
}

TEST(ApplicationPath, DirectoryIsThePathWithoutItsLastComponent) {
  const std::wstring path = GetApplicationPath();
  const std::wstring dir = GetApplicationDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_NE(dir.back(), L'\\');
  EXPECT_EQ(path, dir + L"\\tests_fs.exe");
  EXPECT_TRUE(fileExists(path));
  EXPECT_EQ(GetCurrentModule(), GetModuleHandleW(nullptr));
}
