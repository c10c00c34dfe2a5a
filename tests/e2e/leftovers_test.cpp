// Whatever the player does, nothing stays in TEMP: a close cancels the extraction but not the wait
// for a running updater, deep trees go whole, and a link out of the extraction is never followed.
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

enum Payload { Demo, ManyFiles, Deep };
enum Act { Nothing, CloseWhenWriting, CloseWhenUpdaterRuns, LinkOutWhenUpdaterRuns };
struct Row { const char* name; Payload payload; Act act; DWORD exitCode; size_t updaterRuns; };
const Row kRows[] = {
    {"CloseDuringExtraction_CancelsWithoutBoxExitOne", ManyFiles, CloseWhenWriting, 1, 0},
    {"CloseWhileUpdaterRuns_StillWaitsForIt", Demo, CloseWhenUpdaterRuns, 0, 1},
    {"TreeThirtyFoldersDeep_InstallsAndGoesWhole", Deep, Nothing, 0, 1},
    {"LinkToOutside_IsRemovedNotFollowed", Demo, LinkOutWhenUpdaterRuns, 0, 1},
};

// Wine starts Linux programs but gives no handle to wait on: waits for what they make.
bool host(const std::wstring& shellLine, const std::wstring& cwd, const std::wstring& made) {
  startProgram(L"Z:\\bin\\sh", L"-c \"" + shellLine + L"\"", cwd);
  for (int i = 0; i < 600 && !pathExists(made); ++i) Sleep(100);
  return pathExists(made);
}

// The stand-in beside 2000 stored files (slow to write) or 30 folders deep (~400 characters), by 7zz.
std::string pack(BootstrapFixture& f, Payload payload) {
  std::wstring tree = f.scratch / L"tree", deep = tree;
  copyFileTo(builtStandinPath(), tree + L"\\wayspanner\\wayspanner.exe");
  for (int i = 0; payload == Deep && i < 30; ++i) deep += L"\\deep-folder-" + std::to_wstring(i % 10);
  makeParentDirs(deep + L"\\data\\0");
  for (int i = 0; i < (payload == Deep ? 1 : 2000); ++i) writeFile(deep + L"\\data\\" + std::to_wstring(i), "vlm");
  EXPECT_TRUE(host(L"7zz a -mx=0 -bso0 ../p.7z . && mv ../p.7z ../payload.7z", tree, f.scratch / L"payload.7z"));
  return readFile(f.scratch / L"payload.7z");
}

class Leftovers : public ::testing::TestWithParam<Row> {};

TEST_P(Leftovers, NothingLeftInTemp) {
  const Row& row = GetParam();
  BootstrapFixture f;
  ASSERT_TRUE(row.payload == Demo || f.replacePayload(pack(f, row.payload)));
  f.putFile(L"..\\outside\\kept.txt", "kept");
  bool acted = row.act == Nothing;
  auto act = [&](HWND window) {
    std::vector<std::wstring> temp = f.leftInTemp();
    std::wstring extraction = temp.empty() ? L"" : f.tempDir + L"\\" + temp[0];
    bool due = row.act == CloseWhenWriting ? listDir(extraction + L"\\data").size() > 20 : !f.updaterRuns().empty();
    if (!due) return false;
    acted = row.act == LinkOutWhenUpdaterRuns ? host(L"ln -s ../../outside link", extraction, extraction + L"\\link")
                                              : window && PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    return acted;
  };
  BootstrapOutcome outcome = f.run(L"--repair", f.environment(0, 3000), 120000, act);
  DWORD exitCode = outcome.ended ? outcome.exitCode : 99;
  bool box = outcome.box.shown;
  EXPECT_TRUE(acted);
  EXPECT_EQ(exitCode, row.exitCode);
  EXPECT_FALSE(box);
  EXPECT_EQ(f.updaterRuns().size(), row.updaterRuns);
  EXPECT_EQ(readFile(f.scratch / L"outside\\kept.txt"), "kept");
  std::vector<std::wstring> left = f.leftInTemp();
  // Wine cannot remove a link without following it: only the link itself may stay.
  if (row.act == LinkOutWhenUpdaterRuns && left.size() == 1) left = listDir(f.tempDir + L"\\" + left[0]);
  EXPECT_TRUE(left.empty() || left == std::vector<std::wstring>{L"link"});
  if (row.act == LinkOutWhenUpdaterRuns) host(L"rm -f */link && touch ../unlinked", f.tempDir, f.scratch / L"unlinked");
}

INSTANTIATE_TEST_SUITE_P(Runs, Leftovers, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
