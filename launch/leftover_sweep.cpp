#include "launch/leftover_sweep.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "fs/diagnostic.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "fs/tree_removal.h"
#include "launch/temp_locations.h"

namespace {
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;
// A run takes this many folders at most and leaves the rest to the next one,
const size_t SWEEP_MAX_FOLDERS = 16;
// and starts on none after this long: its own work waits meanwhile.
const DWORD SWEEP_BUDGET_MS = 2000;

// A folder being swept is first renamed so: no run ever holds such a name.
const wchar_t GONE_SUFFIX[] = L".gone";
const size_t GONE_CHARS = 5;

enum Outcome { Removed, InUse, NotAFolder, Stays };

bool renamedBySweep(const std::wstring& name) {
  return name.size() > GONE_CHARS && name.compare(name.size() - GONE_CHARS, GONE_CHARS, GONE_SUFFIX) == 0;
}

// A name that create_temp_directory gives, or that a sweep gave it.
bool isSweepable(const std::wstring& name) {
  return isTempDirectoryName(renamedBySweep(name) ? name.substr(0, name.size() - GONE_CHARS) : name);
}

// Before anything inside is touched, the folder is renamed to a name that no
// run holds: a live run's hold refuses that, as does a file open inside on
// Windows, and a run that has just made the folder finds it gone before its
// hold and makes another. The folder is then pinned as a hold pins it, so that
// nobody can put a link in its place while the walk lists it. Both the rename
// and the pin take a link itself, never its target, and a link is left alone.
Outcome sweep(const std::wstring& temp, const std::wstring& name, Leftover* left) {
  std::wstring path = temp + name;
  left->path = path;
  if (!renamedBySweep(name)) {
    if (!MoveFileExW(path.c_str(), (path + GONE_SUFFIX).c_str(), 0)) {
      left->error = GetLastError();
      // One an earlier sweep could not finish is listed of its own.
      if (left->error == ERROR_ALREADY_EXISTS || left->error == ERROR_FILE_NOT_FOUND) return NotAFolder;
      return left->error == ERROR_SHARING_VIOLATION || left->error == ERROR_ACCESS_DENIED ? InUse : Stays;
    }
    path += GONE_SUFFIX;
  }
  SafeKernelHandle folder(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  BY_HANDLE_FILE_INFORMATION info;
  if (!folder.valid() || !GetFileInformationByHandle(folder.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return NotAFolder;
  // Everything below goes; the folder itself refuses while it is pinned.
  *left = Leftover();
  removeTreeWithoutFollowingLinks(path, left);
  folder.reset();
  if (RemoveDirectoryW(path.c_str())) return Removed;
  if (left->path.empty() || left->path == path) {
    left->path = path;
    left->error = GetLastError();
  }
  return Stays;
}
}  // namespace

void sweepLeftovers() {
  static std::atomic<bool> swept(false);
  if (swept.exchange(true)) return;
  wchar_t buffer[TEMP_PATH_CHARS];
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, buffer);
  if (length == 0 || length >= TEMP_PATH_CHARS) return;
  std::wstring temp(buffer, length);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((temp + L"vlm*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        isSweepable(found.cFileName) && !heldByThisRun(found.cFileName))
      names.push_back(found.cFileName);
  } while (names.size() < SWEEP_MAX_FOLDERS && FindNextFileW(search, &found));
  FindClose(search);
  const DWORD begun = GetTickCount();
  for (const std::wstring& name : names) {
    if (GetTickCount() - begun >= SWEEP_BUDGET_MS) {
      logLine(L"The sweep of TEMP stops at its time limit: the rest waits for a later run.");
      return;
    }
    Leftover left;
    switch (sweep(temp, name, &left)) {
      case Removed:
        logLine(L"Removed from TEMP, left by an earlier run: %ls.", name.c_str());
        break;
      case InUse:
        logLine(L"Kept in TEMP, in use by a running program: %ls.", name.c_str());
        break;
      case Stays:
        diagnose(L"An earlier run's folder stays in TEMP: %ls (error %lu).\n", left.path.c_str(), left.error);
        break;
      case NotAFolder:
        break;
    }
  }
}
