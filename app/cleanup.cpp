#include "app/cleanup.h"

#include <windows.h>
#include <shlwapi.h>

#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/file_path.h"
#include "fs/handle_deletion.h"
#include "fs/own_image.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "launch/file_digest.h"

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
  unsigned long long value = 0;
  const wchar_t* digit = text;
  for (; *digit >= L'0' && *digit <= L'9' && value <= MAXDWORD; ++digit) value = value * 10 + (*digit - L'0');
  pid = static_cast<DWORD>(value);
  return digit != text && *digit == L'\0' && value <= MAXDWORD;
}

// Deletes file once process pid has ended, when it holds this program's own bytes; false, with the reason in
// the log, when nothing was deleted.
bool deleteWhenEnded(DWORD pid, const std::wstring& file) {
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
  if (WaitForSingleObject(process.get(), BOOTSTRAP_END_WAIT_MS) != WAIT_OBJECT_0) {
    logLine(L"Clean-up: process %lu still runs after %lu s.", pid, BOOTSTRAP_END_WAIT_MS / 1000);
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
  if (sha256Hex(target.get()) != own)
    return diagnose(L"Error: \"%ls\" is not this program; nothing is deleted.\n", file.c_str());
  if (!deleteThrough(target.get(), file))
    return diagnose(L"Error: the clean-up run could not delete \"%ls\": %lu.\n", file.c_str(), GetLastError());
  return true;
}

// The clean-up's file and folder, once its process id was read.
bool cleanupWith(int count, wchar_t** values) {
  DWORD pid = 0;
  if (count < CLEANUP_VALUES)
    return diagnose(L"Error: \"--cleanup\" takes a process id, a file and a folder; %d given.\n", count);
  if (!readProcessId(values[0], pid))
    return diagnose(L"Error: the clean-up's process id \"%ls\" is not a whole decimal number.\n", values[0]);
  logLine(L"Clean-up: deletes %ls once process %lu has ended, then its folder if empty.", values[1], pid);
  return deleteWhenEnded(pid, values[1]);
}

}  // namespace

void cleanup(int count, wchar_t** values) {
  if (!cleanupWith(count, values)) {
    // Support will want to know why a bootstrap stayed.
    logLine(L"Clean-up: nothing is deleted.");
    keepRunLog();
    return;
  }
  std::wstring file = values[1], directory = values[2];
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
