#include "app/cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include <cerrno>
#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/file_path.h"
#include "fs/handle_deletion.h"
#include "fs/own_image.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "launch/file_digest.h"
#include "launch/number_text.h"

namespace {

// The bootstrap waits at most 20 s for its copy (an elevated start, the
// player's answer to the prompt included) and then ends at once: thrice that
// leaves a slow machine room. A process that keeps the id longer is not a
// bootstrap at its end (the id went to another); nothing is deleted then.
const DWORD BOOTSTRAP_END_WAIT_MS = 60000;
// A process id, a file and a folder.
const int CLEANUP_VALUES = 3;

// "--cleanup"'s process id: a whole decimal number, ASCII digits only, that fits a DWORD. A sign, a blank,
// another script's digits or anything after the number refuse it: "32abc" is not process 32.
bool readProcessId(const wchar_t* text, DWORD& pid) {
  size_t digits = wcsspn(text, L"0123456789");
  errno = 0;
  pid = wcstoul(text, nullptr, 10);  // an unsigned long is a DWORD, 64-bit Windows too
  return digits > 0 && text[digits] == L'\0' && errno == 0;
}

// Deletes file once process pid has ended, when it holds this program's own bytes; false, with the reason in
// the log, when nothing was deleted.
bool deleteWhenEnded(DWORD pid, const wchar_t* file) {
  // Waiting for itself would never end: a run that names its own id deletes nothing.
  if (pid == GetCurrentProcessId()) {
    logLine(L"Clean-up: process %lu is this run itself.", pid);
    return false;
  }
  // Read before the wait: the bootstrap's end lets the system delete this copy. A file that cannot be
  // proved to be the one running is not waited for: nothing would be deleted after the wait.
  SafeKernelHandle self;
  if (!openOwnImage(self)) return false;
  std::wstring own = sha256Hex(self.get());
  if (own.empty()) return diagnose(L"Error: the clean-up run cannot read its own program; nothing is deleted.\n");
  SafeKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
  if (!process.valid()) {  // already ended
    logLine(L"Clean-up: process %lu cannot be waited for (error %lu).", pid, GetLastError());
    return false;
  }
  SafeKernelHandle holds(OpenEventW(EVENT_MODIFY_STATE, FALSE, cleanupHoldsEventName(pid).c_str()));
  if (holds.valid()) SetEvent(holds.get());
  if (WaitForSingleObject(process.get(), BOOTSTRAP_END_WAIT_MS) != WAIT_OBJECT_0) {
    logLine(L"Clean-up: process %lu still runs after %lu s.", pid, BOOTSTRAP_END_WAIT_MS / 1000);
    return false;
  }
  process.reset();

  // Only this program's own bytes are deleted: any program may start this one
  // (elevated too, under our publisher's name) with any file named.
  SafeKernelHandle target(CreateFileW(file, GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!target.valid()) {
    logLine(L"Clean-up: %ls cannot be opened (error %lu).", file, GetLastError());
    return false;
  }
  if (sha256Hex(target.get()) != own)
    return diagnose(L"Error: \"%ls\" is not this program; nothing is deleted.\n", file);
  if (!deleteThrough(target.get(), file))
    return diagnose(L"Error: the clean-up run could not delete \"%ls\": %lu.\n", file, GetLastError());
  return true;
}

// The clean-up's file and folder, once its process id was read.
bool cleanupWith(int count, wchar_t** values) {
  DWORD pid = 0;
  if (count < CLEANUP_VALUES)
    return diagnose(L"Error: \"--cleanup\" takes 3 values, not %d.\n", count);
  if (!readProcessId(values[0], pid))
    return diagnose(L"Error: \"%ls\" is not a process id.\n", values[0]);
  logLine(L"Clean-up: deletes %ls once process %lu has ended, then its folder if empty.", values[1], pid);
  return deleteWhenEnded(pid, values[1]);
}

}  // namespace

std::wstring cleanupHoldsEventName(DWORD pid) {
  return L"Local\\VorakSetupCleanupHolds" + t_to_wstring(static_cast<unsigned long>(pid));
}

void cleanup(int count, wchar_t** values) {
  if (!cleanupWith(count, values)) {
    // Support will want to know why a bootstrap stayed.
    logLine(L"Clean-up: nothing is deleted.");
    keepRunLog();
    return;
  }
  const wchar_t *file = values[1], *directory = values[2];
  logLine(L"Clean-up: deleted %ls.", file);
  // Only the folder that held the file, named in full: a bootstrap at a
  // drive's root passes "C:", which would name the current folder of that drive instead.
  wchar_t full[MAX_PATH];
  DWORD length = GetFullPathNameW(directory, MAX_PATH, full, nullptr);
  if (length == 0 || length >= MAX_PATH || _wcsicmp(full, directory) != 0 || PathIsRootW(full) ||
      _wcsicmp(FilePath(file).parent().str().c_str(), full) != 0)
    return;
  if (PathIsDirectoryEmptyW(directory) && RemoveDirectoryW(directory)) logLine(L"Clean-up: removed the folder %ls.", directory);
}
