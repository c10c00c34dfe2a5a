#pragma once
// Whether a user may write in a directory, by its security descriptor. False
// on any failure. Any thread.
#include <string>

bool canWriteIn(std::wstring directory);

// Whether the player could write in directory without the elevation this
// process runs with: true for a process that is not elevated (or where
// Windows has no elevation); for an elevated one, its linked token is asked.
bool unelevatedCanWriteIn(const std::wstring& directory);
