#include "fs/file_path.h"

#include <cstdlib>

namespace {
const size_t DRIVE_CHARS = 3;
const size_t COMPONENT_CHARS = 256;
}  // namespace

FilePath::FilePath(const std::wstring& path) : _path(toWindowsSep(path)) {}

std::wstring FilePath::toWindowsSep(const std::wstring& path) {
  std::wstring result = path;
  for (wchar_t& c : result) {
    if (c == L'/') c = L'\\';
  }
  return result;
}

FilePath FilePath::parent() const {
  std::wstring copy = _path;
  if (!copy.empty() && copy.back() == L'\\') copy.pop_back();
  size_t last = copy.find_last_of(L'\\');
  if (last != std::wstring::npos) copy.resize(last);
  return FilePath(copy);
}

void FilePath::append(const std::wstring& part) {
  std::wstring converted = toWindowsSep(part);
  // Joined to nothing, a part is itself: no separator is invented, so a
  // relative part stays relative instead of pointing at the drive's root.
  if (_path.empty()) {
    _path = converted;
    return;
  }
  if (_path.back() != L'\\') _path += L'\\';
  if (!part.empty() && part.front() == L'\\') {
    _path.append(converted, 1, std::wstring::npos);
  } else {
    _path += converted;
  }
}

// Whether every component that _wsplitpath would give fits its buffer; runtimes
// differ on a component too long (cut, refused, or an invalid-parameter stop),
// so such a path is never handed to it.
bool FilePath::componentsFit() const {
  const size_t driveLength = (_path.size() >= 2 && _path[1] == L':') ? 2 : 0;
  const size_t lastSeparator = _path.find_last_of(L"\\/");
  const size_t tailStart = (lastSeparator == std::wstring::npos || lastSeparator < driveLength)
                               ? driveLength : lastSeparator + 1;
  const size_t lastDot = _path.find_last_of(L'.');
  const size_t extensionStart = (lastDot == std::wstring::npos || lastDot < tailStart) ? _path.size() : lastDot;
  return tailStart - driveLength < COMPONENT_CHARS && extensionStart - tailStart < COMPONENT_CHARS &&
         _path.size() - extensionStart < COMPONENT_CHARS;
}

FilePath::Parts FilePath::split() const {
  Parts parts;
  parts.emplace_back(DRIVE_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  // A component too long for its buffer leaves all four empty. (The checked
  // _wsplitpath_s is missing from msvcrt.dll before Vista.)
  if (!componentsFit()) return parts;
  _wsplitpath(_path.c_str(), parts[Drive].data(), parts[Directory].data(), parts[Name].data(),
              parts[Extension].data());
  return parts;
}

void FilePath::append(std::wstring& out, const Parts& parts, PartId id) const {
  const std::vector<wchar_t>& part = parts.at(static_cast<size_t>(id));
  for (wchar_t c : part) {
    if (c == L'\0') break;
    out += c;
  }
}

FilePath FilePath::fileName() const {
  Parts parts = split();
  std::wstring name;
  append(name, parts, Name);
  append(name, parts, Extension);
  return FilePath(name);
}
