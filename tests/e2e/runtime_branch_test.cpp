// The runtime's branch, whole: a twin of the program that fetches the
// installer from the tests' loopback server, in a Wine prefix without the
// runtime. The stand-in updater plays the installer (signed or not).
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

struct RuntimeCase {
  const char* name;
  const char* answer;         // what the server sends for the installer
  const wchar_t* exitCodes;   // the stand-in's codes, run by run (installer first)
  bool configured;            // a configuration and an installed updater beside the program
  const wchar_t* arguments;
  DWORD exitCode;
  bool box;                   // the runtime's "Oups!" message
  std::vector<const wchar_t*> runs;  // what ran, in order: "installer", "extracted", "installed"
  bool closeWhileDownloading = false;
};

const RuntimeCase kCases[] = {
    {"InstallsTheRuntimeThenTheGame", "body signed.exe 4", L"0,0", false, L"", 0, false, {L"installer", L"extracted"}},
    {"RestartRequiredCountsAsDone", "body signed.exe 1", L"3010,0", false, L"--repair", 0, false,
     {L"installer", L"extracted"}},
    {"FailingInstallerReportsTheRuntime", "body signed.exe 1", L"1", false, L"", 1, true, {L"installer"}},
    {"FailingInstallerStillStartsTheInstalledGame", "body signed.exe 1", L"1,0", true, L"--repair", 1, false,
     {L"installer", L"installed"}},
    {"UnsignedInstallerNeverRuns", "body unsigned.exe 1", L"0", false, L"", 1, true, {}},
    {"UntrustedInstallerNeverRuns", "body untrusted_root.exe 1", L"0", false, L"", 1, true, {}},
    {"NotFoundNeverRuns", "status 404", L"0", false, L"", 1, true, {}},
    {"CutShortNeverRuns", "cut signed.exe", L"0", false, L"", 1, true, {}},
    {"LengthMismatchNeverRuns", "mismatch signed.exe", L"0", false, L"", 1, true, {}},
    {"StartOfTheInstalledGameNeverDownloads", "body signed.exe 1", L"0", true, L"", 0, false, {L"installed"}},
    {"CloseDuringTheDownloadCancelsIt", "body signed.exe 20", L"0", false, L"", 1, false, {}, true},
};

class RuntimeBranch : public ::testing::TestWithParam<RuntimeCase> {};

TEST_P(RuntimeBranch, FetchesChecksAndInstallsTheRuntime) {
  const RuntimeCase& c = GetParam();
  const std::wstring served = buildDir() + L"\\tests\\runtime";
  writeFile(served + L"\\answer.txt", c.answer);
  std::string requestsBefore = readFile(served + L"\\requests.log");
  BootstrapFixture f(buildDir() + L"\\tests\\VorakSetupLocalRuntime.exe");
  if (c.configured) {
    f.putFile(L"wayspanner.conf");
    f.installUpdater(L"wayspanner\\wayspanner.exe");
  }
  Environment env = f.environment();
  env.push_back({L"STANDIN_EXIT_CODE", c.exitCodes});
  std::function<bool(HWND)> close = [](HWND window) { return window && PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
  // A picture of the window while the first row downloads, taken on the Linux side.
  int seen = 0;
  std::function<bool(HWND)> picture = [&](HWND window) {
    if (!window || ++seen < 4) return false;
    RECT r;
    GetWindowRect(window, &r);
    startProgram(L"Z:\\bin\\sh", L"-c \"mkdir -p ../../screenshots && import -window root -crop 350x65+" +
                                       std::to_wstring(r.left) + L"+" + std::to_wstring(r.top) +
                                       L" ../../screenshots/runtime-download.png\"", buildDir() + L"\\tests\\runtime");
    return true;
  };
  BootstrapOutcome outcome = f.run(c.arguments, env, 120000,
                                   c.closeWhileDownloading ? close : c.name == kCases[0].name ? picture : nullptr);
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, c.exitCode);
  EXPECT_EQ(outcome.box.text, c.box ? f.message(10006) : L"");

  std::vector<StandinRun> runs = f.updaterRuns();
  ASSERT_EQ(runs.size(), c.runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    std::wstring kind = runs[i].args.size() == 3 && runs[i].args[1] == L"/q" && runs[i].args[2] == L"/norestart"
                            ? L"installer"
                        : runs[i].exe == f.gameDir + L"\\wayspanner\\wayspanner.exe" ? L"installed"
                                                                                      : L"extracted";
    EXPECT_EQ(kind, c.runs[i]) << i;
  }
  bool asked = readFile(served + L"\\requests.log").size() > requestsBefore.size();
  EXPECT_EQ(asked, !c.configured || c.arguments[0] != L'\0') << "only a start of the installed game asks nothing";
  EXPECT_TRUE(f.leftInTemp().empty()) << "the download's folder goes on every path";
}

INSTANTIATE_TEST_SUITE_P(Runs, RuntimeBranch, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
