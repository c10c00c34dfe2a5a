// Whole runs of the built bootstrap under Wine, one row per scenario: a copy of it in a fresh game folder,
// with its own TEMP, run as a player would; the stand-in updater records what it was given.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <oleacc.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>
#include <sstream>

using namespace testing_support;

namespace {

// The updater runs as the rows name them: an installed program, started from the game folder, the
// extracted one (given "--autorepair" after a failed one), or the runtime's installer.
const wchar_t *const INSTALLED = L"wayspanner\\wayspanner.exe", *const BACKUP = L"wayspanner_backup\\updater.exe",
                     *const EXTRACTED = L"extracted", *const REPAIRED = L"extracted --autorepair",
                     *const INSTALLER = L"installer", *const CONF = L"wayspanner.conf", *const SETUP = L"VorakSetup.exe",
                     *const OLD = L"Vorak Game\\VorakSetup.exe", *const KEPT = L"..\\outside\\kept.txt",
                     *const CLEANUP = L"--cleanup {pid} \"{game}\\Vorak Game\\VorakSetup.exe\" \"{game}\\Vorak Game\"",
                     *const NOTES = L"Vorak Game\\notes.txt", *const FOREIGN = L"--cleanup {pid} \"{game}\\Vorak Game\\notes.txt\" \"{game}\\Vorak Game\"";
const int DAMAGED = 10004, RUNTIME = 10006;  // the "Oups!" box's messages
const char* const NOTHING = "Clean-up: nothing is deleted.";

enum How {  // what else a row does, as bits
  CloseWhenWriting = 1, CloseWhenUpdaterRuns = 2, LinkOutWhenUpdaterRuns = 8,  // the player
  CloseWhenDownloading = 4,  // once the server was asked: the run must end within 2 s
  ReadOnly = 16,     // the game folder: removing the bootstrap from it takes the elevated start
  WaitsForPid = 32,  // a clean-up run that deletes nothing before process {pid} ends
  Planted = 64,      // libraries named as in VORAK_DLL_OVERRIDES ("a,b=n,b ...": Wine prefers them to its own)
                     // lie beside it and in TEMP, and none may load
  NoTemp = 128,      // TEMP names a missing folder
  ShowsProgress = 256,  // the window's bar stands part-way (past column 100, short of 330) while it runs
  LateCopy = 512,    // the test, the run's debugger, holds the third process (the copy in TEMP) 3 s at its start
  Pinned = 1024,     // the twin that fetches the runtime accepts only an installer of another digest
  Raced = 2048,      // another program of the player's keeps trying to swap what the bootstrap starts
  InvalidHost = 4096,  // the twin for "vorak-runtime.invalid", port 80
  UserProxy = 8192,    // the player's proxy is the loopback server, as Windows' settings pages write it
  Scanned = 16384,     // a virus scanner holds each new file in TEMP 2 s, letting no one delete it
  ScannedUpdater = 32768,  // ... and the extracted updater until the run has ended
  Forged = 65536,      // another program posts the workers' completions, WM_DPICHANGED and WM_QUIT, lParams its own
  Floored = 131072,    // the run ends within the twin's speed window (8 s) and a little
  BadProxy = 262144,   // the player's proxy record names a proxy of 0x7fffffff characters
  OldLogs = 524288,   // eleven logs of earlier runs lie in TEMP
  Relinked = 1048576,  // TEMP is a link that another program of the player's points at its own copies once held
  RenamedAway = 2097152,  // the program, started suspended, is renamed away and the row's first file put at its name
  Retargeted = 4194304,   // ... or started as that file's name through a folder link then pointed at that file's folder
  Leftovers = 134217728,  // killed runs' folders lie in TEMP (an extraction, a download's), beside LOOKALIKES
  BesideALiveRun = 268435456,  // a first run in the same TEMP, stopped in its extraction until this one has ended
  ReadAloud = 536870912,  // a screen reader in another process reads the window while it runs, and counts its events
  ThreadQuit = 8388608,    // in place of the close: another program posts WM_QUIT to the window's thread
  SessionEnds = 16777216,  // in place of the close: the session ends, and Windows ends the program once it answered
  Asked = 33554432,        // another program asks the window every 500 ms, as Windows' hung-window test does
};
// Named like a run's folder, but not quite, or not a folder: they stay ("vlmg12345" is a link to KEPT's folder).
const wchar_t* const LOOKALIKES[] = {L"vlmd1234", L"vlmf12345", L"vlmg12345"};

struct Row {
  const char* name;
  std::vector<std::wstring> files;  // beside the program: a ".exe" is the stand-in ("=N": exiting with N) or
                                    // the bootstrap (SETUP), a name ending in "\\" a folder, else a small file
  std::wstring arguments;           // {game}: the game folder; {pid}: a process living sleepMs
  std::vector<std::wstring> runs;   // the updater runs, in order
  DWORD exitCode = 0;
  int box = 0;                           // message of the "Oups!" box, 0 for none
  std::vector<std::wstring> left, gone;  // below the game folder after the run ("": the folder itself)
  std::wstring codes = L"0";             // the stand-in's exit codes, run by run
  int sleepMs = 0;                       // the stand-in's
  int how = 0;
  const char* served = nullptr;  // the runtime's server answer, for the twin that fetches it ("": never asked)
  std::wstring payload;          // a file of build/<arch>/tests in place of the embedded archive
  std::string errors;            // the program's standard error ({extraction}: the updater's folder), every
                                 // line of which its log holds too
  std::string logged;            // what else the log holds, in this order ("|" between the parts)
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }
Row refused(const char* name, const char* served, const char* line) {  // a runtime's installer, refused with line
  return {name, {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, served, L"", line};
}
const char *const NOT_OURS = "Error: the installer is signed by \"Vorak Test Signer\\0Evil Corp\", not by \"Vorak Test Signer\".\r\n",
           *const TWO_NAMES = "Error: the installer's signer has 2 common names, not one.\r\n",
           *const TWO_ORGANISATIONS = "Error: the installer's signer has 2 organisations, not one at most.\r\n";

const Row ROWS[] = {
    {"InstalledUpdater", {CONF, INSTALLED}, L"", {INSTALLED}},
    {"InstalledUpdaterByIci", {L"wayspanner-conf.ici", INSTALLED}, L"", {INSTALLED}},
    {"FolderNamedLikeTheConfiguration", {L"wayspanner.conf\\", INSTALLED}, L"", {EXTRACTED}},
    {"ConfigurationWithoutUpdater", {CONF}, L"", {EXTRACTED}},
    {"InstallWith77RemovesNothing", {}, L"", {EXTRACTED}, 0, 0, {SETUP}, {}, L"77"},
    {"RepairWith77RemovesNothing", {CONF, INSTALLED}, L"--repair", {EXTRACTED}, 0, 0, {SETUP}, {}, L"77"},
    {"UninstallWith0RemovesNothing", {CONF, INSTALLED}, L"--uninstall", {EXTRACTED}, 0, 0, {SETUP}},
    {"SwitchesAreExact", {CONF, INSTALLED}, L"--Repair -repair --REPAIR --uninstalL", {INSTALLED}},
    {"UnknownArgumentBeforeASwitch", {CONF, INSTALLED}, L"foo --repair", {EXTRACTED}},
    {"FirstSwitchWinsOverCleanup", {CONF, INSTALLED}, L"--repair --cleanup 1 a b", {EXTRACTED}},
    // Quoted as CommandLineToArgvW reads them back: each must reach the updater unchanged.
    {"ArgumentsReachTheUpdater", {}, LR"("with blank" "say \"hi\"" "C:\trailing\\" "a\\\\\"b" "Ворак 游戏" "")",
     {EXTRACTED}},
    {"InstalledUpdaterEnding125Started", {CONF, L"wayspanner\\wayspanner.exe=125"}, L"", {INSTALLED}},
    {"InstalledUpdaterEnding126Repaired", {CONF, L"wayspanner\\wayspanner.exe=126"}, L"", {INSTALLED, REPAIRED}, 0, 0, {},
     {}, L"0", 0, 0, nullptr, L"", "", "exit code 126: a failed start.|repairing from the embedded one."},
    {"BackupAfterAFailedPrimary", {CONF, L"wayspanner\\wayspanner.exe=126", BACKUP}, L"", {INSTALLED, BACKUP}},
    {"FolderNamedLikeTheUpdaterFailsIt", {CONF, L"wayspanner\\wayspanner.exe\\", L"wayspanner.exe"}, L"", {REPAIRED}},
    {"BothUpdatersFail", {CONF, L"wayspanner\\wayspanner.exe=130"}, L"", {INSTALLED, REPAIRED}, 1, DAMAGED, {}, {}, L"130"},
    {"ExtractedUpdaterFails", {}, L"--repair", {EXTRACTED}, 1, DAMAGED, {}, {}, L"126"},
    // A configuration but no installed updater: the repair extracts a second time, and the run still ends.
    {"RepairFromASecondExtractionEnds", {CONF}, L"", {EXTRACTED, REPAIRED}, 1, DAMAGED, {}, {}, L"200"},
    // Damaged or hostile payloads, some that crashed the unpatched header parser: a box, a line, nothing left.
    {"NotAnArchive", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"archives\\not7z.7z",
     "Error returned by SzArchiveOpen: 17\r\n"},
    {"CrcMismatch", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"archives\\bad_crc.7z",
     "Error returned by SzExtract: 3\r\n"},
    {"NameLeavingTheFolder", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"archives\\dotdot.7z",
     "Entry name outside the extraction directory, entry 0\r\n"},
    {"NoNames", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"crafted\\mutant-520.7z", "Couldn't get file name"},
    {"NoUnpackSizes", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"crafted\\mutant-546.7z",
     "Error returned by SzArchiveOpen: 16\r\n"},
    {"MoreFilesThanSizes", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, 0, nullptr, L"crafted\\mutant-1508.7z",
     "Error returned by SzArchiveOpen: 16\r\n"},
    {"MissingTemp", {}, L"", {}, 1, DAMAGED, {}, {}, L"0", 0, NoTemp, nullptr, L"", "Can't create the extraction directory\r\n"},
    // Whatever the player does, nothing stays in TEMP: a close cancels the extraction, not the wait for the updater.
    {"CloseDuringExtraction", {}, L"--repair", {}, 1, 0, {}, {}, L"0", 0, CloseWhenWriting, nullptr, L"archives\\many.7z",
     "", "Extraction cancelled|Cancelled by the player."},
    {"CloseWhileTheUpdaterRuns", {}, L"--repair", {EXTRACTED}, 0, 0, {}, {}, L"0", 3000, CloseWhenUpdaterRuns, nullptr,
     L"", "", "ended within the start check|State WaitUpdater"},  // the start check's: it is judged first
    {"CloseDuringAFailingStartCheck", {}, L"--repair", {EXTRACTED}, 1, 0, {}, {}, L"126", 3000, CloseWhenUpdaterRuns,
     nullptr, L"", "", "a failed start.|Cancelled by the player."},
    {"QuitPostedToTheThreadDuringExtraction", {}, L"--repair", {EXTRACTED}, 0, 0, {}, {}, L"0", 0,
     CloseWhenWriting | ThreadQuit, nullptr, L"archives\\many.7z", "", "did not post is ignored"},
    {"SessionEndsDuringExtraction", {}, L"--repair", {}, 1, 0, {}, {}, L"0", 0, CloseWhenWriting | SessionEnds, nullptr,
     L"archives\\many.7z", "", "Extraction cancelled|The session ends: the worker stopped"},
    {"LinkOutNotFollowed", {KEPT}, L"", {EXTRACTED}, 0, 0, {KEPT}, {}, L"0", 3000, LinkOutWhenUpdaterRuns, nullptr, L"",
     "Left in TEMP, could not be deleted: {extraction}\\link (error 145).\r\n"},  // as Wine leaves it
    // A virus scanner beside the run: the deletions outlast it, or name what it never lets go.
    {"InstallBesideAScanner", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, Scanned},
    {"UninstallBesideAScanner", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {L""}, L"77", 0, Scanned},
    {"UpdaterHeldForEverIsNamed", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, ScannedUpdater, nullptr, L"",
     "Left in TEMP, could not be deleted: {extraction}\\wayspanner\\wayspanner.exe (error 32).\r\n"},
    // A screen reader reads the window as it runs; oleacc.dll and OLE automation come from the system folder.
    {"ReadAloudDuringTheExtraction", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, ReadAloud | Planted, nullptr,
     L"archives\\many.7z"},
    {"ForgedMessagesDuringTheExtraction", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, Forged, nullptr, L"archives\\many.7z"},
    {"OnlyTheTenNewestLogsStay", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, OldLogs},
    // What killed runs left goes, only that, and never what a live run holds.
    {"KilledRunsFoldersGo", {KEPT}, L"", {EXTRACTED}, 0, 0, {KEPT}, {}, L"0", 0, Leftovers, nullptr, L"", "",
     "Swept from TEMP: vlm"},
    {"LiveRunsFolderStays", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, BesideALiveRun, nullptr, L"", "",
     "Kept in TEMP, in use: vlm"},
    {"TreeThirtyFoldersDeep", {}, L"", {EXTRACTED}, 0, 0, {}, {}, L"0", 0, 0, nullptr, L"archives\\deep.7z"},
    // The updater's 77 after an uninstall: the bootstrap goes (its copy late too), and its folder if nothing else is in it.
    {"UninstallRemovesTheBootstrapAndItsFolder", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {L""}, L"77", 0, LateCopy,
     nullptr, L"", "", "exit code 77.|removes itself|Self-removal: the copy"},
    {"UnwritableFolderElevates", {CONF}, L"--uninstall-or-repair", {EXTRACTED}, 0, 0, {CONF}, {SETUP}, L"77", 0, ReadOnly},
    {"RemovedAfterTheStartCheckToo", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {L""}, L"77", 19000, Asked},
    {"CleanupWaitsThenDeletes", {OLD}, CLEANUP, {}, 0, 0, {}, {L"Vorak Game"}, L"0", 2500, WaitsForPid},
    {"CleanupKeepsAFolderWithFiles", {OLD, L"Vorak Game\\a"}, CLEANUP, {}, 0, 0, {L"Vorak Game\\a"}, {OLD}, L"0", 2500,
     WaitsForPid},
    {"CleanupKeepsTheFolderWhenTheFileIsMissing", {L"Vorak Game\\"}, CLEANUP, {}, 0, 0, {L"Vorak Game"}, {}, L"0",
     2500, WaitsForPid, nullptr, L"", "", "cannot be opened (error 2).|nothing is deleted."},
    {"CleanupWithTwoValuesOnly", {OLD}, L"--cleanup {pid} \"{game}\\Vorak Game\\VorakSetup.exe\"", {}, 0, 0, {OLD}, {},
     L"0", 8000, 0, nullptr, L"", "Error: \"--cleanup\" takes 3 values, not 2.\r\n", NOTHING},
    {"CleanupOfAForeignFile", {NOTES}, FOREIGN, {}, 0, 0, {NOTES}, {}, L"0", 2500, WaitsForPid, nullptr, L"",
     "Error: \"{game}\\Vorak Game\\notes.txt\" is not this program; nothing is deleted.\r\n", NOTHING},
    {"CleanupOfANonNumericId", {OLD}, L"--cleanup 32abc \"{game}\\Vorak Game\\VorakSetup.exe\" \"{game}\\Vorak Game\"", {}, 0, 0,
     {OLD}, {}, L"0", 0, 0, nullptr, L"", "Error: \"32abc\" is not a process id.\r\n", NOTHING},
    // Another program of the player's makes the clean-up's own path lead to the file it names: nothing is waited for.
    {"CleanupOfARenamedProgram", {NOTES}, FOREIGN, {}, 0, 0, {NOTES}, {}, L"0", 8000, RenamedAway, nullptr, L"", "Error: \"{game}\\VorakSetup.exe\" is not the file that runs (status 0xc00000d4).\r\n", NOTHING},
    {"CleanupThroughARetargetedLink", {NOTES}, FOREIGN, {}, 0, 0, {NOTES}, {}, L"0", 8000, Retargeted, nullptr, L"", "Error: \"{game}\\Linked\\notes.txt\" is not the file that runs (status 0xc00000d4).\r\n", NOTHING},
    {"UninstallRaced", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {L""}, L"77", 0, Raced},
    {"UnwritableFolderRaced", {CONF}, L"--uninstall", {EXTRACTED}, 0, 0, {CONF}, {SETUP}, L"77", 0, ReadOnly | Raced},
    // TEMP behind a link that is pointed elsewhere once the copy is held: still the bootstrap's own copy runs.
    {"UninstallRelinked", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {L""}, L"77", 0, Relinked},
    {"UnwritableFolderRelinked", {CONF}, L"--uninstall", {EXTRACTED}, 0, 0, {CONF}, {SETUP}, L"77", 0, ReadOnly | Relinked},
    {"PlantedLibrariesUninstall", {}, L"--uninstall", {EXTRACTED}, 0, 0, {}, {SETUP}, L"77", 0, Planted},
    // The runtime missing (an entry of its own: another prefix, and a loopback server): fetched, checked, installed.
    {"RuntimeThenTheGame", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, ShowsProgress, "body signed.exe 4", L"",
     "", "Download: http://127.0.0.1:48377/download/|HTTP status 200, announced length|Download complete|signer: \"Vorak "
     "Test Signer\"|passed its check|starts elevated|ended with exit code 0.|Started the updater"},
    {"RuntimeOfUnknownLength", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, 0, "nolength signed.exe 3"},
    {"RuntimeRestartRequiredCountsAsDone", {}, L"--repair", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"3010,0", 0, 0,
     "body signed.exe 1"},
    {"RuntimePlantedLibraries", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, Planted, "body signed.exe 1"},
    {"RuntimeFailing", {}, L"", {INSTALLER}, 1, RUNTIME, {}, {}, L"1", 0, 0, "body signed.exe 1"},
    {"RuntimeFailingStillStartsTheInstalledGame", {CONF, INSTALLED}, L"--repair", {INSTALLER, INSTALLED}, 1, 0, {}, {},
     L"1,0", 0, 0, "body signed.exe 1"},
    {"RuntimeUntrustedNeverRuns", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "body untrusted_root.exe 1", L"",
     "Error: the installer's certificate chain is not trusted: 00000020.\r\n"},
    {"RuntimeOfAnotherPublisherNeverRuns", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "body other_publisher.exe 1", L"",
     "Error: the installer is signed by \"Evil Corp\", not by \"Vorak Test Signer\".\r\n"},
    // Signers named like the publisher but not only so, or not meant to sign programs.
    refused("RuntimeSignerNameWithNulUtf8", "body cn_nul_utf8.exe 1", NOT_OURS),
    refused("RuntimeSignerNameWithNulBmp", "body cn_nul_bmp.exe 1", NOT_OURS),
    refused("RuntimeSignerNameWithNulTeletex", "body cn_nul_teletex.exe 1", NOT_OURS),
    refused("RuntimeSignerOrganisationWithNul", "body o_nul.exe 1", "Error: the installer's signer belongs to \"Vorak Test Signer\\0Evil Corp\", not to \"Vorak Test Signer\".\r\n"),
    refused("RuntimeSignerTwoNamesOursFirst", "body two_cn_ours_first.exe 1", TWO_NAMES),
    refused("RuntimeSignerTwoNamesOursLast", "body two_cn_ours_last.exe 1", TWO_NAMES),
    refused("RuntimeSignerTwoOrganisationsOursFirst", "body two_o_ours_first.exe 1", TWO_ORGANISATIONS),
    refused("RuntimeSignerTwoOrganisationsOursLast", "body two_o_ours_last.exe 1", TWO_ORGANISATIONS),
    refused("RuntimeSignerIsAnAuthority", "body authority.exe 1", "Error: the installer's signer certificate is an authority's.\r\n"),
    refused("RuntimeSignerKeyMayNotSign", "body no_digital_signature.exe 1", "Error: the installer's signer certificate's key usage lacks digital signature.\r\n"),
    {"RuntimeOfAnotherDigestNeverRuns", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, Pinned, "body signed.exe 1", L"",
     "Error: the installer's SHA-256 digest is not a pinned one.\r\n"},
    // Nothing but the checked file starts: the installer, and the copy that removes the bootstrap (directly, elevated).
    {"RuntimeRaced", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, Raced, "body signed.exe 2"},
    {"RuntimeBesideAScanner", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, Scanned, "body signed.exe 1"},
    {"RuntimeForgedMessages", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 1000, Forged, "body signed.exe 4"},
    {"RuntimeRelinked", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, Relinked, "body signed.exe 1"},
    {"RuntimeNotFound", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "status 404", L"", "Error: HTTP status 404.\r\n"},
    // Half of the answer's own 20 bytes (any file would do: it never runs).
    {"RuntimeCutShort", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "cut answer.txt      ", L"",
     "Error: received 10 of 20 bytes.\r\n"},
    {"RuntimeLengthMismatch", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "mismatch answer.txt ", L"",
     "Error: received 10 of 20 bytes.\r\n"},
    {"RuntimeCloseWhileTheServerTrickles", {}, L"", {}, 1, 0, {}, {}, L"0", 0, CloseWhenDownloading, "trickle signed.exe"},
    {"RuntimeCloseWhileTheServerIsSilent", {}, L"", {}, 1, 0, {}, {}, L"0", 0, CloseWhenDownloading, "silent x"},
    {"RuntimeQuitPostedToTheThread", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0,
     CloseWhenDownloading | ThreadQuit, "body signed.exe 4"},
    {"RuntimeSessionEnds", {}, L"", {}, 1, 0, {}, {}, L"0", 0, CloseWhenDownloading | SessionEnds, "trickle signed.exe",
     L"", "", "The session ends: the worker stopped"},
    {"RuntimeTrickleEndsAtTheFloor", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, Floored, "trickle signed.exe", L"",
     "Error: less than 16384 bytes received in 8 s from 127.0.0.1 directly (no automatic configuration found).\r\n"},
    // Wine's asynchronous send waits for the answer too.
    {"RuntimeSilentProxy", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, InvalidHost | UserProxy, "silent x", L"",
     "Error: nothing received for 5 s in WinHttpSendRequest from vorak-runtime.invalid through the proxy 127.0.0.1:48377.\r\n"},
    {"RuntimeRedirectedToAHostThatIsNot", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "redirect x", L"",
     "Error 12007: cannot connect to vorak-elsewhere.invalid directly (no automatic configuration found).\r\n"},
    {"RuntimeHugeLength", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, 0, "huge signed.exe", L"",
     "Error: the server announces 5000000000 bytes, more than 536870912.\r\n"},
    {"RuntimeThroughThePlayersProxy", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, InvalidHost | UserProxy,
     "body signed.exe 1"},
    // No settings of the player's: Wine answers "detect automatically", as Windows often does.
    {"RuntimeWithoutTheProxy", {}, L"", {}, 1, RUNTIME, {}, {}, L"0", 0, InvalidHost, "", L"",
     "Error 12007: cannot connect to vorak-runtime.invalid directly (no automatic configuration found).\r\n"},
    {"RuntimeBadProxyRecord", {}, L"", {INSTALLER, EXTRACTED}, 0, 0, {}, {}, L"0", 0, BadProxy, "body signed.exe 1", L"",
     "Error: the player's proxy record is damaged; WinHTTP's own setting applies.\r\n"},
    {"RuntimeNotAskedForTheInstalledGame", {CONF, INSTALLED}, L"", {INSTALLED}, 0, 0, {}, {}, L"0", 0, 0, ""},
};

std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Lets everyone read the folder but not write in it (true), or everything again (false).
void setReadOnly(const std::wstring& dir, bool readOnly) {
  BYTE everyone[SECURITY_MAX_SID_SIZE], aclBuffer[256];
  DWORD size = sizeof(everyone);
  PACL acl = reinterpret_cast<PACL>(aclBuffer);
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size) &&
              InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) &&
              AddAccessAllowedAce(acl, ACL_REVISION, readOnly ? FILE_GENERIC_READ | FILE_GENERIC_EXECUTE : FILE_ALL_ACCESS,
                                  everyone) &&
              InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
              SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
              SetFileSecurityW(dir.c_str(), DACL_SECURITY_INFORMATION, &descriptor));
}

// The player's proxy (null: none) in both forms that Windows' settings pages write: the record that
// WinHTTP reads (version, counter, flags: direct | named proxy; then proxy, bypass list and script, each
// after its length) and the two values of older readers.
void setUserProxy(const char* server, bool bad = false) {
  HKEY settings = nullptr, connections = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0, nullptr, 0,
                  KEY_ALL_ACCESS, nullptr, &settings, nullptr);
  RegCreateKeyExW(settings, L"Connections", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &connections, nullptr);
  std::string record, bypass = "<local>", name = server ? server : "";
  uint32_t length = bad ? 0x7fffffff : uint32_t(name.size());
  for (std::string text : {std::string("\x46\0\0\0\1\0\0\0\3\0\0\0", 12), std::string((char*)&length, 4) + name,
                           char(bypass.size()) + std::string(3, 0) + bypass, std::string(36, 0)})
    record += text;
  std::wstring wide(name.begin(), name.end());
  DWORD enable = 1;
  EXPECT_TRUE(server ? !RegSetValueExW(connections, L"DefaultConnectionSettings", 0, REG_BINARY, (const BYTE*)record.data(),
                                       DWORD(record.size())) &&
                           !RegSetValueExW(settings, L"ProxyEnable", 0, REG_DWORD, (const BYTE*)&enable, 4) &&
                           !RegSetValueExW(settings, L"ProxyServer", 0, REG_SZ, (const BYTE*)wide.c_str(),
                                           DWORD(wide.size() * 2 + 2))
                     : !RegDeleteValueW(connections, L"DefaultConnectionSettings") &&
                           !RegDeleteValueW(settings, L"ProxyEnable") && !RegDeleteValueW(settings, L"ProxyServer"));
  RegCloseKey(connections), RegCloseKey(settings);
}

// Stops every thread of the run, or lets them all go on.
Child suspend(Child run, bool stop) {
  HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {sizeof(entry)};
  for (BOOL more = Thread32First(threads, &entry); more; more = Thread32Next(threads, &entry)) {
    HANDLE thread = entry.th32OwnerProcessID == run.pid ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID) : 0;
    if (thread) stop ? SuspendThread(thread) : ResumeThread(thread), CloseHandle(thread);
  }
  CloseHandle(threads);
  return run;
}

// Other programs of the player's, started before the run: a racer, a virus scanner.
Child startNeighbour(int how, const std::wstring& tests, const std::wstring& temp, const std::wstring& scratch) {
  std::wstring folders = L" \"" + temp + L"\" \"" + scratch + L"\"";
  if (how & BesideALiveRun) {  // stopped as soon as its folder is made, until the second run has ended
    Child first = startProgram(scratch + L"\\game\\" + SETUP, L"", scratch,
                               {{L"TEMP", temp}, {L"TMP", temp}, {L"STANDIN_RECORD", scratch + L"\\first.txt"}});
    for (std::vector<std::wstring> names; names.empty() || names.back().find(L"vlm"); Sleep(1)) names = listDir(temp);
    return suspend(first, true);
  }
  if (how & (Raced | Relinked)) return startProgram(tests + L"racer.exe", (how & Raced ? L"race" : L"relink") + folders);
  if (how & (Scanned | ScannedUpdater))
    return startProgram(tests + L"racer.exe", L"scan" + folders + (how & ScannedUpdater ? L" wayspanner.exe" : L" -"));
  return Child();
}

// Another program posts completions, DPI changes (lParam null, stray or readable: Wine copies a sent one's), quits.
void forgeMessages(HWND window) {
  for (UINT message : {WM_APP + 2, WM_APP + 3, WM_APP + 4, 0x02E0, WM_QUIT})
    for (LPARAM lParam : {0, 16, 0x7ffe0000}) PostMessageW(window, message, 0, lParam);
}

// A screen reader in another process: hears the window's name and value changes out of context (pumping its
// messages), and reads the window's client through Active Accessibility at each sample: its frame (the name, the
// parts, their roles and places in the window), the status line's words and the bar's value.
struct Reader {
  static inline int names = 0, values = 0;  // the events: the status line's name changes, the bar's value changes
  std::set<std::wstring> frames, lines, percents;
  HWINEVENTHOOK hook = nullptr;
  static void CALLBACK heard(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    names += event == EVENT_OBJECT_NAMECHANGE && object == OBJID_CLIENT && child == 1;
    values += event == EVENT_OBJECT_VALUECHANGE && object == OBJID_CLIENT && child == 2;
  }
  void listen(DWORD pid) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), names = values = 0;
    hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, heard, pid, 0, WINEVENT_OUTOFCONTEXT);
  }
  void pump() {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
  }
  void sample(HWND window) {  // a sample that the window's move or end cuts short is left out
    if (pump(), window == nullptr) return;
    const IID accessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
    IAccessible* client = nullptr;
    RECT shown = {}, still = {};
    if (GetWindowRect(window, &shown), FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, accessible, (void**)&client)))
      return;
    std::wstring said[3], frame;  // the client's name, the line's, the bar's value
    LONG count = 0;
    bool whole = SUCCEEDED(client->get_accChildCount(&count));
    for (LONG part : {0, 1, 2}) {
      VARIANT child = {}, role = {};
      BSTR text = nullptr;
      LONG x = 0, y = 0, width = 0, height = 0;
      child.vt = VT_I4, child.lVal = part;
      whole = whole && SUCCEEDED(part == 2 ? client->get_accValue(child, &text) : client->get_accName(child, &text)) &&
              SUCCEEDED(client->get_accRole(child, &role)) && SUCCEEDED(client->accLocation(&x, &y, &width, &height, child));
      said[part] = text ? text : L"", SysFreeString(text);
      x -= shown.left, y -= shown.top;
      if (part == 1) {  // where the paint puts the line: from W - 100, or ending 5 pixels from the edge
        BSTR again = nullptr;  // a line that changed between the reads is left out, as a moved window is
        whole = whole && SUCCEEDED(client->get_accName(child, &again)) && said[1] == (again ? again : L"");
        SysFreeString(again);
        HDC screen = GetDC(nullptr);
        SIZE size = {};
        SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32W(screen, said[1].c_str(), int(said[1].size()), &size), ReleaseDC(nullptr, screen);
        x -= std::min(250L, 345 - size.cx), width -= size.cx, height -= size.cy;  // all 0 where it is
      }
      frame += L"; " + std::to_wstring(role.lVal) + L" at " + std::to_wstring(x) + L"," + std::to_wstring(y) + L" " +
               std::to_wstring(width) + L"x" + std::to_wstring(height);
    }
    client->Release();
    if (GetWindowRect(window, &still), whole && EqualRect(&shown, &still))
      frames.insert(said[0] + L": " + std::to_wstring(count) + frame), lines.insert(said[1]), percents.insert(said[2]);
  }
  void end() { pump(), UnhookWinEvent(hook), CoUninitialize(); }
};
// Windows' session end: asks, tells, and ends the program once it has answered (here at once).
bool endSession(HWND window, HANDLE process) {
  DWORD_PTR agreed = 0, done = 0;
  SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &agreed);
  bool told = SendMessageTimeoutW(window, WM_ENDSESSION, agreed, ENDSESSION_LOGOFF, SMTO_BLOCK, 5000, &done);
  return TerminateProcess(process, 1) && agreed && told;
}

// Wine starts Linux programs but gives no handle to wait on: waits for what they make.
bool host(const std::wstring& shellLine, const std::wstring& cwd, const std::wstring& made) {
  startProgram(L"Z:\\bin\\sh", L"-c \"" + shellLine + L"\"", cwd);
  for (int i = 0; i < 600 && !pathExists(made); ++i) Sleep(100);
  return pathExists(made);
}

// Holds a run's third process (its copy) 3 s at its start, keeping no handle to any: a handle keeps a process's id.
struct Debugger {
  DEBUG_EVENT held = {};  // the copy's start, until it goes on
  DWORD started = 0, since = 0;
  void pump() {
    DWORD id = GetTickCount() - since > 3000 ? held.dwProcessId : 0;
    if (id && ContinueDebugEvent(id, held.dwThreadId, DBG_CONTINUE)) DebugActiveProcessStop(id), held = {};
    for (DEBUG_EVENT e; WaitForDebugEvent(&e, 5);) {
      if (e.dwDebugEventCode == CREATE_THREAD_DEBUG_EVENT) CloseHandle(e.u.CreateThread.hThread);
      if (e.dwDebugEventCode == CREATE_PROCESS_DEBUG_EVENT && (CloseHandle(e.u.CreateProcessInfo.hProcess),
          CloseHandle(e.u.CreateProcessInfo.hThread), CloseHandle(e.u.CreateProcessInfo.hFile), ++started == 3))
        held = e, since = GetTickCount();
      else ContinueDebugEvent(e.dwProcessId, e.dwThreadId, e.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
          e.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT ? DBG_EXCEPTION_NOT_HANDLED : DBG_CONTINUE);
    }
  }
};

HWND windowOf(DWORD pid, const wchar_t* className) {  // its first visible one, or null
  DWORD owner = 0;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr;)
    if (GetWindowThreadProcessId(window, &owner) && owner == pid && IsWindowVisible(window)) return window;
  return nullptr;
}

BOOL CALLBACK readBox(HWND child, LPARAM box) {
  wchar_t name[16] = {}, text[2048] = {};
  GetClassNameW(child, name, 16), GetWindowTextW(child, text, 2048);
  if (!wcscmp(name, L"Static")) *reinterpret_cast<std::wstring*>(box) += text;
  return TRUE;
}

std::wstring message(const std::wstring& program, int id) {  // as the platform chooses its language
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  wchar_t text[1000] = {};
  LoadStringW(module, UINT(id), text, 1000);
  FreeLibrary(module);
  return text;
}

// A run that showed itself or failed leaves its log in TEMP, with every line it wrote on standard error and
// the row's parts in their order; any other run leaves none. Of earlier logs, the nine newest stay.
void checkLog(const Row& row, const std::wstring& temp, const std::string& errors) {
  std::vector<std::wstring> earlier, own;
  for (const std::wstring& name : listDir(temp))
    if (name.rfind(L"VorakSetup_", 0) == 0) (name.rfind(L"VorakSetup_2020", 0) == 0 ? earlier : own).push_back(name);
  bool shown = std::any_of(row.runs.begin(), row.runs.end(),
                           [](const std::wstring& run) { return run == INSTALLER || run.rfind(EXTRACTED, 0) == 0; });
  ASSERT_EQ(own.size(), size_t(!(row.how & NoTemp) && (shown || row.exitCode || row.box || !row.logged.empty())));
  if (own.empty()) return;
  if (row.how & OldLogs) EXPECT_EQ(earlier.size() == 9 ? earlier[0] : L"", L"VorakSetup_20200112_120000_4.log");
  std::string log = readFile(temp + L"\\" + own[0]), text = errors + "|" + row.logged;
  if (log.find("Self-removal: the copy") != std::string::npos)
    EXPECT_EQ(log.find("started elevated (result 0)") != std::string::npos, (row.how & ReadOnly) != 0) << "elevated";
  for (size_t at = 0, end = 0, from = 0; at < text.size(); at = end + 1) {
    end = std::min(text.find_first_of("\n|", at), text.size());
    bool ordered = at > errors.size();  // the row's parts in turn; the error lines anywhere
    size_t found = at == end ? from : log.find(text.substr(at, end - at), ordered ? from : 0);
    EXPECT_NE(found, std::string::npos) << text.substr(at, end - at) << " in the log:\n" << log;
    if (ordered && found != std::string::npos) from = found;
  }
}

class Run : public ::testing::TestWithParam<Row> {};

TEST_P(Run, LeavesWhatTheRowSays) {
  const Row& row = GetParam();
  ScratchDir scratch;
  std::wstring tests = buildDir() + L"\\tests\\", served = tests + L"runtime\\", game = scratch / L"game",
               temp = scratch / L"temp", setup = game + L"\\" + SETUP, record = scratch / L"record.txt",
               errors = scratch / L"errors.txt";
  ASSERT_TRUE(copyFileTo(row.how & InvalidHost ? tests + L"VorakSetupProxyRuntime.exe"
                         : row.how & Pinned    ? tests + L"VorakSetupPinnedRuntime.exe"
                         : row.served          ? tests + L"VorakSetupLocalRuntime.exe"
                                               : builtSetupPath(),
                         setup));
  if (row.how & Relinked)  // the helper points the link at "evil" on the racer's word, and back at the end
    ASSERT_TRUE(host(L"mkdir real evil && ln -s real temp && ln -s evil other && (python3 -c 'import os,sys,time; a,"
                     L"e,t=sys.argv,os.path.exists,time.time(); [e(a[1]) and (os.replace(a[2],a[3]),os.remove(a[1])) or time."
                     L"sleep(.001) for _ in iter(lambda: e(a[4]) or time.time()-t>120, 1)]; os.symlink(a[5],a[6]); os.replace("
                     L"a[6],a[3]); os.remove(a[7])' relink other temp stop real back linked &) && touch linked", scratch.path,
                     scratch / L"linked"));
  else if (!(row.how & NoTemp)) CreateDirectoryW(temp.c_str(), nullptr);
  for (const std::wstring& file : row.files) {
    size_t eq = file.find(L'='), exe = file.rfind(L".exe");
    if (exe != std::wstring::npos && exe + 4 == std::min(eq, file.size())) {
      copyFileTo(file.find(SETUP) != std::wstring::npos ? setup : builtStandinPath(), game + L"\\" + file.substr(0, eq));
      if (eq != std::wstring::npos)
        writeFile(game + L"\\" + file.substr(0, exe) + L".exitcode", std::string(file.begin() + eq + 1, file.end()));
    } else if (file.back() == L'\\') makeParentDirs(game + L"\\" + file);
    else writeFile(game + L"\\" + file, "data");
  }
  if (!row.payload.empty()) {  // made by a fixture of the test's entry
    std::string bytes = readFile(tests + row.payload);
    HANDLE update = BeginUpdateResourceW(setup.c_str(), FALSE);
    ASSERT_TRUE(!bytes.empty() && UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(100), 1033, &bytes[0],
                                                  DWORD(bytes.size())) && EndUpdateResourceW(update, FALSE));
  }
  if (row.served) writeFile(served + L"answer.txt", row.served);
  size_t requestsBefore = readFile(served + L"requests.log").size();
  Child live;
  std::wstring arguments = replaced(row.arguments, L"{game}", game);
  if (arguments.find(L"{pid}") != std::wstring::npos) {
    live = startProgram(builtStandinPath(), L"", L"", {{L"STANDIN_SLEEP_MS", std::to_wstring(row.sleepMs)}});
    arguments = replaced(arguments, L"{pid}", std::to_wstring(live.pid));
  }
  wchar_t overrides[2048] = {};
  std::wstring listed(overrides, GetEnvironmentVariableW(L"VORAK_DLL_OVERRIDES", overrides, 2048));
  std::wistringstream names(listed.substr(0, listed.find(L'=')));  // "a,b,c" of "a,b,c=n,b winedbg.exe=d"
  std::vector<std::wstring> planted;
  for (std::wstring name; row.how & Planted && std::getline(names, name, L',');) planted.push_back(name + L".dll");
  ASSERT_EQ(planted.empty(), !(row.how & Planted)) << "the test's entry names the libraries";
  for (const std::wstring& name : planted)
    for (const std::wstring& dir : {game, temp}) ASSERT_TRUE(copyFileTo(tests + L"libplanted_dll.dll", dir + L"\\" + name));
  if (row.how & ReadOnly) setReadOnly(game, true);
  if (row.how & (UserProxy | BadProxy)) setUserProxy("127.0.0.1:48377", row.how & BadProxy);
  for (const wchar_t* file : {L"vlmb12345\\wayspanner\\wayspanner.exe", L"vlmb12345\\data\\1", L"vlmc12345\\dwl_1A2B.tmp",
                              L"vlmc12345\\dwl_1A2B.tmp.exe", L"vlmh12345_\\a", L"vlmd1234\\a", L"vlmf12345"})
    if (row.how & Leftovers) writeFile(temp + L"\\" + file, "as a killed run left it");
  if (row.how & Leftovers) ASSERT_TRUE(host(L"ln -s ../outside vlmg12345", temp, temp + L"\\vlmg12345"));
  for (int day = 10; row.how & OldLogs && day <= 20; ++day)  // 2020-01-10 to 2020-01-20
    writeFile(temp + L"\\VorakSetup_202001" + std::to_wstring(day) + L"_120000_4.log", "an earlier run's");

  Child racer = startNeighbour(row.how, tests, temp, scratch.path);
  DWORD begun = GetTickCount(), exitCode = 0, windowSeen = 0, actedAt = 0, askedAt = 0, asked = 0, unanswered = 0;
  std::wstring program = row.how & Retargeted ? game + L"\\Linked\\notes.txt" : setup;
  if (row.how & Retargeted)  // the program, named as the file, alone in a folder that the link leads to
    ASSERT_TRUE(copyFileTo(setup, game + L"\\Mine\\notes.txt") && host(L"ln -s Mine Linked", game, game + L"\\Linked"));
  Child child = startProgram(program, arguments, scratch.path,
                             {{L"STANDIN_RECORD", record}, {L"STANDIN_EXIT_CODE", row.codes}, {L"TMP", temp}, {L"TEMP", temp},
                              {L"STANDIN_SLEEP_MS", std::to_wstring(live.process ? 0 : row.sleepMs)},
                              {L"PLANTED_LOG", scratch / L"loaded"}},
                             errors, row.how & LateCopy ? DEBUG_PROCESS : row.how & (RenamedAway | Retargeted) ? CREATE_SUSPENDED : 0);
  if (row.how & RenamedAway)
    EXPECT_TRUE(MoveFileW(setup.c_str(), (game + L"\\away.exe").c_str()) && CopyFileW((game + L"\\" + NOTES).c_str(), setup.c_str(), 1));
  if (row.how & Retargeted) EXPECT_TRUE(host(L"rm Linked && ln -s 'Vorak Game' Linked && touch relinked", game, game + L"\\relinked"));
  if (row.how & (RenamedAway | Retargeted))
    ((LONG(WINAPI*)(HANDLE))(void*)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtResumeProcess"))(child.process.get());
  Debugger debugger;
  Reader reader;
  if (row.how & ReadAloud) reader.listen(child.pid);
  if (row.how & WaitsForPid) {  // while the process lives, the run waits and nothing goes
    EXPECT_FALSE(child.wait(row.sleepMs / 2));
    for (const std::wstring& path : row.gone) EXPECT_TRUE(pathExists(game + L"\\" + path)) << path;
  }
  // Waits as a player would, pressing OK on the box, and doing what the row says once it is due.
  int acts = row.how & 15;
  bool ended = false, acted = !acts, bar = false;
  std::wstring box;
  while (!(ended = (debugger.pump(), child.wait(50, &exitCode))) && GetTickCount() - begun < 120000) {
    HWND window = windowOf(child.pid, L"VelmorBootstrapWindow"), shown = box.empty() ? windowOf(child.pid, L"#32770") : 0;
    windowSeen = window ? GetTickCount() : windowSeen;
    if (window && row.how & Forged) forgeMessages(window);
    if (row.how & ReadAloud) reader.sample(window);
    DWORD_PTR answer = 0;
    if (window && row.how & Asked && GetTickCount() - askedAt >= 500 && (askedAt = GetTickCount(), ++asked))
      unanswered += !SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) || IsHungAppWindow(window);
    HDC dc = GetDC(window);  // the screen's pixels in the bar's row
    bar = bar || (window && GetPixel(dc, 100, 57) != RGB(40, 40, 40) && GetPixel(dc, 330, 57) == RGB(40, 40, 40));
    ReleaseDC(window, dc);
    std::vector<std::wstring> inTemp = listDir(temp);  // read once: the extraction may go meanwhile
    auto made = std::find_if(inTemp.begin(), inTemp.end(), [](const std::wstring& name) { return name[0] == L'v'; });
    std::wstring extraction = made == inTemp.end() ? L"" : temp + L"\\" + *made;
    if (!acted && (acts == CloseWhenWriting ? listDir(extraction + L"\\data").size() > 20
                   : acts == CloseWhenDownloading ? readFile(served + L"requests.log").size() > requestsBefore
                                                  : !readRecord(record).empty()))
      acted = acts == LinkOutWhenUpdaterRuns ? host(L"ln -s ../../outside link", extraction, extraction + L"\\link")
          : window && (row.how & ThreadQuit ? PostThreadMessageW(GetWindowThreadProcessId(window, nullptr), WM_QUIT, 0, 0)
                       : row.how & SessionEnds ? endSession(window, child.process.get())
                                               : PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0));
    actedAt = acted && !actedAt ? GetTickCount() : actedAt;
    if (!shown) continue;
    wchar_t caption[256] = {};
    GetWindowTextW(shown, caption, 256);
    box = caption + std::wstring(L": ");
    EnumChildWindows(shown, readBox, reinterpret_cast<LPARAM>(&box));
    PostMessageW(shown, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
  if (row.how & Floored) EXPECT_LT(GetTickCount() - begun, 15000u) << "the speed floor ended it";
  if (row.how & BesideALiveRun) {  // the first run's folder outlived the second; the first then ends as it would
    std::vector<std::wstring> inTemp = listDir(temp);
    EXPECT_TRUE(!inTemp.back().find(L"vlm") && listDir(temp + L"\\" + inTemp.back()).size()) << "the first run's folder stays";
    DWORD firstCode = 99;
    EXPECT_TRUE(suspend(racer, false).wait(60000, &firstCode) && !firstCode && readRecord(scratch / L"first.txt").size());
    for (const std::wstring& name : listDir(temp))  // the first run's own
      if (name.find(L"_" + std::to_wstring(racer.pid) + L".log") != std::wstring::npos) DeleteFileW((temp + L"\\" + name).c_str());
  }
  if (racer.process) writeFile(scratch / L"stop", ""), racer.wait(10000);  // all it could swap has started
  for (int i = 0; row.how & Relinked && i < 200 && pathExists(scratch / L"linked"); ++i) Sleep(50);  // TEMP is back
  if (row.how & (UserProxy | BadProxy)) setUserProxy(nullptr);
  ASSERT_TRUE(ended || (TerminateProcess(child.process.get(), 99), false)) << "a hang fails its row only";
  for (child.process.reset(); debugger.held.dwProcessId;) debugger.pump();  // its id is free unless its copy holds it
  if (row.how & Asked) EXPECT_TRUE(asked > 20 && !unanswered) << unanswered << " of " << asked << " unanswered";
  if (acts == CloseWhenDownloading && !(row.how & ThreadQuit))
    EXPECT_LT(GetTickCount() - actedAt, 2000u) << "the close took effect at once";
  EXPECT_TRUE(acted);
  EXPECT_EQ(exitCode, row.exitCode);
  if (live.process) EXPECT_EQ(live.wait(0), (row.how & WaitsForPid) != 0) << "whether the run waited for process {pid}";
  EXPECT_EQ(box, row.box ? L"Oups!: " + message(setup, row.box) : L"");
  if (row.how & ShowsProgress) EXPECT_TRUE(bar) << "the bar grew";
  if (row.how & ReadAloud) {  // a dialog named as the window; its line (with the percentage) and bar where painted
    reader.end();
    EXPECT_EQ(reader.frames, std::set<std::wstring>{message(setup, 10005) + L": 2; 18 at 0,0 350x65; 41 at 0,20 0x0; 48 at 5,55 340x5"});
    auto percent = [](const std::wstring& text) { return text == std::to_wstring(_wtoi(text.c_str())) + L"%"; };
    std::wstring extracting = message(setup, 10007) + L" ";
    for (const std::wstring& line : reader.lines)
      EXPECT_TRUE(line == message(setup, 10003) || (!line.rfind(extracting, 0) && percent(line.substr(extracting.size())))) << line;
    for (const std::wstring& value : reader.percents) EXPECT_TRUE(percent(value)) << value;
    EXPECT_GE(std::min(reader.lines.size(), reader.percents.size()), 3u);
    // Each change heard once, not once a paint: 2001 files are painted, 101 percentages at most.
    EXPECT_TRUE(Reader::names >= int(reader.lines.size()) && Reader::values >= int(reader.percents.size()) &&
                Reader::values <= 101 && Reader::names <= 103) << Reader::names << " " << Reader::values;
  }
  // Still running when judged after 15 s: the bootstrap then waits for it without its window.
  if (row.sleepMs > 16000) EXPECT_GT(GetTickCount() - windowSeen, DWORD(row.sleepMs - 17000));
  if (row.served) EXPECT_EQ(readFile(served + L"requests.log").size() > requestsBefore, *row.served != 0);
  if (row.how & UserProxy)  // asked as a proxy is: for the whole address
    EXPECT_EQ(readFile(served + L"requests.log").find("http://vorak-runtime.invalid", requestsBefore),
              requestsBefore);

  // Each updater gets its program, the bootstrap's arguments, the extras, and where the bootstrap lives;
  // an installer gets only its switches.
  int argc = 0;
  wchar_t** given = CommandLineToArgvW((L"VorakSetup.exe " + arguments).c_str(), &argc);
  std::vector<StandinRun> runs = readRecord(record);
  std::string raw = readFile(errors);
  std::wstring said(raw.begin(), raw.end());  // ASCII, as the folders are
  for (const StandinRun& run : runs)
    said = replaced(said, run.cwd, L"{extraction}");
  EXPECT_EQ(replaced(said, game, L"{game}"), std::wstring(row.errors.begin(), row.errors.end()));
  ASSERT_EQ(runs.size(), row.runs.size());
  for (size_t i = 0; i < runs.size(); ++i) {
    bool extracted = row.runs[i].compare(0, 9, EXTRACTED) == 0, installer = row.runs[i] == INSTALLER;
    std::vector<std::wstring> args = {extracted ? INSTALLED : installer ? runs[i].args[0] : row.runs[i]};
    if (!installer) args.insert(args.end(), given + 1, given + argc);
    if (row.runs[i] == REPAIRED) args.push_back(L"--autorepair");
    if (extracted) args.insert(args.end(), {L"--no-footprint", L"--no-restart"});
    if (installer) args.insert(args.end(), {L"/q", L"/norestart"});
    else args.insert(args.end(), {L"--bootstrap-path=" + setup, L"--launched-from=" + game});
    EXPECT_EQ(runs[i].args, args);
    if (installer) {  // in its own folder
      EXPECT_EQ(runs[i].cwd, runs[i].exe.substr(0, runs[i].exe.rfind(L'\\')));
      continue;
    }
    std::wstring home = extracted ? runs[i].cwd : game;  // extracted: a fresh "vlm" + 6 characters folder
    if (extracted) EXPECT_TRUE(home.size() == temp.size() + 10 && home.rfind(temp + L"\\vlm", 0) == 0);
    EXPECT_EQ(runs[i].exe + L"|" + runs[i].cwd, home + L"\\" + args[0] + L"|" + home);
    // The window stands while the extracted updater starts, or any after the runtime's installer.
    EXPECT_EQ(runs[i].window, extracted || row.runs[0] == INSTALLER);
  }
  LocalFree(given);

  // A bootstrap removes itself through a copy in TEMP, once it has ended. The copy goes with its last
  // handle; only the empty file that reserved its name stays. Of the rest, nothing may stay in TEMP.
  bool removed = std::count(row.gone.begin(), row.gone.end(), L"") + std::count(row.gone.begin(), row.gone.end(), SETUP);
  auto goneYet = [&] {  // the copy deletes the bootstrap, then its folder
    return std::none_of(row.gone.begin(), row.gone.end(), [&](const std::wstring& path) { return pathExists(game + L"\\" + path); });
  };
  for (int i = 0; i < 100 && removed && (!goneYet() || listDir(temp).size() > planted.size() + 1); ++i) Sleep(100);
  if (row.how & ReadOnly) setReadOnly(game, false);
  EXPECT_FALSE(pathExists(record + L".intruded")) << "the racer's program ran";
  checkLog(row, temp, raw);
  std::vector<std::wstring> left;
  for (const std::wstring& dir : {row.how & Relinked ? scratch / L"real" : temp, scratch / L"evil"})
    for (const std::wstring& name : listDir(dir))
      if (!std::count(planted.begin(), planted.end(), name) && !(removed && name.find(L".tmp") == name.size() - 4) &&
          name.rfind(L"VorakSetup_", 0) != 0)
        left.push_back(name);
  // Wine cannot remove a link without following it: only the link itself may stay.
  if (acts == LinkOutWhenUpdaterRuns && left.size() == 1 && listDir(temp + L"\\" + left[0]) == decltype(left){L"link"})
    host(L"rm -f vlm*/link && rmdir vlm* && touch ../unlinked", temp, scratch / L"unlinked"), left.clear();
  if (row.how & ScannedUpdater && left.size() == 1) left.clear();  // named in its line, as it must stay
  if (row.how & Leftovers) host(L"rm vlmg12345 && touch ../unlinked", temp, scratch / L"unlinked");  // Wine would follow it
  std::vector<std::wstring> kept(LOOKALIKES, LOOKALIKES + (row.how & Leftovers ? 3 : 0));  // they stay, and only they
  EXPECT_EQ(left, kept) << "the extraction is removed";
  EXPECT_EQ(readFile(scratch / L"loaded"), "") << "no planted library ran";
  for (const std::wstring& path : row.left) EXPECT_TRUE(pathExists(game + L"\\" + path)) << path;
  for (const std::wstring& path : row.gone) EXPECT_FALSE(pathExists(game + L"\\" + path)) << path;
}

INSTANTIATE_TEST_SUITE_P(Rows, Run, ::testing::ValuesIn(ROWS),
                         [](const ::testing::TestParamInfo<Row>& info) { return std::string(info.param.name); });

}  // namespace
