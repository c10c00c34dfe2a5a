#pragma once
#include <cstdint>

// What a run is for; chosen from the command line and the files beside the bootstrap.
enum ApplicationAction : int32_t {
  ActionNone = 0,               // start the updater installed beside the bootstrap
  ActionInstall = 1,            // no switch and no updater configuration: install
  ActionRepair = 2,             // "--repair"
  ActionAutoRepair = 3,         // set only when the installed updater failed to start
  ActionUninstall = 4,          // "--uninstall"
  ActionUninstallOrRepair = 5,  // "--uninstall-or-repair"
};
