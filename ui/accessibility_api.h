#pragma once
// The functions that the window's accessible object needs: oleacc.dll's and OLE
// automation's, from the system folder, with the user-interface thread made a
// single-threaded COM apartment, so that every call a screen reader makes from
// its own process comes back to that thread through its message loop. Loaded
// at the first question a reader asks and kept for the process's life: a run
// that no reader watches loads none of them. User-interface thread only.
#include <windows.h>
#include <objbase.h>
#include <oleacc.h>

struct AccessibilityApi {
  decltype(&::LresultFromObject) lresultFromObject;
  decltype(&::CreateStdAccessibleObject) createStdAccessibleObject;
  decltype(&::SysAllocStringLen) sysAllocStringLen;
  decltype(&::CoDisconnectObject) coDisconnectObject;
};

// Null, after a line that says what is missing, when a library, a function or
// the apartment cannot be had; asked again, it answers the same.
const AccessibilityApi* accessibilityApi();
