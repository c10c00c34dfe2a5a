#include "app/cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include "app/safe_handle.h"

void cleanup(int pid, std::wstring file, std::wstring directory) {
  // Waiting for itself would never end: a run that names its own id deletes nothing.
  if (static_cast<DWORD>(pid) == GetCurrentProcessId()) return;
  SafeKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) return;  // already ended, or not a number: delete nothing
  WaitForSingleObject(process.get(), INFINITE);
  process.reset();

  if (!DeleteFileW(file.c_str())) return;
  if (PathIsDirectoryEmptyW(directory.c_str())) RemoveDirectoryW(directory.c_str());
}
