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
// A name that another run's sweep takes in the instant before its hold is given up for another.
const int HOLD_ATTEMPTS = 3;

// The folder that this run holds, and its name. A run has one at a time (it
// removes each before it makes the next); it is made before the worker that
// made it first reports to the window, and let go on the window's thread.
HANDLE _hold = nullptr;
wchar_t _heldName[16];  // empty: none held

const wchar_t* nameOf(const wchar_t* path) { return wcsrchr(path, L'\\') + 1; }

// Listing a folder is an access that share modes are weighed against (reading
// its attributes is not), so the missing FILE_SHARE_DELETE binds everyone who
// opens the folder meanwhile; what lies inside stays open to all.
HANDLE holdFolder(const wchar_t* path) {
  return CreateFileW(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

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
  for (int attempt = 0; attempt < HOLD_ATTEMPTS; ++attempt) {
    wcscpy(buffer + length, DIRECTORY_TEMPLATE);
    if (_wmktemp(buffer) == nullptr) return std::wstring();
    if (!CreateDirectoryW(buffer, nullptr)) return std::wstring();
    // Another run's sweep renames a folder before it touches it. Should it
    // take this one before the hold, the hold finds it gone (or is refused):
    // the empty folder is the sweep's, and another name is taken. After the
    // hold, every sweep is refused. Nothing is written before it.
    HANDLE hold = holdFolder(buffer);
    if (hold != INVALID_HANDLE_VALUE) {
      _hold = hold;
      wcscpy(_heldName, nameOf(buffer));
      return buffer;
    }
    RemoveDirectoryW(buffer);
  }
  return std::wstring();
}

void releaseTempDirectory(const std::wstring& directory) {
  if (wcscmp(_heldName, nameOf(directory.c_str())) != 0) return;
  CloseHandle(_hold);
  _heldName[0] = L'\0';
}

bool isTempDirectoryName(const wchar_t* name) {
  // The C runtime's six characters: the process id's last six digits, the
  // first replaced by a letter (Windows always, Wine when the name is taken);
  // then '_' when a sweep renamed the folder.
  size_t length = wcslen(name);
  if ((length != 9 && (length != 10 || name[9] != L'_')) || wcsncmp(name, DIRECTORY_TEMPLATE, 3) != 0) return false;
  for (int i = 3; i < 9; ++i)
    if (!(name[i] >= L'0' && name[i] <= L'9') && !(i == 3 && name[i] >= L'a' && name[i] <= L'z')) return false;
  return true;
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
