#pragma once
// The clean-up run: waits up to a minute for process pid to end (a process
// that lives longer is not the bootstrap), deletes file, then removes
// directory if it is empty and named in full (never a drive's root or a
// drive-relative name). Silent; every failure leaves things where they are,
// and so does a pid that is this process's own (the wait would never end).
// User-interface thread.
#include <string>

void cleanup(int pid, std::wstring file, std::wstring directory);
