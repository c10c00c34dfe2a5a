#include "launch/temp_locations.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "fs/diagnostic.h"
#include "fs/module_path.h"
#include "launch/final_path.h"

namespace {
const wchar_t* const TEMP_FILE_PREFIX = L"Velmor";
const wchar_t* const DIRECTORY_TEMPLATE = L"vlmXXXXXX";
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;

const DWORD COPY_CHUNK = 64 * 1024;

// A line on the wide standard output, flushed at once.
void writeLine(const std::wstring& text) {
  fwprintf(stdout, L"%ls\n", text.c_str());
  fflush(stdout);
}

bool rewind(HANDLE file) {
  LARGE_INTEGER start = {};
  return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != 0;
}

bool copyContent(HANDLE from, HANDLE to) {
  std::vector<char> chunk(COPY_CHUNK);
  DWORD read = 0, written = 0;
  do {
    if (!ReadFile(from, chunk.data(), COPY_CHUNK, &read, nullptr)) return false;
    if (read != 0 && (!WriteFile(to, chunk.data(), read, &written, nullptr) || written != read)) return false;
  } while (read != 0);
  return true;
}

// Whether both files hold the same bytes, read from their starts.
bool sameContent(HANDLE one, HANDLE other) {
  if (!rewind(one) || !rewind(other)) return false;
  std::vector<char> a(COPY_CHUNK), b(COPY_CHUNK);
  DWORD readA = 0, readB = 0;
  do {
    if (!ReadFile(one, a.data(), COPY_CHUNK, &readA, nullptr) || !ReadFile(other, b.data(), COPY_CHUNK, &readB, nullptr) ||
        readA != readB || memcmp(a.data(), b.data(), readA) != 0)
      return false;
  } while (readA != 0);
  return true;
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

bool copySelfToTemp(SelfCopy& copy) {
  fputws(L"1\n", stdout);
  fflush(stdout);
  wchar_t tempPath[TEMP_PATH_CHARS];
  // A result that does not fit means the buffer was left unwritten.
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, tempPath);
  if (length == 0 || length >= TEMP_PATH_CHARS) return false;
  wchar_t name[TEMP_PATH_CHARS];
  // Creates an empty file that reserves the name; it stays behind.
  if (GetTempFileNameW(tempPath, TEMP_FILE_PREFIX, 0, name) == 0) return false;
  // From its creation on, nobody may rename or delete the copy: only the writer
  // below may write it, and only until the hold takes over.
  // (A failure below closes it with the caller's copy, and the file goes.)
  copy.removal.reset(CreateFileW((std::wstring(name) + L".exe").c_str(), GENERIC_READ | DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!copy.removal.valid()) return diagnose(L"Error: the bootstrap's copy could not be created: %lu.\n", GetLastError());
  // TEMP may lie behind a link that another program can point elsewhere: from
  // here on, the copy is reached by the path that its handle resolves to.
  std::wstring path = finalPathOf(copy.removal.get());
  if (path.empty()) return diagnose(L"Error: the bootstrap's copy has no path of its own: %lu.\n", GetLastError());
  SafeKernelHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!writer.valid()) return diagnose(L"Error: the bootstrap's copy could not be opened: %lu.\n", GetLastError());
  SafeKernelHandle source(CreateFileW(GetApplicationPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source.valid() || !copyContent(source.get(), writer.get())) {
    return diagnose(L"Error: the bootstrap's copy could not be made: %lu.\n", GetLastError());
  }
  if (!copy.held.hold(writer, path, true))
    return diagnose(L"Error: the bootstrap's copy could not be held: %lu.\n", GetLastError());
  // Whatever wrote in the instant before the hold shows here.
  if (!sameContent(source.get(), copy.held.get())) {
    copy.held.reset();
    return diagnose(L"Error: the bootstrap's copy changed before it was held.\n");
  }
  writeLine(path);
  copy.path = path;
  writeLine(copy.path);
  return true;
}
