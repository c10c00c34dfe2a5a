// The launcher, called in this test program: the "bootstrap" whose arguments
// and path are passed on is the test program itself.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include "launch/updater_launch.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

class UpdaterLaunchTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  std::wstring record = dir / L"record.txt";
  wchar_t previousDirectory[MAX_PATH] = {};

  void SetUp() override {
    GetCurrentDirectoryW(MAX_PATH, previousDirectory);
    for (const auto& pair : standinEnvironment(record)) SetEnvironmentVariableW(pair.first.c_str(), pair.second.c_str());
  }
  void TearDown() override { SetCurrentDirectoryW(previousDirectory); }

  void put(const std::wstring& relative, int exitCode) {
    std::wstring path = dir / relative;
    ASSERT_TRUE(copyFileTo(builtStandinPath(), path));
    writeFile(path.substr(0, path.size() - 4) + L".exitcode", std::to_string(exitCode));
  }
};

std::wstring currentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  std::wstring path = buffer;
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

TEST_F(UpdaterLaunchTest, NoCandidate_NotFoundButTheDirectoryIsChanged) {
  LaunchResult result = LaunchWayspanner::launch_bootstraped(dir.path());
  EXPECT_EQ(result.code, NotFound);
  EXPECT_EQ(result.pid, 0u);
  EXPECT_EQ(currentDirectory(), dir.path());
  EXPECT_TRUE(readRecord(record).empty());
}

TEST_F(UpdaterLaunchTest, PrimaryFailing_FallsBackToTheBackupsSecondCandidate) {
  put(L"wayspanner\\wayspanner.exe", 126);
  put(L"wayspanner_backup\\updater.exe", 0);
  LaunchResult result = LaunchWayspanner::launch_bootstraped(dir.path());
  ASSERT_EQ(result.code, Started);
  std::vector<StandinRun> runs = readRecord(record);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].args[0], L"wayspanner_backup\\updater.exe");
  EXPECT_EQ(runs[1].pid, result.pid);
}

TEST_F(UpdaterLaunchTest, ExitCodesUpTo125CountAsStarted) {
  for (int code : {0, 77, 125, 126, 255}) {
    ScratchDir fresh;
    std::wstring path = fresh / L"wayspanner.exe";
    ASSERT_TRUE(copyFileTo(builtStandinPath(), path));
    writeFile(fresh / L"wayspanner.exitcode", std::to_string(code));
    LaunchResult result = LaunchWayspanner::launch_bootstraped(fresh.path());
    EXPECT_EQ(result.code, code <= 125 ? Started : StartFailed) << code;
    EXPECT_EQ(result.pid != 0, code <= 125) << code;
    SetCurrentDirectoryW(previousDirectory);
  }
}

TEST_F(UpdaterLaunchTest, DirectoryNamedLikeTheFirstCandidate_IsChosenFailsAndHidesTheSecond) {
  CreateDirectoryW((dir / L"wayspanner").c_str(), nullptr);
  CreateDirectoryW((dir / L"wayspanner\\wayspanner.exe").c_str(), nullptr);
  put(L"wayspanner.exe", 0);
  LaunchResult result = LaunchWayspanner::launch_bootstraped(dir.path());
  EXPECT_EQ(result.code, StartFailed);
  EXPECT_EQ(result.pid, 0u);
  EXPECT_TRUE(readRecord(record).empty());
}

TEST_F(UpdaterLaunchTest, RepairLaunch_PassesOwnArgumentsThenExtrasThenWhereTheBootstrapLives) {
  put(L"wayspanner\\wayspanner.exe", 0);
  LaunchResult result = LaunchWayspanner::launch_bootstraped_for_repair(dir.path());
  ASSERT_EQ(result.code, Started);
  std::vector<StandinRun> runs = readRecord(record);
  ASSERT_EQ(runs.size(), 1u);

  std::vector<std::wstring> expected = {L"wayspanner\\wayspanner.exe"};
  int count = 0;
  wchar_t** own = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) expected.push_back(own[i]);
  LocalFree(own);
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring selfPath = self;
  expected.insert(expected.end(), {L"--autorepair", L"--no-footprint", L"--no-restart",
                                   L"--bootstrap-path=" + selfPath,
                                   L"--launched-from=" + selfPath.substr(0, selfPath.find_last_of(L'\\'))});
  EXPECT_EQ(runs[0].args, expected);
  EXPECT_EQ(runs[0].cwd, dir.path());
}

}  // namespace

namespace {

TEST_F(UpdaterLaunchTest, CandidateIsTakenFromTheLaunchDirectoryNotTheBootstrapsFolder) {
  // The test program's own folder stands in for the bootstrap's: an updater
  // there must not be started in place of the one in the launch directory.
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring ownFolder = self;
  ownFolder.resize(ownFolder.find_last_of(L'\\'));
  std::wstring decoy = ownFolder + L"\\wayspanner.exe";
  ASSERT_TRUE(copyFileTo(builtStandinPath(), decoy));
  put(L"wayspanner.exe", 0);
  LaunchResult result = LaunchWayspanner::launch_bootstraped(dir.path());
  DeleteFileW(decoy.c_str());
  ASSERT_EQ(result.code, Started);
  std::vector<StandinRun> runs = readRecord(record);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].exe, dir / L"wayspanner.exe");
  EXPECT_EQ(runs[0].args[0], L"wayspanner.exe");
}

}  // namespace
