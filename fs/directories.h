#pragma once
// Directory creation and the file test. Failures are false results only; any thread.
#include <string>

#include "fs/file_path.h"

// True when path is a directory already or was created with every missing
// ancestor (outermost first); false otherwise, and for a missing path that is
// its own parent (no separator left, or a drive that does not exist).
bool create_directories(const FilePath& path);

// True when path names an existing object that is not a directory.
bool fileExists(const std::wstring& path);
