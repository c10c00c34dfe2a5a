#pragma once
// Removing an extraction directory once nothing needs it. User-interface thread.
#include <string>

// Moves the working directory to the temporary folder (a launch left it inside
// the extraction, and a process's working directory cannot be removed), then
// deletes directory with everything in it, silently, at any depth. Links inside
// it are removed as themselves, never followed. Deletes nothing unless
// directory is a real folder directly in the temporary folder named as
// create_temp_directory names them. What another program holds open is tried
// again for a few seconds; false, with a line naming what stays, when anything
// is left. within, when given, stands for the temporary folder (ending with its
// separator): where one was made that TEMP may no longer lead to.
bool deleteExtractionDirectory(const std::wstring& directory, const std::wstring& within = std::wstring());
