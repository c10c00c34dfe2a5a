#include "app/cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "fs/safe_handle.h"

namespace {

// The bootstrap waits at most 20 s for its copy (an elevated start, the
// player's answer to the prompt included) and then ends at once: thrice that
// leaves a slow machine room. A process that keeps the id longer is not a
// bootstrap at its end (the id went to another); nothing is deleted then.
const DWORD BOOTSTRAP_END_WAIT_MS = 60000;

}  // namespace

void cleanup(int pid, std::wstring file, std::wstring directory) {
  // Waiting for itself would never end: a run that names its own id deletes nothing.
  if (static_cast<DWORD>(pid) == GetCurrentProcessId()) return;
  SafeKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) return;  // already ended, or not a number: delete nothing
  if (WaitForSingleObject(process.get(), BOOTSTRAP_END_WAIT_MS) != WAIT_OBJECT_0) return;
  process.reset();

  if (!DeleteFileW(file.c_str())) return;
  // Only a folder named in full: a bootstrap at a drive's root passes "C:",
  // which would name the current folder of that drive instead.
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(directory.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH || _wcsicmp(full, directory.c_str()) != 0 || PathIsRootW(full)) return;
  if (PathIsDirectoryEmptyW(directory.c_str())) RemoveDirectoryW(directory.c_str());
}
