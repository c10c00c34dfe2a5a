#pragma once
// FilePath: one wide path in Windows form. Every slash given to it is stored as
// a backslash; nothing else is normalised. A plain value; no I/O, no failures
// except std::out_of_range for a component id outside PartId. Any thread.
#include <string>
#include <vector>

class FilePath {
 public:
  // Indices into the list that split() returns.
  enum PartId { Drive = 0, Directory = 1, Name = 2, Extension = 3 };
  // Four zero-padded buffers of 3, 256, 256 and 256 characters, in PartId order.
  using Parts = std::vector<std::vector<wchar_t>>;

  explicit FilePath(const std::wstring& path = std::wstring());

  static std::wstring toWindowsSep(const std::wstring& path);

  const std::wstring& str() const { return _path; }

  // The containing directory; a path without a separator is its own parent, and
  // the empty path gives the empty path.
  FilePath parent() const;

  // Joins part with exactly one backslash at the seam (unless part itself brings
  // a leading slash); on an empty path the result is part itself, converted.
  void append(const std::wstring& part);

  // The four components as _wsplitpath gives them; all four empty when one of
  // them would not fit its buffer.
  Parts split() const;

  // Appends the text of component id of parts to out.
  void append(std::wstring& out, const Parts& parts, PartId id) const;

  // Name and extension, joined.
  FilePath fileName() const;

 private:
  bool componentsFit() const;

  std::wstring _path;
};
