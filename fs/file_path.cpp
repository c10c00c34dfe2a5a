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
  if (_path.empty() || _path.back() != L'\\') _path += L'\\';
  if (!part.empty() && part.front() == L'\\') {
    _path.append(converted, 1, std::wstring::npos);
  } else {
    _path += converted;
  }
}

FilePath::Parts FilePath::split() const {
  Parts parts;
  parts.emplace_back(DRIVE_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  parts.emplace_back(COMPONENT_CHARS, L'\0');
  // The secure variant refuses (and leaves the buffers empty) where a component
  // would not fit, instead of writing past a buffer.
  if (_wsplitpath_s(_path.c_str(), parts[Drive].data(), DRIVE_CHARS, parts[Directory].data(), COMPONENT_CHARS,
                    parts[Name].data(), COMPONENT_CHARS, parts[Extension].data(), COMPONENT_CHARS) != 0) {
    for (auto& part : parts) part.assign(part.size(), L'\0');
  }
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
