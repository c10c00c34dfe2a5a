#include <gtest/gtest.h>

#include <windows.h>

#include <cwctype>
#include <string>

#include "fs/module_path.h"
#include "launch/number_text.h"
#include "launch/temp_locations.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Points this process's temporary folder (TMP and TEMP) at folder while it lives.
class TemporaryFolder {
 public:
  explicit TemporaryFolder(const std::wstring& folder) {
    for (const wchar_t* name : {L"TMP", L"TEMP"}) {
      wchar_t value[MAX_PATH + 1];
      DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH + 1);
      _saved.emplace_back(name, n > 0 && n <= MAX_PATH ? std::wstring(value, n) : std::wstring());
      SetEnvironmentVariableW(name, folder.c_str());
    }
  }
  ~TemporaryFolder() {
    for (const auto& entry : _saved) {
      SetEnvironmentVariableW(entry.first.c_str(), entry.second.empty() ? nullptr : entry.second.c_str());
    }
  }

 private:
  std::vector<std::pair<std::wstring, std::wstring>> _saved;
};

std::wstring fileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return L"missing";
  return t_to_wstring(static_cast<unsigned long>(data.nFileSizeLow));
}

}  // namespace

TEST(TempDirectory, TwoCallsGiveTwoNewDirectoriesNamedFromTheTemplate) {
  ScratchDir temp;
  TemporaryFolder redirect(temp.path());
  const std::wstring first = create_temp_directory();
  const std::wstring second = create_temp_directory();
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_NE(first, second);
  for (const std::wstring& dir : {first, second}) {
    EXPECT_TRUE(isDirectory(dir));
    EXPECT_EQ(dir.substr(0, temp.path().size() + 1), temp.path() + L"\\");
    const std::wstring name = dir.substr(temp.path().size() + 1);
    ASSERT_EQ(name.size(), 9u) << toUtf8(name);
    EXPECT_EQ(name.substr(0, 3), L"vlm");
    for (wchar_t c : name.substr(3)) EXPECT_TRUE(iswalnum(c) && c != L'X') << toUtf8(name);
  }
  EXPECT_EQ(listDir(temp.path()).size(), 2u);
}

TEST(TempDirectory, MissingTemporaryFolderGivesEmptyResult) {
  ScratchDir temp;
  TemporaryFolder redirect(temp / L"gone");
  EXPECT_EQ(create_temp_directory(), L"");
  EXPECT_TRUE(listDir(temp.path()).empty());
}

TEST(CopySelf, CopyIsDeletedWhenItsHandleClosesAndTheReservationStays) {
  ScratchDir temp;
  TemporaryFolder redirect(temp.path());
  std::wstring copyPath = L"unchanged";
  HANDLE handle = copySelfToTemp(copyPath);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);

  ASSERT_GT(copyPath.size(), 4u);
  EXPECT_EQ(copyPath.substr(copyPath.size() - 4), L".exe");
  const std::wstring reservation = copyPath.substr(0, copyPath.size() - 4);
  EXPECT_EQ(reservation.substr(0, temp.path().size() + 1), temp.path() + L"\\");
  // The system's own naming: at most three letters of the prefix, then hex digits.
  EXPECT_EQ(reservation.substr(temp.path().size() + 1, 3), L"Vel");
  EXPECT_EQ(fileSize(copyPath), fileSize(GetApplicationPath()));
  EXPECT_EQ(fileSize(reservation), L"0");
  EXPECT_EQ(listDir(temp.path()).size(), 2u);

  // While the handle is held the copy can still be opened for reading, as
  // starting it needs.
  HANDLE reader = CreateFileW(copyPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);

  CloseHandle(handle);
  EXPECT_FALSE(pathExists(copyPath));
  EXPECT_TRUE(pathExists(reservation));
}

TEST(CopySelf, MissingTemporaryFolderFailsAndLeavesThePathUnchanged) {
  ScratchDir temp;
  TemporaryFolder redirect(temp / L"gone");
  std::wstring copyPath = L"unchanged";
  EXPECT_EQ(copySelfToTemp(copyPath), INVALID_HANDLE_VALUE);
  EXPECT_EQ(copyPath, L"unchanged");
}

TEST(NumberText, IsPlainDecimal) {
  EXPECT_EQ(t_to_wstring(0UL), L"0");
  EXPECT_EQ(t_to_wstring(305UL), L"305");
  EXPECT_EQ(t_to_wstring(4294967295UL), L"4294967295");
}
