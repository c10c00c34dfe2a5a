#pragma once
// Removing a folder's contents at any depth, beyond MAX_PATH (the walk goes
// through "\\?\" paths). A link or junction (a reparse point) is removed as
// itself, never entered, so nothing outside the folder is touched. Failures are
// false results; the walk goes on past what it cannot remove. Any thread.
#include <windows.h>

#include <string>

// The first entry a removal could not delete, and why: an entry that refused
// on its own rather than a folder that still held it, where there is one.
struct Leftover {
  std::wstring path;
  DWORD error = 0;
};

// "\\?\" form of a full path (UNC paths as "\\?\UNC\..."); kept when already in it.
std::wstring longPathForm(const std::wstring& fullPath);

// Removes every reparse point below directory as itself. False when one is left
// (some platforms cannot remove a link without following it). Sets *beyondMaxPath
// when a path below directory has MAX_PATH characters or more.
bool removeLinksBelow(const std::wstring& directory, bool* beyondMaxPath);

// Removes directory with everything below it, read-only entries included.
// False when anything is left, named in *left when given.
bool removeTreeWithoutFollowingLinks(const std::wstring& directory, Leftover* left = nullptr);
