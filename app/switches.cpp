#include "app/switches.h"

#include <cwchar>

#include "fs/directories.h"
#include "fs/run_log.h"

SwitchScan scanSwitches(int argc, wchar_t** argv) {
  SwitchScan scan;
  for (int i = 1; i < argc; ++i) {
    if (wcscmp(argv[i], L"--uninstall") == 0) {
      scan.action = ActionUninstall;
    } else if (wcscmp(argv[i], L"--uninstall-or-repair") == 0) {
      scan.action = ActionUninstallOrRepair;
    } else if (wcscmp(argv[i], L"--repair") == 0) {
      scan.action = ActionRepair;
    } else if (wcscmp(argv[i], L"--cleanup") == 0) {
      scan.cleanupIndex = i;
    } else {
      continue;
    }
    break;
  }
  return scan;
}

ApplicationAction actionWithoutSwitch() {
  for (const wchar_t* name : {L"wayspanner-conf.ici", L"wayspanner.conf"}) {
    if (!fileExists(name)) continue;
    logLine(L"Configuration: %ls beside the bootstrap.", name);
    return ActionNone;
  }
  logLine(L"Configuration: none beside the bootstrap.");
  return ActionInstall;
}
