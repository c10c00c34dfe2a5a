#include "launch/held_file.h"

#include "fs/file_path.h"

namespace {
HANDLE openShared(const std::wstring& path, DWORD share, DWORD flags = 0) {
  return CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, flags, nullptr);
}
}  // namespace

bool HeldFile::hold(SafeKernelHandle& writer, const std::wstring& path, bool shareDelete) {
  reset();
  const DWORD deleting = shareDelete ? FILE_SHARE_DELETE : 0;
  // Windows refuses to rename a folder with an open file in it; Wine does not.
  _folder.reset(openShared(FilePath(path).parent().str(), FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_BACKUP_SEMANTICS));
  // The first failure's error, for the caller's line: later calls overwrite it.
  DWORD error = _folder.valid() ? ERROR_SUCCESS : GetLastError();
  // A program cannot start while a handle may write it, and a handle that lets
  // no one else write cannot open while the writer lives: this one bridges the
  // two, so that the file cannot be renamed away in between.
  SafeKernelHandle bridge(openShared(path, FILE_SHARE_READ | FILE_SHARE_WRITE | deleting));
  if (error == ERROR_SUCCESS && !bridge.valid()) error = GetLastError();
  writer.reset();
  if (error == ERROR_SUCCESS) _file.reset(openShared(path, FILE_SHARE_READ | deleting));
  if (_file.valid()) return true;
  if (error == ERROR_SUCCESS) error = GetLastError();
  reset();
  SetLastError(error);
  return false;
}
