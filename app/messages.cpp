// Placeholder until the string tables land.
#include "app/messages.h"

std::map<int, std::wstring> translations;

std::wstring tr(int) { return std::wstring(); }
