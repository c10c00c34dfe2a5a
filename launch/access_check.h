#pragma once
// Whether a user may write in a directory, by its security descriptor. False
// on any failure. Any thread.
#include <string>

// unelevated: whether the player could write there without the elevation
// this process runs with: true at once for a process that is not elevated
// (or where Windows has no elevation); an elevated one's linked token is asked.
bool canWriteIn(std::wstring directory, bool unelevated = false);
