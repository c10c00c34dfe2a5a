// Whole runs of the built bootstrap under Wine, one row per scenario, with the
// stand-in updater recording what it was given.
#include "tests/support/bootstrap_run.h"

#include <gtest/gtest.h>
#include <shellapi.h>

using namespace testing_support;

namespace {

// The updater runs as the rows name them: an installed program, started from
// the game folder, or the extracted one (given "--autorepair" after a failed one).
const wchar_t *const INSTALLED = L"wayspanner\\wayspanner.exe", *const BACKUP = L"wayspanner_backup\\updater.exe",
                     *const EXTRACTED = L"extracted", *const REPAIRED = L"extracted --autorepair";
const wchar_t *const CONF = L"wayspanner.conf", *const OLD = L"Vorak Game\\VorakSetup.exe";
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
  bool waitsForPid;                      // a clean-up run that deletes nothing before process {pid} ends
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

const Row ROWS[] = {
    {"InstalledUpdater", {CONF, INSTALLED}, L"", {INSTALLED}},
    {"InstalledUpdaterByIci", {L"wayspanner-conf.ici", INSTALLED}, L"", {INSTALLED}},
    {"FolderNamedLikeTheConfiguration", {L"wayspanner.conf\\", INSTALLED}, L"", {EXTRACTED}},
    {"ConfigurationWithoutUpdater", {CONF}, L"", {EXTRACTED}},
    {"Install", {}, L"", {EXTRACTED}},
    {"Repair", {CONF, INSTALLED}, L"--repair", {EXTRACTED}},
    {"Uninstall", {CONF, INSTALLED}, L"--uninstall", {EXTRACTED}},
    {"UninstallOrRepair", {CONF, INSTALLED}, L"--uninstall-or-repair", {EXTRACTED}},
    {"SwitchesAreExact", {CONF, INSTALLED}, L"--Repair -repair --REPAIR --uninstalL", {INSTALLED}},
    {"UnknownArgumentBeforeASwitch", {CONF, INSTALLED}, L"foo --repair", {EXTRACTED}},
    {"FirstSwitchWinsOverCleanup", {CONF, INSTALLED}, L"--repair --cleanup 1 a b", {EXTRACTED}},
    // Quoted as CommandLineToArgvW reads them back: each must reach the updater unchanged.
    {"ArgumentsReachTheUpdater", {}, LR"("with blank" "say \"hi\"" "C:\trailing\\" "a\\\\\"b" "Ворак 游戏" "")",
     {EXTRACTED}},
    {"InstalledUpdaterEnding125Started", {CONF, L"wayspanner\\wayspanner.exe=125"}, L"", {INSTALLED}},
    {"InstalledUpdaterEnding126Repaired", {CONF, L"wayspanner\\wayspanner.exe=126"}, L"", {INSTALLED, REPAIRED}},
    {"BackupAfterAFailedPrimary", {CONF, L"wayspanner\\wayspanner.exe=126", BACKUP}, L"", {INSTALLED, BACKUP}},
    {"FolderNamedLikeTheUpdaterFailsIt", {CONF, L"wayspanner\\wayspanner.exe\\", L"wayspanner.exe"}, L"", {REPAIRED}},
    {"BothUpdatersFail", {CONF, L"wayspanner\\wayspanner.exe=130"}, L"", {INSTALLED, REPAIRED}, 1, DAMAGED, {}, {}, 130},
    {"ExtractedUpdaterFails", {}, L"--repair", {EXTRACTED}, 1, DAMAGED, {}, {}, 126},
    // A configuration but no installed updater: the repair extracts a second time, and the run still ends.
    {"RepairFromASecondExtractionEnds", {CONF}, L"", {EXTRACTED, REPAIRED}, 1, DAMAGED, {}, {}, 200},
    {"CorruptedPayload", {}, L"", {}, 1, DAMAGED, {}, {}, 0, 0, 4096},
    // Still running when judged after 15 s: started; the bootstrap then waits for it without its window.
    {"SlowUpdater", {}, L"", {EXTRACTED}, 0, 0, {}, {}, 0, 19000},
    {"CleanupWaitsThenDeletes", {OLD}, CLEANUP, {}, 0, 0, {}, {L"Vorak Game"}, 0, 2500, 0, true},
    {"CleanupKeepsAFolderWithFiles", {OLD, L"Vorak Game\\a"}, CLEANUP, {}, 0, 0, {L"Vorak Game\\a"}, {OLD}, 0, 2500, 0,
     true},
    {"CleanupKeepsTheFolderWhenTheFileIsMissing", {L"Vorak Game\\"}, CLEANUP, {}, 0, 0, {L"Vorak Game"}, {}, 0, 2500, 0,
     true},
    {"CleanupOfANonNumericId", {OLD}, L"--cleanup abc \"{game}\\Vorak Game\\VorakSetup.exe\" \"{game}\\Vorak Game\"",
     {}, 0, 0, {OLD}},
    {"CleanupWithTwoValuesOnly", {OLD}, L"--cleanup {pid} \"{game}\\Vorak Game\\VorakSetup.exe\"", {}, 0, 0, {OLD}, {},
     0, 8000},
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
    size_t eq = file.find(L'='), exe = file.rfind(L".exe");
    if (exe != std::wstring::npos && exe + 4 == std::min(eq, file.size()))
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
  if (row.waitsForPid) {  // while the process lives, the run waits and nothing goes
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
  EXPECT_EQ(outcome.box.caption + L": " + outcome.box.text, row.box ? L"Oups!: " + f.message(row.box) : L": ");
  if (row.updaterSleepMs > 16000) EXPECT_GT(outcome.windowGoneMs, DWORD(row.updaterSleepMs - 17000));

  // Each updater gets its program, the bootstrap's arguments, the extras, and where the bootstrap lives.
  int argc = 0;
  wchar_t** given = CommandLineToArgvW((L"VorakSetup.exe " + arguments).c_str(), &argc);
  std::vector<StandinRun> runs = f.updaterRuns();
  ASSERT_EQ(runs.size(), row.runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    bool extracted = row.runs[i].compare(0, 9, EXTRACTED) == 0;
    std::vector<std::wstring> args = {extracted ? INSTALLED : row.runs[i]};
    args.insert(args.end(), given + 1, given + argc);
    if (row.runs[i] == REPAIRED) args.push_back(L"--autorepair");
    if (extracted) args.insert(args.end(), {L"--no-footprint", L"--no-restart"});
    args.insert(args.end(), {L"--bootstrap-path=" + f.setup, L"--launched-from=" + f.gameDir});
    EXPECT_EQ(runs[i].args, args);
    std::wstring home = extracted ? runs[i].cwd : f.gameDir;  // extracted: a fresh "vlm" + 6 characters folder
    if (extracted) EXPECT_TRUE(home.size() == f.tempDir.size() + 10 && home.rfind(f.tempDir + L"\\vlm", 0) == 0);
    EXPECT_EQ(runs[i].exe + L"|" + runs[i].cwd, home + L"\\" + args[0] + L"|" + home);
    EXPECT_EQ(runs[i].window, extracted) << "the window stands while the extracted updater starts";
  }
  LocalFree(given);
  EXPECT_EQ(f.leftInTemp(), std::vector<std::wstring>()) << "the extraction is removed";
  for (const std::wstring& path : row.left) EXPECT_TRUE(pathExists(f.gameDir + L"\\" + path)) << toUtf8(path);
  for (const std::wstring& path : row.gone) EXPECT_FALSE(pathExists(f.gameDir + L"\\" + path)) << toUtf8(path);
}

INSTANTIATE_TEST_SUITE_P(Rows, Run, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
