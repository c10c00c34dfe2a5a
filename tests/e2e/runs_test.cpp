// Whole runs of the built bootstrap under Wine, one row per scenario, with the
// stand-in updater recording what it was given.
#include "tests/support/bootstrap_run.h"

#include <gtest/gtest.h>
#include <shellapi.h>

using namespace testing_support;

namespace {

// The updater runs as the rows name them: an installed program, started from
// the game folder, or the extracted updater (with "--autorepair" after a failed one).
const wchar_t* const INSTALLED = L"wayspanner\\wayspanner.exe";
const wchar_t* const BACKUP = L"wayspanner_backup\\updater.exe";
const wchar_t* const EXTRACTED = L"extracted";
const wchar_t* const REPAIRED = L"extracted --autorepair";
const wchar_t* const CONF = L"wayspanner.conf";
const wchar_t* const OLD = L"Vorak Game\\VorakSetup.exe";  // what a clean-up run deletes
const wchar_t* const CLEANUP = L"--cleanup {pid} \"{game}\\Vorak Game\\VorakSetup.exe\" \"{game}\\Vorak Game\"";
const int DAMAGED = 10004;  // the "Oups!" box's message

struct Row {
  const char* name;
  std::vector<std::wstring> files;  // beside the program: a ".exe" is the stand-in ("=N" after it: exiting
                                    // with N), a name ending in "\\" a folder, anything else a small file
  std::wstring arguments;           // {game}: the game folder; {pid}: a process living updaterSleepMs
  std::vector<std::wstring> runs;   // the updater runs, in order
  DWORD exitCode;
  int box;                               // message of the "Oups!" box, 0 for none
  std::vector<std::wstring> left, gone;  // below the game folder, after the run
  int updaterExit, updaterSleepMs;       // the stand-in's, unless a file beside it says otherwise
  size_t junkPayload;                    // bytes of junk in place of the embedded archive (0: none)
  bool waitsForPid;                      // a clean-up run ends only after process {pid}, deleting nothing before
};

const Row ROWS[] = {
    {"InstalledUpdater", {CONF, INSTALLED}, L"", {INSTALLED}, 0, 0},
    {"InstalledUpdaterByIci", {L"wayspanner-conf.ici", INSTALLED}, L"", {INSTALLED}, 0, 0},
    {"FolderNamedLikeTheConfiguration", {L"wayspanner.conf\\", INSTALLED}, L"", {EXTRACTED}, 0, 0},
    {"ConfigurationWithoutUpdater", {CONF}, L"", {EXTRACTED}, 0, 0},
    {"Install", {}, L"", {EXTRACTED}, 0, 0},
    {"Repair", {CONF, INSTALLED}, L"--repair", {EXTRACTED}, 0, 0},
    {"Uninstall", {CONF, INSTALLED}, L"--uninstall", {EXTRACTED}, 0, 0},
    {"UninstallOrRepair", {CONF, INSTALLED}, L"--uninstall-or-repair", {EXTRACTED}, 0, 0},
    {"SwitchesAreExact", {CONF, INSTALLED}, L"--Repair -repair --REPAIR --uninstalL", {INSTALLED}, 0, 0},
    {"UnknownArgumentBeforeASwitch", {CONF, INSTALLED}, L"foo --repair", {EXTRACTED}, 0, 0},
    {"FirstSwitchWinsOverCleanup", {CONF, INSTALLED}, L"--repair --cleanup 1 a b", {EXTRACTED}, 0, 0},
    {"FirstSwitchWins", {CONF, INSTALLED}, L"--uninstall --repair", {EXTRACTED}, 0, 0},
    // Quoted as CommandLineToArgvW reads them back: each must reach the updater unchanged.
    {"ArgumentsReachTheUpdater", {}, LR"("with blank" "say \"hi\"" "C:\trailing\\" "a\\\\\"b" "Ворак 游戏" "")",
     {EXTRACTED}, 0, 0},
    {"InstalledUpdaterEnding125Started", {CONF, L"wayspanner\\wayspanner.exe=125"}, L"", {INSTALLED}, 0, 0},
    {"InstalledUpdaterEnding126Repaired", {CONF, L"wayspanner\\wayspanner.exe=126"}, L"", {INSTALLED, REPAIRED}, 0, 0},
    {"BackupAfterAFailedPrimary", {CONF, L"wayspanner\\wayspanner.exe=126", BACKUP}, L"", {INSTALLED, BACKUP}, 0, 0},
    {"FolderNamedLikeTheUpdaterFailsIt", {CONF, L"wayspanner\\wayspanner.exe\\", L"wayspanner.exe"}, L"",
     {REPAIRED}, 0, 0},
    {"BothUpdatersFail", {CONF, L"wayspanner\\wayspanner.exe=130"}, L"", {INSTALLED, REPAIRED}, 1, DAMAGED, {}, {},
     130},
    {"ExtractedUpdaterFails", {}, L"--repair", {EXTRACTED}, 1, DAMAGED, {}, {}, 126},
    {"CorruptedPayload", {}, L"", {}, 1, DAMAGED, {}, {}, 0, 0, 4096},
    // Still running when judged after 15 s: started; the bootstrap then waits for it without its window.
    {"SlowUpdater", {}, L"", {EXTRACTED}, 0, 0, {}, {}, 0, 19000},
    {"CleanupWaitsThenDeletes", {OLD}, CLEANUP, {}, 0, 0, {}, {L"Vorak Game"}, 0, 2500, 0, true},
    {"CleanupKeepsAFolderWithFiles", {OLD, L"Vorak Game\\a.txt"}, CLEANUP, {}, 0, 0, {L"Vorak Game\\a.txt"}, {OLD},
     0, 2500, 0, true},
    {"CleanupKeepsTheFolderWhenTheFileIsMissing", {L"Vorak Game\\"}, CLEANUP, {}, 0, 0, {L"Vorak Game"}, {}, 0, 2500,
     0, true},
    {"CleanupOfANonNumericId", {OLD}, L"--cleanup abc \"{game}\\Vorak Game\\VorakSetup.exe\" \"{game}\\Vorak Game\"",
     {}, 0, 0, {OLD}},
    {"CleanupWithTwoValuesOnly", {OLD}, L"--cleanup {pid} \"{game}\\Vorak Game\\VorakSetup.exe\"", {}, 0, 0, {OLD},
     {}, 0, 8000, 0, false},
};

std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class Run : public ::testing::TestWithParam<Row> {};

TEST_P(Run, LeavesWhatTheRowSays) {
  const Row& row = GetParam();
  BootstrapFixture f;
  for (const std::wstring& file : row.files) {
    size_t eq = file.find(L'=');
    if (file.find(L".exe") == file.size() - 4 || eq != std::wstring::npos)
      f.installUpdater(file.substr(0, eq), eq == std::wstring::npos ? -1 : std::stoi(file.substr(eq + 1)));
    else if (file.back() == L'\\') makeParentDirs(f.gameDir + L"\\" + file);
    else f.putFile(file, "data");
  }
  if (row.junkPayload) ASSERT_TRUE(f.replacePayload(std::string(row.junkPayload, 'x')));
  Child live;
  std::wstring arguments = replaced(row.arguments, L"{game}", f.gameDir);
  if (arguments.find(L"{pid}") != std::wstring::npos) {
    live = startProgram(builtStandinPath(), L"", L"", standinEnvironment(L"", 0, row.updaterSleepMs));
    arguments = replaced(arguments, L"{pid}", std::to_wstring(live.pid));
  }
  Environment env = f.environment(row.updaterExit, live.process ? 0 : row.updaterSleepMs);
  BootstrapOutcome outcome;
  if (row.waitsForPid) {
    Child cleanup = startProgram(f.setup, arguments, f.scratch.path(), env);
    EXPECT_FALSE(cleanup.wait(row.updaterSleepMs / 2));
    for (const std::wstring& path : row.gone) EXPECT_TRUE(pathExists(f.gameDir + L"\\" + path)) << toUtf8(path);
    outcome.ended = cleanup.wait(60000, &outcome.exitCode);
  } else {
    outcome = f.run(arguments, env);
  }
  ASSERT_TRUE(outcome.ended);
  EXPECT_EQ(outcome.exitCode, row.exitCode);
  if (live.process) EXPECT_EQ(live.wait(0), row.waitsForPid) << "whether the run waited for process {pid}";
  EXPECT_EQ(outcome.box.shown, row.box != 0);
  if (row.box) EXPECT_EQ(outcome.box.caption + L": " + outcome.box.text, L"Oups!: " + f.message(row.box));
  if (row.updaterSleepMs > 16000) EXPECT_GT(outcome.windowGoneMs, DWORD(row.updaterSleepMs - 17000));

  // Each updater gets its own program, the bootstrap's arguments, the extras, and where the bootstrap lives.
  int argc = 0;
  wchar_t** given = CommandLineToArgvW((L"VorakSetup.exe " + arguments).c_str(), &argc);
  std::vector<StandinRun> runs = f.updaterRuns();
  ASSERT_EQ(runs.size(), row.runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    bool extracted = row.runs[i].compare(0, 9, EXTRACTED) == 0;
    std::wstring home = extracted ? runs[i].cwd : f.gameDir;
    std::vector<std::wstring> args = {extracted ? INSTALLED : row.runs[i]};
    args.insert(args.end(), given + 1, given + argc);
    if (row.runs[i] == REPAIRED) args.push_back(L"--autorepair");
    if (extracted) args.insert(args.end(), {L"--no-footprint", L"--no-restart"});
    args.insert(args.end(), {L"--bootstrap-path=" + f.setup, L"--launched-from=" + f.gameDir});
    EXPECT_EQ(runs[i].args, args);
    EXPECT_EQ(runs[i].exe, home + L"\\" + args[0]);
    EXPECT_EQ(runs[i].cwd, home);
    EXPECT_EQ(runs[i].window, extracted) << "the window stands while the extracted updater starts";
    // A fresh folder "vlm" + 6 characters in the bootstrap's temporary folder.
    if (extracted) EXPECT_TRUE(home.size() == f.tempDir.size() + 10 && home.rfind(f.tempDir + L"\\vlm", 0) == 0);
  }
  LocalFree(given);
  EXPECT_EQ(f.leftInTemp(), std::vector<std::wstring>()) << "the extraction is removed";
  for (const std::wstring& path : row.left) EXPECT_TRUE(pathExists(f.gameDir + L"\\" + path)) << toUtf8(path);
  for (const std::wstring& path : row.gone) EXPECT_FALSE(pathExists(f.gameDir + L"\\" + path)) << toUtf8(path);
}

INSTANTIATE_TEST_SUITE_P(Rows, Run, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
