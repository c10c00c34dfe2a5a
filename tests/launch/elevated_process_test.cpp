// Running a program elevated and waiting for it, called in this test program; the program is the
// stand-in updater, at a path with blanks.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstring>

#include "launch/elevated_process.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

struct ElevatedCase { const char* name; bool belowVersion6, missing, returnsBeforeTheEnd; const wchar_t* exitCode;
                      int sleepMs; int32_t wait, expected; };

const ElevatedCase kCases[] = {
    {"WaitForExitGivesTheExitCode", false, false, false, L"3010", 0, WAIT_FOR_EXIT, 3010},
    {"NoWaitReturnsAtOnce", false, false, true, L"5", 1500, WAIT_NONE, 0},
    {"BoundedWaitGivesUp", false, false, true, L"5", 1500, 300, 0},
    {"BoundedWaitEndsWithTheProgram", false, false, false, L"5", 0, 20000, 0},
    {"ProgramThatCannotStart", false, true, false, L"0", 0, WAIT_FOR_EXIT, -1},
    {"OldWindowsBoundedWaitGivesUp", true, false, true, L"9", 1500, 300, 0},
    {"OldWindowsProgramThatCannotStart", true, true, false, L"0", 0, WAIT_NONE, -1},
};

class ElevatedProcess : public ::testing::TestWithParam<ElevatedCase> {};

TEST_P(ElevatedProcess, StartsWaitsAndAnswers) {
  const ElevatedCase& c = GetParam();
  ScratchDir dir;
  OSVERSIONINFOW version = {sizeof(version)};
  if (c.belowVersion6 != (GetVersionExW(&version) && version.dwMajorVersion < 6)) {
    // Wine reports an old Windows to a program named in its per-program settings:
    // a copy of this test program runs the case there.
    std::wstring copy = buildDir() + L"\\tests\\tests_below_version6.exe";
    ASSERT_TRUE(copyFileTo(buildDir() + L"\\tests\\tests_launch.exe", copy));
    ASSERT_EQ(SHSetValueW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\tests_below_version6.exe", L"Version",
                          REG_SZ, L"winxp", 12), ERROR_SUCCESS);
    DWORD exitCode = 1;
    EXPECT_TRUE(startProgram(copy, L"--gtest_filter=*/ElevatedProcess.*/" + std::wstring(c.name, c.name + strlen(c.name)))
                    .wait(60000, &exitCode) && exitCode == 0);
    DeleteFileW(copy.c_str());
    return;
  }
  std::wstring program = dir / L"dir with blank\\stand in.exe";
  ASSERT_TRUE(copyFileTo(builtStandinPath(), program));
  if (c.missing) DeleteFileW(program.c_str());
  SetEnvironmentVariableW(L"STANDIN_RECORD", (dir / L"record.txt").c_str());
  SetEnvironmentVariableW(L"STANDIN_SLEEP_MS", std::to_wstring(c.sleepMs).c_str());
  SetEnvironmentVariableW(L"STANDIN_EXIT_CODE", c.exitCode);

  DWORD begun = GetTickCount();
  EXPECT_EQ(execute_elevated_process(program, L"\"one arg\" two", c.wait), c.expected);
  EXPECT_EQ(GetTickCount() - begun < static_cast<DWORD>(c.sleepMs), c.returnsBeforeTheEnd);
  EXPECT_GE(GetTickCount() - begun + 50, static_cast<DWORD>(std::max(0, std::min(c.wait, c.sleepMs))));
  Sleep(c.returnsBeforeTheEnd ? c.sleepMs : 0);  // the program ends before its folder goes
  std::vector<StandinRun> runs = readRecord(dir / L"record.txt");
  ASSERT_EQ(runs.size(), c.missing ? 0u : 1u);
  if (!c.missing) EXPECT_EQ(runs[0].args, std::vector<std::wstring>({program, L"one arg", L"two"}));
  if (!c.missing) EXPECT_EQ(runs[0].cwd, dir / L"dir with blank") << "in its own folder";
}

INSTANTIATE_TEST_SUITE_P(Cases, ElevatedProcess, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
