#pragma once
// Temporary locations: the extraction directory and the bootstrap's own copy.
// Failures: an empty string, INVALID_HANDLE_VALUE. Any thread.
#include <windows.h>

#include <string>

// A new, empty directory "vlm" + 6 generated characters in the user's temporary
// folder; its full path without a trailing separator, or empty.
std::wstring create_temp_directory();

// Copies the running executable into the temporary folder and opens the copy so
// that the system deletes it once every handle to it is closed. Returns that
// handle (the caller closes it) and sets copyPath; on failure returns
// INVALID_HANDLE_VALUE and leaves copyPath unchanged.
HANDLE copySelfToTemp(std::wstring& copyPath);
