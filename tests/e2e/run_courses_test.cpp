// Whole runs of the built bootstrap under Wine, with the stand-in updater
// recording what it was given.
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

class BootstrapRunTest : public ::testing::Test {
 protected:
  BootstrapFixture f;

  std::vector<std::wstring> expectedArgs(const std::wstring& program, const std::vector<std::wstring>& middle) {
    std::vector<std::wstring> args = {program};
    args.insert(args.end(), middle.begin(), middle.end());
    args.push_back(L"--bootstrap-path=" + f.setup);
    args.push_back(L"--launched-from=" + f.gameDir);
    return args;
  }

  // The one updater run, started from a fresh extraction in the bootstrap's temporary folder.
  StandinRun onlyExtractedRun() {
    std::vector<StandinRun> runs = f.updaterRuns();
    EXPECT_EQ(runs.size(), 1u);
    if (runs.empty()) return StandinRun();
    const StandinRun& run = runs[0];
    EXPECT_EQ(run.cwd.compare(0, f.tempDir.size() + 4, f.tempDir + L"\\vlm"), 0) << run.cwd;
    EXPECT_EQ(run.cwd.size(), f.tempDir.size() + 10) << run.cwd;
    EXPECT_EQ(run.exe, run.cwd + L"\\wayspanner\\wayspanner.exe");
    EXPECT_TRUE(run.window) << "the extracted updater starts while the window stands";
    return run;
  }
};

TEST_F(BootstrapRunTest, StartWithInstalledUpdater_RunsItWithoutWindowAndExitsZero) {
  for (const wchar_t* configuration : {L"wayspanner.conf", L"wayspanner-conf.ici"}) {
    BootstrapFixture fresh;
    fresh.putFile(configuration);
    fresh.installUpdater(L"wayspanner\\wayspanner.exe");
    BootstrapOutcome outcome = fresh.run(L"", fresh.environment());
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exitCode, 0u);
    EXPECT_FALSE(outcome.box.shown);
    std::vector<StandinRun> runs = fresh.updaterRuns();
    ASSERT_EQ(runs.size(), 1u) << configuration;
    EXPECT_EQ(runs[0].exe, fresh.gameDir + L"\\wayspanner\\wayspanner.exe");
    EXPECT_EQ(runs[0].cwd, fresh.gameDir);
    EXPECT_FALSE(runs[0].window);
    EXPECT_EQ(runs[0].args,
              (std::vector<std::wstring>{L"wayspanner\\wayspanner.exe", L"--bootstrap-path=" + fresh.setup,
                                         L"--launched-from=" + fresh.gameDir}));
    EXPECT_TRUE(fresh.leftInTemp().empty());
  }
}

TEST_F(BootstrapRunTest, Install_RunsExtractedUpdaterWithFullCommandLineAndRemovesExtraction) {
  BootstrapOutcome outcome = f.run(L"", f.environment());
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_FALSE(outcome.box.shown);
  StandinRun run = onlyExtractedRun();
  EXPECT_EQ(run.args, expectedArgs(L"wayspanner\\wayspanner.exe", {L"--no-footprint", L"--no-restart"}));
  EXPECT_EQ(run.bootstrap, f.setup);
  EXPECT_TRUE(f.leftInTemp().empty()) << "the extraction is deleted after the updater ended";
}

TEST_F(BootstrapRunTest, Switches_ExtractEvenBesideAnInstalledUpdaterAndReachTheUpdaterFirst) {
  for (const wchar_t* option : {L"--repair", L"--uninstall", L"--uninstall-or-repair"}) {
    BootstrapFixture fresh;
    fresh.putFile(L"wayspanner.conf");
    fresh.installUpdater(L"wayspanner\\wayspanner.exe");
    BootstrapOutcome outcome = fresh.run(option, fresh.environment());
    ASSERT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exitCode, 0u);
    std::vector<StandinRun> runs = fresh.updaterRuns();
    ASSERT_EQ(runs.size(), 1u) << option;
    EXPECT_NE(runs[0].exe, fresh.gameDir + L"\\wayspanner\\wayspanner.exe") << option;
    EXPECT_EQ(runs[0].args,
              (std::vector<std::wstring>{L"wayspanner\\wayspanner.exe", option, L"--no-footprint", L"--no-restart",
                                         L"--bootstrap-path=" + fresh.setup, L"--launched-from=" + fresh.gameDir}));
    EXPECT_TRUE(fresh.leftInTemp().empty());
  }
}

TEST_F(BootstrapRunTest, ActionChoice_OnlyExactSwitchesCountAndTheFirstWins) {
  struct Case {
    const wchar_t* arguments;
    bool extracts;
  };
  const Case cases[] = {
      {L"--Repair", false},               // letter case matters
      {L"-repair", false},                // a single dash is no switch
      {L"--REPAIR --uninstalL", false},
      {L"foo --repair", true},            // an unknown argument before a switch is skipped
      {L"--repair --cleanup 1 a b", true}, // the first switch wins over a later clean-up
      {L"--uninstall --repair", true},
  };
  for (const Case& c : cases) {
    BootstrapFixture fresh;
    fresh.putFile(L"wayspanner.conf");
    fresh.installUpdater(L"wayspanner\\wayspanner.exe");
    BootstrapOutcome outcome = fresh.run(c.arguments, fresh.environment());
    ASSERT_TRUE(outcome.ended) << c.arguments;
    EXPECT_EQ(outcome.exitCode, 0u) << c.arguments;
    std::vector<StandinRun> runs = fresh.updaterRuns();
    ASSERT_EQ(runs.size(), 1u) << c.arguments;
    bool installed = runs[0].exe == fresh.gameDir + L"\\wayspanner\\wayspanner.exe";
    EXPECT_EQ(!installed, c.extracts) << c.arguments;
  }
}

TEST_F(BootstrapRunTest, AutoRepair_WhenInstalledUpdaterEndsAtOnceWithCodeAbove125) {
  f.putFile(L"wayspanner.conf");
  f.installUpdater(L"wayspanner\\wayspanner.exe", 200);
  BootstrapOutcome outcome = f.run(L"", f.environment());
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 0u);
  EXPECT_FALSE(outcome.box.shown);
  std::vector<StandinRun> runs = f.updaterRuns();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].exe, f.gameDir + L"\\wayspanner\\wayspanner.exe");
  EXPECT_EQ(runs[1].args, expectedArgs(L"wayspanner\\wayspanner.exe",
                                       {L"--autorepair", L"--no-footprint", L"--no-restart"}));
  EXPECT_TRUE(runs[1].window);
  EXPECT_TRUE(f.leftInTemp().empty());
}

TEST_F(BootstrapRunTest, Arguments_ReachTheUpdaterUnchanged) {
  const std::vector<std::wstring> given = {L"with blank", L"say \"hi\"", L"C:\\trailing\\", L"a\\\\\"b",
                                           L"Ворак 游戏", L""};
  std::wstring line;
  for (const std::wstring& arg : given) {
    // Quoted the way CommandLineToArgvW reads them back.
    std::wstring quoted = L"\"";
    size_t slashes = 0;
    for (wchar_t c : arg) {
      if (c == L'\\') { ++slashes; continue; }
      quoted.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
      slashes = 0;
      quoted += c;
    }
    quoted.append(slashes * 2, L'\\');
    line += quoted + L"\" ";
  }
  BootstrapOutcome outcome = f.run(line, f.environment());
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 0u);
  StandinRun run = onlyExtractedRun();
  std::vector<std::wstring> middle = given;
  middle.push_back(L"--no-footprint");
  middle.push_back(L"--no-restart");
  EXPECT_EQ(run.args, expectedArgs(L"wayspanner\\wayspanner.exe", middle));
}

TEST_F(BootstrapRunTest, CorruptedPayload_ReportsDamagedInstallationExitsOneAndLeavesNothing) {
  ASSERT_TRUE(f.replacePayload(std::string(4096, 'x')));
  BootstrapOutcome outcome = f.run(L"", f.environment());
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 1u);
  ASSERT_TRUE(outcome.box.shown);
  EXPECT_EQ(outcome.box.caption, L"Oups!");
  EXPECT_EQ(outcome.box.text, f.message(10004));
  EXPECT_EQ(outcome.box.text.compare(0, 41, L"This installation seems to be corrupted !"), 0) << outcome.box.text;
  EXPECT_TRUE(f.updaterRuns().empty());
  EXPECT_TRUE(f.leftInTemp().empty());
}

TEST_F(BootstrapRunTest, ExtractedUpdaterThatFails_ReportsDamagedInstallationAndExitsOne) {
  BootstrapOutcome outcome = f.run(L"--repair", f.environment(126));
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 1u);
  ASSERT_TRUE(outcome.box.shown);
  EXPECT_EQ(outcome.box.caption, L"Oups!");
  EXPECT_EQ(outcome.box.text, f.message(10004));
  EXPECT_EQ(f.updaterRuns().size(), 1u);
  EXPECT_TRUE(f.leftInTemp().empty());
}

TEST_F(BootstrapRunTest, InstalledAndExtractedUpdatersBothFailing_RepairOnceThenReport) {
  f.putFile(L"wayspanner.conf");
  f.installUpdater(L"wayspanner\\wayspanner.exe", 130);
  BootstrapOutcome outcome = f.run(L"", f.environment(130));
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 1u);
  EXPECT_TRUE(outcome.box.shown);
  EXPECT_EQ(outcome.box.text, f.message(10004));
  EXPECT_EQ(f.updaterRuns().size(), 2u);
  EXPECT_TRUE(f.leftInTemp().empty());
}

// Slow on purpose: the start is judged after 15 seconds.
TEST_F(BootstrapRunTest, SlowUpdater_CountsAsStartedAndTheBootstrapWaitsForItWithoutWindow) {
  const int updaterMs = 19000;
  Child bootstrap = startProgram(f.setup, L"", f.scratch.path(), f.environment(0, updaterMs));
  ASSERT_TRUE(bootstrap.process);
  // From 15 seconds after the updater's start until it ends, the window is gone
  // and the bootstrap still runs, waiting.
  bool windowGoneWhileWaiting = false;
  DWORD updaterSeen = 0;
  DWORD exitCode = 99;
  for (DWORD begun = GetTickCount(); GetTickCount() - begun < 120000 && !bootstrap.wait(100, &exitCode);) {
    if (updaterSeen == 0 && !f.updaterRuns().empty()) updaterSeen = GetTickCount();
    if (updaterSeen == 0 || GetTickCount() - updaterSeen < 16000) continue;
    bool ours = false;
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"VelmorBootstrapWindow", nullptr)) != nullptr) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      ours = ours || owner == bootstrap.pid;
    }
    if (!ours) windowGoneWhileWaiting = true;
  }
  EXPECT_EQ(exitCode, 0u);
  EXPECT_TRUE(windowGoneWhileWaiting);
  EXPECT_EQ(f.updaterRuns().size(), 1u);
  EXPECT_TRUE(f.leftInTemp().empty());
}

}  // namespace
