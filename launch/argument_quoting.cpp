#include "launch/argument_quoting.h"

std::wstring quoteArgument(const std::wstring& item) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : item) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      // Each backslash before a quote doubles, and the quote itself is escaped.
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  // Backslashes before the closing quote would escape it: double them.
  out.append(backslashes * 2, L'\\');
  out += L"\" ";
  return out;
}
