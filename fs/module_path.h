#pragma once
// The running executable's own module, path and folder. Failures: a null handle
// or an empty string. Any thread.
#include <windows.h>

#include <string>

HMODULE GetCurrentModule();
std::wstring GetApplicationPath();
// The executable's folder, without a trailing separator.
std::wstring GetApplicationDir();
