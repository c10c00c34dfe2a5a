#pragma once
// Starting a program that waits for this process to end (the clean-up copy).
// It holds a handle to this process from before its first instruction, so
// that this process's id stays this process's while the program runs, however
// late it opens it by that id; nothing of this process is inherited. False
// when the program cannot be started (the system's error in GetLastError); a
// handle that cannot be given only writes a line on the wide error stream.
// held, when given, is the file at path, held open since its check: the
// program is then started by the path that held resolves to, and one that runs
// another file is ended before its first instruction (false, with a line).
// Blocks the calling thread for at most waitMs.
#include <windows.h>

#include <string>

bool startWatcher(const std::wstring& path, const std::wstring& arguments, DWORD waitMs, HANDLE held = nullptr);
