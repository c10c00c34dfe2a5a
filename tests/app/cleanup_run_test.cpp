// Clean-up runs of the real VorakSetup.exe, with the stand-in updater as the
// process that the run waits for.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/cleanup.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Long enough that a clean-up run started just after it under Wine finds it
// alive (a start takes well under a second there).
const int LIVE_MS = 2000;
// How long the first test watches the clean-up run wait.
const int WATCH_MS = 1500;
const DWORD RUN_TIMEOUT_MS = 60000;

// A bootstrap folder with a space in its name, as the self-removal quotes it,
// holding the executable that the clean-up run is to delete.
struct BootstrapFolder {
  ScratchDir scratch;
  std::wstring dir = scratch / L"Vorak Game";
  std::wstring exe = dir + L"\\VorakSetup.exe";
  BootstrapFolder() {
    CreateDirectoryW(dir.c_str(), nullptr);
    writeFile(exe, "stands for the installed bootstrap");
  }
};

Child startLiveProcess(int lifeMs) {
  return startProgram(builtStandinPath(), L"", L"", standinEnvironment(L"", 0, lifeMs));
}

std::wstring cleanupArguments(const std::wstring& pid, const std::wstring& file, const std::wstring& dir) {
  return L"--cleanup " + pid + L" \"" + file + L"\" \"" + dir + L"\"";
}

Child startCleanup(const std::wstring& arguments) { return startProgram(builtSetupPath(), arguments); }

bool idNoLongerOpens(DWORD pid) {
  for (int i = 0; i < 200; ++i) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr) return true;
    CloseHandle(process);
    Sleep(50);
  }
  return false;
}

struct OwnIdCall {
  std::wstring file, dir;
};

DWORD WINAPI cleanupNamingItself(void* argument) {
  OwnIdCall* call = static_cast<OwnIdCall*>(argument);
  cleanup(static_cast<int>(GetCurrentProcessId()), call->file, call->dir);
  return 0;
}

}  // namespace

TEST(CleanupRun, DeletesFileOnlyAfterTheProcessEnded) {
  BootstrapFolder folder;
  Child live = startLiveProcess(LIVE_MS + 2 * WATCH_MS);
  ASSERT_NE(live.process, nullptr);
  Child run = startCleanup(cleanupArguments(std::to_wstring(live.pid), folder.exe, folder.dir));
  ASSERT_NE(run.process, nullptr);

  EXPECT_FALSE(run.wait(WATCH_MS)) << "the clean-up run did not wait for the live process";
  ASSERT_FALSE(live.wait(0)) << "the live process ended too early for this check";
  EXPECT_TRUE(pathExists(folder.exe));

  ASSERT_TRUE(live.wait(RUN_TIMEOUT_MS));
  DWORD exitCode = 1;
  ASSERT_TRUE(run.wait(RUN_TIMEOUT_MS, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(pathExists(folder.exe));
  // The folder held nothing else, so it goes too.
  EXPECT_FALSE(pathExists(folder.dir));
}

TEST(CleanupRun, KeepsDirectoryThatStillHoldsFiles) {
  BootstrapFolder folder;
  writeFile(folder.dir + L"\\wayspanner.conf", "kept");
  Child live = startLiveProcess(LIVE_MS);
  Child run = startCleanup(cleanupArguments(std::to_wstring(live.pid), folder.exe, folder.dir));
  DWORD exitCode = 1;
  ASSERT_TRUE(run.wait(RUN_TIMEOUT_MS, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(pathExists(folder.exe));
  EXPECT_EQ(listDir(folder.dir), std::vector<std::wstring>{L"wayspanner.conf"});
}

TEST(CleanupRun, LeavesDirectoryWhenTheFileCannotBeDeleted) {
  BootstrapFolder folder;
  std::wstring missing = folder.dir + L"\\not-there.exe";
  DeleteFileW(folder.exe.c_str());  // the folder is empty but the deletion will fail
  Child live = startLiveProcess(LIVE_MS);
  Child run = startCleanup(cleanupArguments(std::to_wstring(live.pid), missing, folder.dir));
  DWORD exitCode = 1;
  ASSERT_TRUE(run.wait(RUN_TIMEOUT_MS, &exitCode));
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(isDirectory(folder.dir));
}

TEST(CleanupRun, NonNumericIdDeletesNothing) {
  BootstrapFolder folder;
  RunResult result = runProgram(builtSetupPath(), cleanupArguments(L"abc", folder.exe, folder.dir));
  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(pathExists(folder.exe));
}

TEST(CleanupRun, FinishedProcessDeletesNothing) {
  BootstrapFolder folder;
  DWORD pid = 0;
  {
    Child done = startLiveProcess(0);
    ASSERT_TRUE(done.wait(RUN_TIMEOUT_MS));
    pid = done.pid;
  }  // our handle closes here; while it is open the ended process can still be opened
  // Wine lets an ended process be opened for a moment after its end is
  // signalled (until its server connection closes); wait until the id is gone.
  ASSERT_TRUE(idNoLongerOpens(pid));
  RunResult result = runProgram(builtSetupPath(), cleanupArguments(std::to_wstring(pid), folder.exe, folder.dir));
  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.exitCode, 0u);
  EXPECT_TRUE(pathExists(folder.exe));
}

TEST(CleanupRun, FewerThanThreeValuesDoNothingAndDoNotWait) {
  BootstrapFolder folder;
  Child live = startLiveProcess(LIVE_MS);
  std::wstring twoValues = L"--cleanup " + std::to_wstring(live.pid) + L" \"" + folder.exe + L"\"";
  Child run = startCleanup(twoValues);
  DWORD exitCode = 1;
  ASSERT_TRUE(run.wait(RUN_TIMEOUT_MS, &exitCode));
  EXPECT_FALSE(live.wait(0)) << "the run should have returned while the process still lived";
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(pathExists(folder.exe));
  ASSERT_TRUE(live.wait(RUN_TIMEOUT_MS));
}

TEST(CleanupRun, OwnProcessIdReturnsAtOnceAndDeletesNothing) {
  // In process: waiting for itself would never end, so the call runs on a
  // thread that the test gives a bound.
  BootstrapFolder folder;
  OwnIdCall call{folder.exe, folder.dir};
  HANDLE worker = CreateThread(nullptr, 0, cleanupNamingItself, &call, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  DWORD waited = WaitForSingleObject(worker, 10000);
  CloseHandle(worker);
  ASSERT_EQ(waited, WAIT_OBJECT_0) << "cleanup waited for its own process";
  EXPECT_TRUE(pathExists(folder.exe));
}
