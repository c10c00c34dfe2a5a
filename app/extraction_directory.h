#pragma once
// Removing an extraction directory once nothing needs it. User-interface thread.
#include <string>

// Moves the working directory to the temporary folder (a launch left it inside
// the extraction, and a process's working directory cannot be removed), then
// deletes directory with everything in it, silently. An empty path deletes nothing.
void deleteExtractionDirectory(const std::wstring& directory);
