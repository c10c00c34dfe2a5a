// SetFileInformationByHandle of Windows 6 is looked up at run time; its
// prototype and record come with this target only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "app/cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/file_path.h"
#include "fs/module_path.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "fs/system_library.h"
#include "launch/file_digest.h"
#include "launch/number_text.h"

namespace {

// The bootstrap waits at most 20 s for its copy (an elevated start, the
// player's answer to the prompt included) and then ends at once: thrice that
// leaves a slow machine room. A process that keeps the id longer is not a
// bootstrap at its end (the id went to another); nothing is deleted then.
const DWORD BOOTSTRAP_END_WAIT_MS = 60000;

// Deletes the file that handle (open with DELETE access) is, whatever its
// name has become. Windows 5 lacks the call: there the name, which the open
// handle keeps from being renamed, is deleted.
bool deleteThrough(HANDLE file, const std::wstring& path) {
  auto setInformation = systemFunction<decltype(&::SetFileInformationByHandle)>(GetModuleHandleW(L"kernel32.dll"),
                                                                                "SetFileInformationByHandle");
  if (setInformation == nullptr) return DeleteFileW(path.c_str()) != 0;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return setInformation(file, FileDispositionInfo, &disposition, sizeof(disposition)) != 0;
}

// Deletes file once process pid has ended, when it holds this program's own bytes; false, with the reason in
// the log, when nothing was deleted.
bool deleteWhenEnded(int pid, const std::wstring& file) {
  // Waiting for itself would never end: a run that names its own id deletes nothing.
  if (static_cast<DWORD>(pid) == GetCurrentProcessId()) return false;
  // Read before the wait: the bootstrap's end lets the system delete this copy.
  SafeKernelHandle self(CreateFileW(GetApplicationPath().c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr));
  std::wstring own = self.valid() ? sha256Hex(self.get()) : std::wstring();
  SafeKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid)));
  if (!process.valid()) {  // already ended, or not a number: delete nothing
    logLine(L"Clean-up: process %d cannot be waited for (error %lu).", pid, GetLastError());
    return false;
  }
  SafeKernelHandle holds(OpenEventW(EVENT_MODIFY_STATE, FALSE, cleanupHoldsEventName(static_cast<DWORD>(pid)).c_str()));
  if (holds.valid()) SetEvent(holds.get());
  if (WaitForSingleObject(process.get(), BOOTSTRAP_END_WAIT_MS) != WAIT_OBJECT_0) {
    logLine(L"Clean-up: process %d still runs after %lu s.", pid, BOOTSTRAP_END_WAIT_MS / 1000);
    return false;
  }
  process.reset();

  // Only this program's own bytes are deleted: any program may start this one
  // (elevated too, under our publisher's name) with any file named.
  SafeKernelHandle target(CreateFileW(file.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!target.valid()) {
    logLine(L"Clean-up: %ls cannot be opened (error %lu).", file.c_str(), GetLastError());
    return false;
  }
  if (own.empty()) return diagnose(L"Error: the clean-up run cannot read its own program; nothing is deleted.\n");
  if (sha256Hex(target.get()) != own)
    return diagnose(L"Error: \"%ls\" is not this program; nothing is deleted.\n", file.c_str());
  if (!deleteThrough(target.get(), file))
    return diagnose(L"Error: the clean-up run could not delete \"%ls\": %lu.\n", file.c_str(), GetLastError());
  return true;
}

}  // namespace

std::wstring cleanupHoldsEventName(DWORD pid) {
  return L"Local\\VorakSetupCleanupHolds" + t_to_wstring(static_cast<unsigned long>(pid));
}

void cleanup(int pid, std::wstring file, std::wstring directory) {
  logLine(L"Clean-up: deletes %ls once process %d has ended, then its folder if empty.", file.c_str(), pid);
  if (!deleteWhenEnded(pid, file)) {
    // Support will want to know why a bootstrap stayed.
    logLine(L"Clean-up: nothing is deleted.");
    keepRunLog();
    return;
  }
  logLine(L"Clean-up: deleted %ls.", file.c_str());
  // Only the folder that held the file, named in full: a bootstrap at a
  // drive's root passes "C:", which would name the current folder of that drive instead.
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(directory.c_str(), MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH || _wcsicmp(full, directory.c_str()) != 0 || PathIsRootW(full) ||
      _wcsicmp(FilePath(file).parent().str().c_str(), full) != 0)
    return;
  if (PathIsDirectoryEmptyW(directory.c_str()) && RemoveDirectoryW(directory.c_str()))
    logLine(L"Clean-up: removed the folder %ls.", directory.c_str());
}
