#include "fs/own_image.h"

#include <string>

#include "fs/diagnostic.h"
#include "fs/module_path.h"
#include "fs/system_library.h"

// ntdll's since the first Windows NT (the driver kit's ZwAreMappedFilesTheSame); no user-mode header declares
// it. 0 (success) when both addresses lie in views of one file, the first in an image's.
extern "C" LONG NTAPI NtAreMappedFilesTheSame(PVOID File1MappedAsAnImage, PVOID File2MappedAsFile);

namespace {
const LONG SAME_FILE = 0;
const LONG UNANSWERED = -1;

// Whether file is the one mapped as this process's image: what the system answers for a view of it, or UNANSWERED
// (error set) when no view can be made or the system has no such call.
LONG sameAsImage(HANDLE file, DWORD& error) {
  auto sameFiles = systemFunction<decltype(&::NtAreMappedFilesTheSame)>(GetModuleHandleW(L"ntdll.dll"),
                                                                         "NtAreMappedFilesTheSame");
  SafeKernelHandle mapping(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr));
  void* view = mapping.valid() ? MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 1) : nullptr;
  error = sameFiles ? GetLastError() : ERROR_PROC_NOT_FOUND;
  if (view == nullptr || sameFiles == nullptr) return UNANSWERED;
  LONG status = sameFiles(GetCurrentModule(), view);
  UnmapViewOfFile(view);
  return status;
}
}  // namespace

// A name cannot tell: after such a rename or relink every name the system
// gives for the process (its module's, its mapped file's, its image's) is
// still the one it was started by. The memory manager knows which file backs
// the image: a view of the opened file, compared with the image, proves that
// the handle is that very file, whatever its name leads to now.
bool openOwnImage(SafeKernelHandle& file) {
  std::wstring path = GetApplicationPath();
  file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, 0, nullptr));
  DWORD error = GetLastError();
  LONG status = file.valid() ? sameAsImage(file.get(), error) : UNANSWERED;
  if (status == SAME_FILE) return true;
  file.reset();
  if (status == UNANSWERED)
    return diagnose(L"Error: whether \"%ls\" is the file that runs cannot be told: %lu.\n", path.c_str(), error);
  return diagnose(L"Error: \"%ls\" is not the file that runs (status 0x%08lx).\n", path.c_str(),
                  static_cast<unsigned long>(status));
}
