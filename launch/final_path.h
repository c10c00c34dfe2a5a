#pragma once
// Where a held file really lies, and whether a started process runs it. A path
// built before a download or a copy may pass through a link (a junction) that
// another program of the player's can point elsewhere at any moment; the path
// that the open handle itself resolves to holds no link. Any thread.
#include <windows.h>

#include <string>

// The normalised DOS path ("C:\...", "\\server\share\...") of the file that
// file, an open handle, is, its links resolved; empty when it cannot be read
// (GetLastError says why).
std::wstring finalPathOf(HANDLE file);

// Whether process, just started by checked (a held file's finalPathOf), runs
// exactly that file. When it runs another, or cannot be asked, it is ended
// (where the handle allows) and the result is false, with a line on the wide
// error stream. Below Windows 6 no process can be asked: true.
bool runsFile(HANDLE process, const std::wstring& checked);
