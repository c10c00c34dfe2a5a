#include "fs/directories.h"

#include <windows.h>

bool create_directories(const FilePath& path) {
  DWORD attributes = GetFileAttributesW(path.str().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;

  FilePath parent = path.parent();
  if (GetFileAttributesW(parent.str().c_str()) == INVALID_FILE_ATTRIBUTES) {
    // A missing path that is its own parent cannot be built from the top down.
    if (parent.str() == path.str() || parent.str().empty()) return false;
    if (!create_directories(parent)) return false;
  }
  return CreateDirectoryW(path.str().c_str(), nullptr) != FALSE;
}

bool fileExists(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}
