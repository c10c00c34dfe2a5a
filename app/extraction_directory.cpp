#include "app/extraction_directory.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/tree_removal.h"
#include "launch/temp_locations.h"

namespace {
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;
// A virus scanner opens each new file for a moment, and a process that outlives
// its run keeps its folder: the removal tries again, with pauses that double
// from the first, for this long in all.
const DWORD REMOVAL_PATIENCE_MS = 5000;
const DWORD FIRST_PAUSE_MS = 100;

// A wrong path here would delete someone's files: only what could be our own
// extraction passes.
bool isOwnExtraction(const std::wstring& directory, const std::wstring& temp) {
  if (directory.empty() || temp.empty()) return false;
  DWORD attributes = GetFileAttributesW(directory.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  // temp ends with its separator; the name follows it directly.
  if (directory.size() <= temp.size() || _wcsnicmp(directory.c_str(), temp.c_str(), temp.size()) != 0) return false;
  return isTempDirectoryName(directory.c_str() + temp.size());
}

// What another program's open handle or working folder causes, and ends with it.
bool passing(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_DIR_NOT_EMPTY;
}

bool removeOnce(const std::wstring& directory, Leftover* left) {
  // The shell's delete walks into links and would empty their targets, and
  // under Wine it overflows the stack on paths beyond MAX_PATH. Links go first,
  // as themselves; the shell gets the folder only when neither is left.
  bool beyondMaxPath = false;
  if (removeLinksBelow(directory, &beyondMaxPath) && !beyondMaxPath) {
    // A list of one path: the path and two terminating nulls.
    std::wstring from = directory;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
    SHFileOperationW(&operation);
  }
  // What the shell left or was not given (deep paths, read-only entries, links).
  if (GetFileAttributesW(longPathForm(directory).c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  *left = Leftover();
  return removeTreeWithoutFollowingLinks(directory, left);
}
}  // namespace

bool deleteExtractionDirectory(const std::wstring& directory, const std::wstring& within) {
  std::wstring temp = within;
  if (temp.empty()) {
    wchar_t buffer[TEMP_PATH_CHARS] = {};
    DWORD length = GetTempPathW(TEMP_PATH_CHARS, buffer);
    if (length == 0 || length >= TEMP_PATH_CHARS) return false;
    temp = buffer;
  }
  if (!isOwnExtraction(directory, temp)) return false;
  SetCurrentDirectoryW(temp.c_str());
  // Its hold would refuse this run's own removal too; from here on, a sweep
  // by another run that takes the folder only does what this removal does.
  releaseTempDirectory(directory);
  Leftover left;
  for (DWORD waited = 0, pause = FIRST_PAUSE_MS; !removeOnce(directory, &left); waited += pause, pause *= 2) {
    if (!passing(left.error) || waited >= REMOVAL_PATIENCE_MS) {
      // The game is installed all the same: the run's outcome stands.
      diagnose(L"Left in TEMP, could not be deleted: %ls (error %lu).\n", left.path.c_str(), left.error);
      return false;
    }
    pause = std::min(pause, REMOVAL_PATIENCE_MS - waited);
    Sleep(pause);
  }
  return true;
}
