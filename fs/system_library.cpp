#include "fs/system_library.h"

#include <string>

namespace {
// Set once the loader searches the system folder alone; read by later loads.
bool _searchRestricted = false;
}  // namespace

void restrictLibrarySearch() {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  auto setDefaultDirectories =
      systemFunction<decltype(&::SetDefaultDllDirectories)>(kernel, "SetDefaultDllDirectories");
  if (setDefaultDirectories != nullptr && setDefaultDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    _searchRestricted = true;
    return;
  }
  // Older systems: the best that exists is to drop the current folder.
  auto setDllDirectory = systemFunction<decltype(&::SetDllDirectoryW)>(kernel, "SetDllDirectoryW");
  if (setDllDirectory != nullptr) setDllDirectory(L"");
}

HMODULE loadSystemLibrary(const wchar_t* name, const wchar_t* lateDependency) {
  if (lateDependency != nullptr) loadSystemLibrary(lateDependency);
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path = std::wstring(system, length) + L"\\" + name;
  // A full path finds the library itself; the libraries it needs in turn are
  // looked for beside it (altered search) where the restriction is missing.
  return LoadLibraryExW(path.c_str(), nullptr, _searchRestricted ? 0 : LOAD_WITH_ALTERED_SEARCH_PATH);
}
