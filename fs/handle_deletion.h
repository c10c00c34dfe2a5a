#pragma once
// Deleting a file through a handle that the caller opened and checked, so that
// what is deleted is what was checked, whatever its name has become. Failures:
// false, GetLastError set. Any thread.
#include <windows.h>

// Deletes the file that handle (open with DELETE access) is. Windows 5 lacks
// the call: there path, which the open handle keeps from being renamed, is deleted.
bool deleteThrough(HANDLE file, const wchar_t* path);
