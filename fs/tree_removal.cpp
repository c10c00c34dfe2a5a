#include "fs/tree_removal.h"

#include <windows.h>

#include <vector>

namespace {

const wchar_t LONG_PREFIX[] = L"\\\\?\\";
const wchar_t LONG_UNC_PREFIX[] = L"\\\\?\\UNC\\";

bool isDots(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

// A directory link goes with RemoveDirectoryW, a file link with DeleteFileW;
// neither touches the target.
bool removeLink(const std::wstring& path, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(path.c_str()) != FALSE;
  return DeleteFileW(path.c_str()) != FALSE;
}

// A read-only entry refuses deletion until its attribute is cleared.
void makeWritable(const std::wstring& path, DWORD attributes) {
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// A path as the player would write it, without the "\\?\" form.
std::wstring plainForm(const std::wstring& path) {
  if (path.compare(0, 8, LONG_UNC_PREFIX) == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, LONG_PREFIX) == 0) return path.substr(4);
  return path;
}

// Keeps the first failure of path, unless only a folder's emptiness failed before.
bool noted(bool removed, const std::wstring& path, Leftover* left) {
  if (removed || left == nullptr) return removed;
  DWORD error = GetLastError();
  if (left->path.empty() || (left->error == ERROR_DIR_NOT_EMPTY && error != ERROR_DIR_NOT_EMPTY)) {
    left->path = plainForm(path);
    left->error = error;
  }
  return false;
}

// Walks the tree below root breadth first, without recursion (the depth is the
// archive's, not ours): links are removed wherever met; with everything, files
// go on the way and the folders, deepest first, at the end.
bool walk(const std::wstring& root, bool everything, bool* beyondMaxPath, Leftover* left) {
  bool clean = true;
  const size_t prefixChars = longPathForm(root).size() - root.size();
  std::vector<std::wstring> folders = {longPathForm(root)};
  for (size_t i = 0; i < folders.size(); ++i) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folders[i] + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) continue;
    do {
      if (isDots(found.cFileName)) continue;
      std::wstring path = folders[i] + L"\\" + found.cFileName;
      DWORD attributes = found.dwFileAttributes;
      if (path.size() - prefixChars >= MAX_PATH) *beyondMaxPath = true;
      if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        clean = noted(removeLink(path, attributes), path, left) && clean;
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(path);
      } else if (everything) {
        makeWritable(path, attributes);
        clean = noted(DeleteFileW(path.c_str()), path, left) && clean;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (!everything) return clean;
  for (size_t i = folders.size(); i-- > 0;) {
    makeWritable(folders[i], GetFileAttributesW(folders[i].c_str()));
    clean = noted(RemoveDirectoryW(folders[i].c_str()), folders[i], left) && clean;
  }
  return clean;
}

}  // namespace

std::wstring longPathForm(const std::wstring& fullPath) {
  if (fullPath.compare(0, 4, LONG_PREFIX) == 0) return fullPath;
  if (fullPath.compare(0, 2, L"\\\\") == 0) return LONG_UNC_PREFIX + fullPath.substr(2);
  return LONG_PREFIX + fullPath;
}

bool removeLinksBelow(const std::wstring& directory, bool* beyondMaxPath) {
  *beyondMaxPath = false;
  return walk(directory, false, beyondMaxPath, nullptr);
}

bool removeTreeWithoutFollowingLinks(const std::wstring& directory, Leftover* left) {
  bool beyondMaxPath = false;
  return walk(directory, true, &beyondMaxPath, left);
}
