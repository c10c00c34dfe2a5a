#include "tasks/entry_name.h"

namespace {
bool isSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Windows drops trailing dots and spaces from a segment, so "..." and ". ." open
// the same thing as "..": reject every segment made of nothing else.
bool isDotSegment(const std::wstring& name, size_t begin, size_t end) {
  for (size_t i = begin; i < end; ++i)
    if (name[i] != L'.' && name[i] != L' ') return false;
  return true;
}
}  // namespace

bool isSafeEntryName(const std::wstring& name) {
  if (name.empty() || isSeparator(name[0])) return false;
  if (name.find(L':') != std::wstring::npos) return false;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !isSeparator(name[end])) ++end;
    // Empty segments ("a\\b", a trailing separator) are harmless joins.
    if (end > begin && isDotSegment(name, begin, end)) return false;
    begin = end + 1;
  }
  return true;
}
