// SetFileInformationByHandle of Windows 6 is looked up at run time; its
// prototype and record come with this target only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "fs/handle_deletion.h"

#include "fs/system_library.h"

bool deleteThrough(HANDLE file, const wchar_t* path) {
  auto setInformation = systemFunction<decltype(&::SetFileInformationByHandle)>(GetModuleHandleW(L"kernel32.dll"),
                                                                                "SetFileInformationByHandle");
  if (setInformation == nullptr) return DeleteFileW(path) != 0;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return setInformation(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}
