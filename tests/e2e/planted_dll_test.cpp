// Libraries planted beside the bootstrap and in its TEMP, named like those it or Windows loads for it (not those
// Wine loads before its code runs, like version): in no run may one run its code; each run still does its job.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

// The names in VORAK_DLL_OVERRIDES ("a,b,...=n,b ..."), given to Wine by this test's CTest entry.
static std::vector<std::wstring> plantedNames() {
  wchar_t value[2048] = {};
  std::wstring overrides(value, GetEnvironmentVariableW(L"VORAK_DLL_OVERRIDES", value, 2048));
  std::wistringstream names(overrides.substr(0, overrides.find(L'=')));
  std::vector<std::wstring> list;
  for (std::wstring name; std::getline(names, name, L',');) list.push_back(name);
  return list;
}

struct PlantedCase {
  const char* name;
  const wchar_t* arguments;
  bool installed;                     // configuration and updater beside the bootstrap
  bool removed;                       // the updater answers 77: the clean-up copy, run from TEMP, deletes it and ends
  std::vector<std::wstring> options;  // what the updater gets before the bootstrap's path
};

static const PlantedCase kPlantedCases[] = {
    {"Install", L"", false, false, {L"--no-footprint", L"--no-restart"}},
    {"StartInstalledUpdater", L"", true, false, {}},
    {"Uninstall", L"--uninstall", false, true, {L"--uninstall", L"--no-footprint", L"--no-restart"}},
};

class PlantedDll : public ::testing::TestWithParam<PlantedCase> {};

TEST_P(PlantedDll, NeverLoadsAndTheRunStillDoesItsJob) {
  const PlantedCase& c = GetParam();
  if (plantedNames().empty()) GTEST_SKIP() << "run by its CTest entry, which sets VORAK_DLL_OVERRIDES";
  BootstrapFixture f;
  for (const std::wstring& name : plantedNames())
    for (const std::wstring& dir : {f.gameDir, f.tempDir})
      ASSERT_TRUE(copyFileTo(buildDir() + L"\\tests\\libplanted_dll.dll", dir + L"\\" + name + L".dll"));
  if (c.installed) f.putFile(L"wayspanner.conf"), f.installUpdater(L"wayspanner\\wayspanner.exe");
  Environment env = f.environment();
  env.insert(env.end(), {{L"STANDIN_EXIT_CODE", c.removed ? L"77" : L"0"}, {L"PLANTED_LOG", f.scratch / L"dlls"}});
  BootstrapOutcome outcome = f.run(c.arguments, env);
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, 0u);
  for (int i = 0; i < 100 && listDir(f.tempDir).size() > plantedNames().size() + c.removed; ++i) Sleep(100);
  EXPECT_EQ(pathExists(f.setup), !c.removed);
  EXPECT_EQ(readFile(f.scratch / L"dlls"), "");
  std::vector<StandinRun> runs = f.updaterRuns();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(std::vector<std::wstring>(runs[0].args.begin() + 1, runs[0].args.end() - 2), c.options);
}

INSTANTIATE_TEST_SUITE_P(Runs, PlantedDll, ::testing::ValuesIn(kPlantedCases),
                         [](const auto& info) { return std::string(info.param.name); });
