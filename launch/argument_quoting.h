#pragma once
// Writing one command-line item so that CommandLineToArgvW gives it back unchanged.
#include <string>

// The item in double quotes followed by one blank. Double quotes inside it, and
// the backslashes before them or before the closing quote, are escaped; an item
// without such characters is written as it stands.
std::wstring quoteArgument(const std::wstring& item);
