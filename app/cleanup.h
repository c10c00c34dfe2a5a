#pragma once
// The clean-up run, given the values after "--cleanup" (a process id, a file,
// a directory): waits up to a minute for process pid to end (a process that
// lives longer is not the bootstrap), deletes file when it holds exactly the
// bytes of the file this process runs from (the bootstrap's copy runs it;
// proved to be that file, not taken by its name), then removes directory
// if it is empty, holds file and is named in full (never a drive's root or a
// drive-relative name). Every failure leaves things where they are, and so
// do too few values, a pid that is not a whole decimal number of ASCII digits
// fitting a DWORD (nothing is waited for) and a pid that is this process's own
// (the wait would never end). A run that deletes nothing keeps its log, with
// the reason.
// User-interface thread.
#include <windows.h>

#include <string>

void cleanup(int count, wchar_t** values);

// The event that a clean-up run sets once it holds process pid open, so that
// the bootstrap that started it, elevated, need not wait longer: from then on
// its end cannot be missed, nor its id given to another process.
std::wstring cleanupHoldsEventName(DWORD pid);
