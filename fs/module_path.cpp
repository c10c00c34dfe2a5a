#include "fs/module_path.h"

HMODULE GetCurrentModule() {
  HMODULE module = nullptr;
  // The reference count is raised on purpose and never lowered: the module is
  // the running image itself.
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&GetCurrentModule),
                     &module);
  return module;
}

std::wstring GetApplicationPath() {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetModuleFileNameW(GetCurrentModule(), buffer, MAX_PATH);
  return length == 0 ? std::wstring() : std::wstring(buffer, length);
}

std::wstring GetApplicationDir() {
  std::wstring path = GetApplicationPath();
  size_t last = path.find_last_of(L"\\/");
  return last == std::wstring::npos ? path : path.substr(0, last);
}
