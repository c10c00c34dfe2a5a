#pragma once
// Temporary locations: the extraction directory and the bootstrap's own copy.
// Failures: an empty string, INVALID_HANDLE_VALUE. Any thread.
#include <windows.h>

#include <string>

#include "fs/safe_handle.h"
#include "launch/held_file.h"

// A new, empty directory "vlm" + 6 generated characters in the user's temporary
// folder; its full path without a trailing separator, or empty. The run holds
// it from its creation until releaseTempDirectory: nobody can delete, rename
// or replace it meanwhile, which tells another run's sweep that it is in use.
std::wstring create_temp_directory();

// Lets go of the hold on a folder that create_temp_directory made (known by
// its name: the path may be reached another way by now), just before it is removed.
void releaseTempDirectory(const std::wstring& directory);

// Whether name has the shape of create_temp_directory's names, exactly (or
// of such a folder that another run's sweep renamed).
bool isTempDirectoryName(const wchar_t* name);

// The running executable's copy in the temporary folder, deleted by the system
// once both handles and the copy's own process have let it go.
struct SelfCopy {
  SafeKernelHandle removal;  // deletes the copy on close; lets no one rename or delete it
  HeldFile held;             // the copy as checked, held for its start
  std::wstring path;
};

// Writes the running executable into a new file in the temporary folder
// through a handle of its own, holds it, and reads it back through the held
// handle: false, with a line on the wide error stream, when it could not be
// made or held, or another program changed it meanwhile (copy then untouched).
bool copySelfToTemp(SelfCopy& copy);
