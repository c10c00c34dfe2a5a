#pragma once
// The localized messages 10001 to 10007, loaded from the string tables in the
// language that the platform chooses, and cached. User-interface thread only.
#include <map>
#include <string>

extern std::map<int, std::wstring> translations;

// The message id, or the empty string when the chosen table has none.
std::wstring tr(int id);
