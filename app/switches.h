#pragma once
// Reading the bootstrap's own command line. User-interface thread.
#include "app/application_action.h"

// What the scan of argv[1..argc-1] found: the first argument that is one of the
// switches decides; every other argument is skipped.
struct SwitchScan {
  ApplicationAction action = ActionNone;  // set by "--uninstall", "--uninstall-or-repair", "--repair"
  int cleanupIndex = -1;                  // index of "--cleanup", or -1
};

SwitchScan scanSwitches(int argc, wchar_t** argv);

// With no switch: ActionInstall unless "wayspanner-conf.ici" or "wayspanner.conf"
// lies in the current directory (which the caller has set to the bootstrap's).
ApplicationAction actionWithoutSwitch();
