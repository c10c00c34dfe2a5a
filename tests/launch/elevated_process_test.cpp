// Running a program elevated and waiting for it, called in this test program;
// the program is the stand-in updater, at a path with blanks.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "launch/elevated_process.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct ElevatedCase {
  const char* name;
  bool belowVersion6;
  bool missing;
  const wchar_t* exitCode;
  int sleepMs;
  int32_t wait;
  int32_t expected;
  bool returnsBeforeTheEnd;
};

const ElevatedCase kCases[] = {
    {"WaitForExitGivesTheExitCode", false, false, L"3010", 0, WAIT_FOR_EXIT, 3010, false},
    {"NoWaitReturnsAtOnce", false, false, L"5", 1500, WAIT_NONE, 0, true},
    {"BoundedWaitGivesUp", false, false, L"5", 1500, 300, 0, true},
    {"BoundedWaitEndsWithTheProgram", false, false, L"5", 0, 20000, 0, false},
    {"ProgramThatCannotStart", false, true, L"0", 0, WAIT_FOR_EXIT, -1, false},
    {"OldWindowsWaitsWhateverTheWait", true, false, L"9", 1000, WAIT_NONE, 9, false},
    {"OldWindowsProgramThatCannotStart", true, true, L"0", 0, WAIT_NONE, -1, false},
};

bool belowVersion6() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExW(&version);
  return version.dwMajorVersion < 6;
}

class ElevatedProcess : public ::testing::TestWithParam<ElevatedCase> {};

TEST_P(ElevatedProcess, StartsWaitsAndAnswers) {
  const ElevatedCase& c = GetParam();
  ScratchDir dir;
  if (c.belowVersion6 != belowVersion6()) {
    // Wine reports an old Windows to a program named in its per-program settings:
    // a copy of this test program runs the case there.
    std::wstring copy = buildDir() + L"\\tests\\tests_below_version6.exe";
    ASSERT_TRUE(copyFileTo(buildDir() + L"\\tests\\tests_launch.exe", copy));
    ASSERT_EQ(SHSetValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\tests_below_version6.exe", L"Version",
                          REG_SZ, L"winxp", 12), ERROR_SUCCESS);
    std::wstring filter = L"--gtest_filter=*/ElevatedProcess.*/" + std::wstring(c.name, c.name + strlen(c.name));
    RunResult child = runProgram(copy, filter, L"", {}, 60000);
    DeleteFileW(copy.c_str());
    ASSERT_TRUE(child.ended);
    EXPECT_EQ(child.exitCode, 0u);
    return;
  }
  std::wstring program = dir / L"dir with blank\\stand in.exe";
  ASSERT_EQ(copyFileTo(builtStandinPath(), program), true);
  if (c.missing) DeleteFileW(program.c_str());
  for (const auto& pair : standinEnvironment(dir / L"record.txt", 0, c.sleepMs))
    SetEnvironmentVariableW(pair.first.c_str(), pair.second.c_str());
  SetEnvironmentVariableW(L"STANDIN_EXIT_CODE", c.exitCode);

  DWORD begun = GetTickCount();
  EXPECT_EQ(execute_elevated_process(program, L"\"one arg\" two", c.wait), c.expected);
  EXPECT_EQ(GetTickCount() - begun < static_cast<DWORD>(c.sleepMs), c.returnsBeforeTheEnd);
  EXPECT_GE(GetTickCount() - begun + 50, static_cast<DWORD>(std::max(0, std::min(c.wait, c.sleepMs))));
  Sleep(c.returnsBeforeTheEnd ? c.sleepMs : 0);  // the program ends before its folder goes
  std::vector<StandinRun> runs = readRecord(dir / L"record.txt");
  std::vector<std::vector<std::wstring>> expected;
  if (!c.missing) expected.push_back({program, L"one arg", L"two"});
  ASSERT_EQ(runs.size(), expected.size());
  for (size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i].args, expected[i]);
}

INSTANTIATE_TEST_SUITE_P(Cases, ElevatedProcess, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
