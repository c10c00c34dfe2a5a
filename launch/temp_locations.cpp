#include "launch/temp_locations.h"

#include <cstdio>
#include <cwchar>

#include "fs/module_path.h"

namespace {
const wchar_t* const TEMP_FILE_PREFIX = L"Velmor";
const wchar_t* const DIRECTORY_TEMPLATE = L"vlmXXXXXX";
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;

// A line on the wide standard output, flushed at once.
void writeLine(const std::wstring& text) {
  fwprintf(stdout, L"%ls\n", text.c_str());
  fflush(stdout);
}
}  // namespace

std::wstring create_temp_directory() {
  static const size_t suffix_len = wcslen(DIRECTORY_TEMPLATE);
  wchar_t buffer[TEMP_PATH_CHARS];
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, buffer);
  // A temporary path too long to take the template is a failure, not an overflow.
  if (length == 0 || length + suffix_len >= TEMP_PATH_CHARS) return std::wstring();
  wcscpy(buffer + length, DIRECTORY_TEMPLATE);
  if (_wmktemp(buffer) == nullptr) return std::wstring();
  if (!CreateDirectoryW(buffer, nullptr)) return std::wstring();
  return buffer;
}

HANDLE copySelfToTemp(std::wstring& copyPath) {
  fputws(L"1\n", stdout);
  fflush(stdout);
  wchar_t tempPath[TEMP_PATH_CHARS];
  // A result that does not fit means the buffer was left unwritten.
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, tempPath);
  if (length == 0 || length >= TEMP_PATH_CHARS) return INVALID_HANDLE_VALUE;
  wchar_t name[TEMP_PATH_CHARS];
  // Creates an empty file that reserves the name; it stays behind.
  if (GetTempFileNameW(tempPath, TEMP_FILE_PREFIX, 0, name) == 0) return INVALID_HANDLE_VALUE;
  std::wstring copy = std::wstring(name) + L".exe";
  if (!CopyFileW(GetApplicationPath().c_str(), copy.c_str(), FALSE)) return INVALID_HANDLE_VALUE;
  // Shared for reading so that the copy can be started while this handle holds it,
  // and deleted by the system when the last handle closes.
  HANDLE handle = CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DeleteFileW(copy.c_str());
    return INVALID_HANDLE_VALUE;
  }
  writeLine(copy);
  copyPath = copy;
  writeLine(copyPath);
  return handle;
}
