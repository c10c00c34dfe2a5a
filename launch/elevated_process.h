#pragma once
// Running a program with administrator rights: through the shell's "runas"
// prompt on Windows 6 and later, directly below (no prompt exists there).
// Failures are results (table below); only the direct start writes a line to
// the wide error stream. Blocks the calling thread while it waits: the process
// runner's worker without limit, the user-interface thread at most 20 s.
#include <windows.h>

#include <cstdint>
#include <string>

// Wait values: wait until the program ends and return its exit code; or do not wait.
const int32_t WAIT_FOR_EXIT = -1;
const int32_t WAIT_NONE = 0;

// Starts path (full, unquoted) with arguments (passed on as they are), in the
// folder that holds it. held, when given, is the file at path, held open since
// its check: the program is then started by the path that held resolves to
// (finalPathOf), and one that runs another file is ended and not started (-1,
// with a line on the wide error stream).
// Windows 6 and later: 1 when the shell or COM library cannot be loaded; -1
// when ShellExecuteExW is missing or fails (a declined prompt included); with
// WAIT_FOR_EXIT the program's exit code; otherwise 0, after waiting at most
// wait milliseconds (none for WAIT_NONE). Below 6 it starts the program
// directly: -1 when it cannot be started, else the same results and waits.
int32_t execute_elevated_process(const std::wstring& path, const std::wstring& arguments, int32_t wait,
                                 HANDLE held = nullptr);
