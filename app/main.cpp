// The bootstrap's entry point: chooses between a clean-up run and a normal run.
#include <windows.h>
#include <shellapi.h>

#include "app/cleanup.h"
#include "app/globals.h"
#include "app/redistributable.h"
#include "app/run_facts.h"
#include "app/state_machine.h"
#include "app/switches.h"
#include "fs/module_path.h"
#include "fs/run_log.h"
#include "fs/system_library.h"

namespace {
// "--cleanup" takes a process id, a file and a directory.
const int CLEANUP_VALUES = 3;

const wchar_t* const ACTION_NAMES[] = {L"start the installed updater", L"install", L"repair", L"repair",
                                       L"uninstall", L"uninstall or repair"};

int finish(int exitCode) {
  logLine(L"Exit code %d.", exitCode);
  // A failed run is one that support will ask about, window or not.
  if (exitCode != 0) keepRunLog();
  closeRunLog();
  return exitCode;
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // Before anything can load a library: none may come from the program's folder.
  restrictLibrarySearch();
  thread = nullptr;
  _instance = instance;
  startRunLog();
  logRunFacts();

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  SwitchScan scan = argv ? scanSwitches(argc, argv) : SwitchScan();
  if (scan.cleanupIndex >= 0) {
    int i = scan.cleanupIndex;
    logLine(L"Mode: clean-up.");
    if (argc > i + CLEANUP_VALUES) cleanup(_wtoi(argv[i + 1]), argv[i + 2], argv[i + 3]);
    LocalFree(argv);
    return 0;
  }
  LocalFree(argv);

  _action = scan.action;
  if (_action == ActionNone) {
    SetCurrentDirectoryW(GetApplicationDir().c_str());
    _action = actionWithoutSwitch();
  }

  // Only a run about to extract the embedded updater fetches a missing runtime:
  // a wrong answer from the check must not cost a download and an elevation
  // prompt at every start of the installed game. Only that run asks Windows
  // Installer, too: loading it costs a start of the game most of its time.
  logLine(L"Mode: %ls.", ACTION_NAMES[_action]);
  bool fetchRuntime = VC_REDIST_BRANCH && _action != ActionNone && !isRedistInstalled();
  beginState(fetchRuntime ? StateRedistDownload : StateStart);
  // A cancel is no success, though no error either: no box was shown.
  if (_cancelled) {
    logLine(L"Cancelled by the player.");
    return finish(1);
  }
  return finish((_state == StateLaunchFailed || _state == StateFailed) ? 1 : 0);
}
