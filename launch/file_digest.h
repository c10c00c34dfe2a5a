#pragma once
// The SHA-256 digest of a whole file, read through a handle that the caller
// holds (from its start; the file pointer is moved). Any thread. Failures: an
// empty string (no provider, a read error).
#include <windows.h>

#include <string>

// Lower-case hex, 64 characters.
std::wstring sha256Hex(HANDLE file);
