#include "launch/leftover_sweep.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "fs/tree_removal.h"
#include "launch/temp_locations.h"

namespace {
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;
// A run takes this many folders at most and leaves the rest to the next one,
const int SWEEP_MAX_FOLDERS = 16;
// and starts on none after this long: its own work waits meanwhile.
const DWORD SWEEP_BUDGET_MS = 2000;
// A folder being swept is first renamed with this after its name: no run ever
// makes, nor holds, such a name.
const wchar_t SWEPT_MARK = L'_';
const size_t NAME_CHARS = 9, PATH_CHARS = TEMP_PATH_CHARS + NAME_CHARS + 2;

// Before anything inside is touched, the folder is renamed to a name that no
// run holds: a live run's hold refuses that, as does a file open inside on
// Windows, and a run that has just made the folder finds it gone before its
// hold and makes another. The folder is then pinned as a hold pins it, so that
// nobody can put a link in its place while the walk lists it. Both the rename
// and the pin take a link itself, never its target, and a link is left alone.
// path holds PATH_CHARS, its name ends at end (unless renamed, then one
// further). True when the folder is gone; else false, with the last error set.
bool sweep(wchar_t* path, size_t end, bool renamed) {
  if (!renamed) {
    wchar_t from[PATH_CHARS];
    memcpy(from, path, sizeof(from));
    path[end] = SWEPT_MARK;
    path[end + 1] = L'\0';
    if (!MoveFileExW(from, path, 0)) return false;
  }
  SafeKernelHandle folder(CreateFileW(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (folder.valid()) GetFileInformationByHandle(folder.get(), &info);
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY)
    return false;
  // Everything below goes; the folder itself refuses while it is pinned.
  removeTreeWithoutFollowingLinks(path);
  folder.reset();
  return RemoveDirectoryW(path) != FALSE;
}
}  // namespace

void sweepLeftovers() {
  wchar_t path[PATH_CHARS];
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, path);
  if (length == 0 || length >= TEMP_PATH_CHARS) return;
  WIN32_FIND_DATAW found;
  wcscpy(path + length, L"vlm*");
  HANDLE search = FindFirstFileW(path, &found);
  if (search == INVALID_HANDLE_VALUE) return;
  // A folder renamed meanwhile may show again under its new name: gone by
  // then, it is passed over.
  const DWORD begun = GetTickCount();
  int count = 0;
  do {
    const wchar_t* name = found.cFileName;
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY ||
        !isTempDirectoryName(name))
      continue;
    wcscpy(path + length, name);
    bool swept = sweep(path, length + NAME_CHARS, name[NAME_CHARS] == SWEPT_MARK);
    DWORD error = GetLastError();
    ++count;
    // Windows refuses the rename too while a file inside is open. A name
    // taken by an earlier sweep that could not finish is swept of its own.
    if (swept) logLine(L"Swept from TEMP: %ls.", name);
    else if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) logLine(L"Kept in TEMP, in use: %ls.", name);
    else if (error != ERROR_FILE_NOT_FOUND && error != ERROR_ALREADY_EXISTS)
      diagnose(L"Not swept from TEMP: %ls (error %lu).\n", name, error);
  } while (count < SWEEP_MAX_FOLDERS && GetTickCount() - begun < SWEEP_BUDGET_MS && FindNextFileW(search, &found));
  FindClose(search);
}
