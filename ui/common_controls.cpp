#include "ui/common_controls.h"

#include <windows.h>
#include <commctrl.h>

#include "fs/system_library.h"

void initCommonControls() {
  // Never freed: the classes it registers live as long as the process.
  static HMODULE library = loadSystemLibrary(L"comctl32.dll");
  auto init = systemFunction<decltype(&::InitCommonControls)>(library, "InitCommonControls");
  if (init != nullptr) init();
}
