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

// Walks the tree below root breadth first, without recursion (the depth is the
// archive's, not ours): links are removed wherever met; with everything, files
// go on the way and the folders, deepest first, at the end.
bool walk(const std::wstring& root, bool everything, bool* beyondMaxPath) {
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
        clean = removeLink(path, attributes) && clean;
      } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        folders.push_back(path);
      } else if (everything) {
        makeWritable(path, attributes);
        clean = DeleteFileW(path.c_str()) && clean;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (!everything) return clean;
  for (size_t i = folders.size(); i-- > 0;) {
    makeWritable(folders[i], GetFileAttributesW(folders[i].c_str()));
    clean = RemoveDirectoryW(folders[i].c_str()) && clean;
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
  return walk(directory, false, beyondMaxPath);
}

bool removeTreeWithoutFollowingLinks(const std::wstring& directory) {
  bool beyondMaxPath = false;
  return walk(directory, true, &beyondMaxPath);
}
