#pragma once
// Which archive entry names may be written below the extraction directory. A
// pure check, any thread.
#include <string>

// True for a relative name whose every segment stays below the directory it is
// joined to: not empty, no leading separator, no drive or stream colon, and no
// segment made only of dots and spaces ("..", "." and what Windows trims to them).
bool isSafeEntryName(const std::wstring& name);
