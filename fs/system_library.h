#pragma once
// Libraries from the system folder only. Players start the bootstrap from a
// download folder and its copies from TEMP, where anyone may drop a DLL named
// like one Windows would otherwise look for beside the program. Failures: null
// results. Any thread.
#include <windows.h>

// Restricts the process's library search to the system folder (Windows 7 with
// its loader update and later), else at least takes the current folder out of
// it. Call it first, before anything loads a library.
void restrictLibrarySearch();

// Loads name (for example L"msi.dll") from the system folder; null when it cannot. lateDependency,
// when given, is a library that Wine's own name loads late (a delay-loaded import) by the default
// search order, which begins beside the program: it is loaded first from the system folder, so that
// copy is the one used.
HMODULE loadSystemLibrary(const wchar_t* name, const wchar_t* lateDependency = nullptr);

// The export name of module as the function type F; give it the exact Windows
// prototype (decltype(&::GradientFill)) so that the calling convention holds
// on 32-bit. Null when module is null or lacks it.
template <typename F>
F systemFunction(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
