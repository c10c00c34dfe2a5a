// The calls of Windows 6 are looked up at run time; their prototypes come with
// this target only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "launch/final_path.h"

#include <psapi.h>

#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/safe_handle.h"
#include "fs/system_library.h"

namespace {

const DWORD LONG_PATH_CHARS = 32768;
const wchar_t* const LOCAL_PREFIX = L"\\\\?\\";
const wchar_t* const UNC_PREFIX = L"\\\\?\\UNC\\";

// "\\?\C:\a" is "C:\a", and "\\?\UNC\server\share" is "\\server\share".
std::wstring dosForm(const std::wstring& path) {
  if (path.compare(0, wcslen(UNC_PREFIX), UNC_PREFIX) == 0) return L"\\" + path.substr(wcslen(UNC_PREFIX) - 1);
  if (path.compare(0, wcslen(LOCAL_PREFIX), LOCAL_PREFIX) == 0) return path.substr(wcslen(LOCAL_PREFIX));
  return path;
}

// Windows 5: the name under which the system maps the file ("\Device\HarddiskVolume1\a"),
// its device then replaced by the drive letter that names it.
std::wstring mappedPathOf(HANDLE file) {
  SafeModuleHandle psapi(loadSystemLibrary(L"psapi.dll"));
  auto mappedName = systemFunction<decltype(&::GetMappedFileNameW)>(psapi.get(), "GetMappedFileNameW");
  SafeKernelHandle mapping(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 1, nullptr));
  void* view = mapping.valid() ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 1) : nullptr;
  std::wstring name(MAX_PATH, L'\0');
  DWORD length = view && mappedName ? mappedName(GetCurrentProcess(), view, &name[0], MAX_PATH) : 0;
  if (view) UnmapViewOfFile(view);
  name.resize(length);
  if (name.compare(0, 4, L"\\??\\") == 0) return name.substr(4);  // Wine's form: "\??\C:\a"
  wchar_t drive[] = L"A:", device[MAX_PATH];
  for (DWORD drives = GetLogicalDrives(); length != 0 && drive[0] <= L'Z'; ++drive[0], drives >>= 1) {
    size_t size = (drives & 1) && QueryDosDeviceW(drive, device, MAX_PATH) ? wcslen(device) : 0;
    if (size != 0 && name.compare(0, size, device) == 0 && name[size] == L'\\') return drive + name.substr(size);
  }
  return std::wstring();
}

}  // namespace

std::wstring finalPathOf(HANDLE file) {
  auto finalPath = systemFunction<decltype(&::GetFinalPathNameByHandleW)>(GetModuleHandleW(L"kernel32.dll"),
                                                                           "GetFinalPathNameByHandleW");
  if (finalPath == nullptr) return mappedPathOf(file);
  std::wstring path(LONG_PATH_CHARS, L'\0');
  DWORD length = finalPath(file, &path[0], LONG_PATH_CHARS, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0 || length >= LONG_PATH_CHARS) return std::wstring();
  path.resize(length);
  return dosForm(path);
}

bool runsFile(HANDLE process, const std::wstring& checked) {
  auto imageName = systemFunction<decltype(&::QueryFullProcessImageNameW)>(GetModuleHandleW(L"kernel32.dll"),
                                                                           "QueryFullProcessImageNameW");
  if (imageName == nullptr) return true;
  std::wstring image(LONG_PATH_CHARS, L'\0');
  DWORD length = LONG_PATH_CHARS;
  if (!imageName(process, 0, &image[0], &length)) {
    DWORD error = GetLastError();
    TerminateProcess(process, 1);
    return diagnose(L"Error: the started program cannot be asked which file it runs: %lu.\n", error);
  }
  image.resize(length);
  if (_wcsicmp(image.c_str(), checked.c_str()) == 0) return true;
  TerminateProcess(process, 1);
  return diagnose(L"Error: the started program runs \"%ls\", not the checked \"%ls\".\n", image.c_str(),
                  checked.c_str());
}
