// Whole runs that end in the updater's uninstall code: what is left of the bootstrap.
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

struct UninstallCase {
  const char* name;
  const wchar_t* arguments;
  const wchar_t* exitCodes;  // the stand-in's codes, run by run
  int sleepMs;
  bool otherFile;            // the game folder holds more than the bootstrap
  bool readOnlyFolder;       // the player may not write in the game folder
  bool removed;              // the bootstrap is gone after the run
};

const UninstallCase kUninstallCases[] = {
    {"UninstallRemovesBootstrapAndItsEmptyFolder", L"--uninstall", L"77", 0, false, false, true},
    {"UninstallOrRepairRemovesBootstrap", L"--uninstall-or-repair", L"77", 0, false, false, true},
    {"FolderWithOtherFilesStays", L"--uninstall", L"77", 0, true, false, true},
    {"UnwritableFolderTakesTheElevatedStart", L"--uninstall", L"77", 0, true, true, true},
    {"RemovedAfterTheStartCheckToo", L"--uninstall", L"77", 16000, false, false, true},
    {"RepairWith77RemovesNothing", L"--repair", L"77", 0, false, false, false},
    {"InstallWith77RemovesNothing", L"", L"77", 0, false, false, false},
    {"UninstallWithOtherCodeRemovesNothing", L"--uninstall", L"0", 0, false, false, false},
};

// Lets everyone read the folder but not write in it (true), or everything again (false).
void setReadOnly(const std::wstring& dir, bool readOnly) {
  BYTE everyone[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(everyone);
  BYTE aclBuffer[256];
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size) &&
              InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) &&
              AddAccessAllowedAce(acl, ACL_REVISION,
                                  readOnly ? FILE_GENERIC_READ | FILE_GENERIC_EXECUTE : FILE_ALL_ACCESS, everyone) &&
              InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
              SetFileSecurityW(dir.c_str(), DACL_SECURITY_INFORMATION, &descriptor));
}

class UninstallRun : public ::testing::TestWithParam<UninstallCase> {};

TEST_P(UninstallRun, LeavesTheBootstrapAsTheUpdaterAsked) {
  const UninstallCase& c = GetParam();
  BootstrapFixture f;
  if (c.otherFile) f.putFile(L"saves\\slot1.sav", "progress");
  if (c.readOnlyFolder) setReadOnly(f.gameDir, true);
  Environment env = f.environment(0, c.sleepMs);
  env.push_back({L"STANDIN_EXIT_CODE", c.exitCodes});
  DWORD begun = GetTickCount();
  BootstrapOutcome outcome = f.run(c.arguments, env);
  ASSERT_TRUE(outcome.ended);
  // Only the elevated start waits (20 s) for its copy, which waits for this run.
  EXPECT_EQ(GetTickCount() - begun - c.sleepMs > 15000, c.readOnlyFolder);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_FALSE(outcome.box.shown);
  EXPECT_EQ(f.updaterRuns().size(), 1u);
  // The clean-up copy deletes the bootstrap (and an emptied folder) once this run has ended.
  const std::wstring& last = c.otherFile ? f.setup : f.gameDir;
  for (int i = 0; i < 100 && pathExists(last) == c.removed; ++i) Sleep(100);
  EXPECT_EQ(!pathExists(f.setup), c.removed);
  EXPECT_EQ(pathExists(f.gameDir), !c.removed || c.otherFile);
  EXPECT_EQ(readFile(f.gameDir + L"\\saves\\slot1.sav"), c.otherFile ? "progress" : "");
  // The copy goes with its last handle, once it has ended; only the empty file that reserved its name stays.
  std::vector<std::wstring> left = f.leftInTemp();
  for (int i = 0; i < 100 && left.size() > 1; ++i, Sleep(100)) left = f.leftInTemp();
  EXPECT_EQ(left.size(), c.removed ? 1u : 0u);
  for (const std::wstring& name : left) EXPECT_EQ(name.substr(name.size() - 4), L".tmp");
  if (c.readOnlyFolder) setReadOnly(f.gameDir, false);
}

INSTANTIATE_TEST_SUITE_P(Runs, UninstallRun, ::testing::ValuesIn(kUninstallCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
