#pragma once
// The clean-up run: waits up to a minute for process pid to end (a process
// that lives longer is not the bootstrap), deletes file when it holds exactly
// this program's bytes (the bootstrap's copy runs it), then removes directory
// if it is empty, holds file and is named in full (never a drive's root or a
// drive-relative name). Every failure leaves things where they are, and so
// does a pid that is this process's own (the wait would never end); a file
// that is not this program, or cannot be deleted, also writes a line. A run
// that deletes nothing keeps its log, with the reason.
// User-interface thread.
#include <windows.h>

#include <string>

void cleanup(int pid, std::wstring file, std::wstring directory);

// The event that a clean-up run sets once it holds process pid open, so that
// the bootstrap that started it, elevated, need not wait longer: from then on
// its end cannot be missed, nor its id given to another process.
std::wstring cleanupHoldsEventName(DWORD pid);
