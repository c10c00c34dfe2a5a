#include "fs/run_log.h"

#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "fs/file_path.h"
#include "fs/handle_deletion.h"
#include "launch/access_check.h"
#include "launch/final_path.h"

namespace {

const wchar_t* const LOG_PREFIX = L"VorakSetup_";
const wchar_t* const LOG_SUFFIX = L".log";
// A player who runs the bootstrap every day keeps ten runs' worth, not a year's.
const size_t LOGS_KEPT = 10;
const size_t LOG_MAX_BYTES = 1 << 20;
const wchar_t* const LOG_FULL_LINE = L"The log ends here: it has reached its limit of 1 MiB.";
// Kept free for that line, its time included.
const size_t FULL_LINE_ROOM = 80;
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;
const char UTF8_BOM[] = "\xEF\xBB\xBF";

// Everything under lock, since the workers write lines too.
struct RunLog {
  CRITICAL_SECTION lock;
  bool started = false;
  bool kept = false;  // keepRunLog() was called: lines go to file, or nowhere when it could not be made
  bool full = false;
  DWORD startTick = 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string pending;  // the lines before the file exists
  size_t size = 0;      // bytes written or pending
};
RunLog _log;

std::string utf8(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string converted(bytes > 0 ? bytes : 0, '\0');
  if (bytes > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &converted[0], bytes, nullptr, nullptr);
  return converted;
}

// The line as it lies in the file: its time, its text cleaned, CR LF.
std::string logRecord(DWORD elapsed, const wchar_t* text) {
  wchar_t time[24];
  swprintf(time, 24, L"%7lu ms  ", static_cast<unsigned long>(elapsed));
  std::wstring line = text;
  while (line.size() > 0 && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  return utf8(time + logSafeText(line) + L"\r\n");
}

void writeBytes(const std::string& bytes) {
  DWORD written = 0;
  if (_log.file != INVALID_HANDLE_VALUE)
    WriteFile(_log.file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  else if (!_log.kept)
    _log.pending += bytes;
}

// Under the lock.
void append(std::string record) {
  if (_log.full) return;
  if (_log.size + record.size() + FULL_LINE_ROOM > LOG_MAX_BYTES) {
    record = logRecord(GetTickCount() - _log.startTick, LOG_FULL_LINE);
    _log.full = true;
  }
  _log.size += record.size();
  writeBytes(record);
}

// Deletes all but the newest logs (by the time in their names), never own.
void pruneLogs(const std::wstring& folder, const std::wstring& own) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + LOG_PREFIX + L"*" + LOG_SUFFIX).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
        isLogName(found.cFileName) && own != found.cFileName)
      names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) { return a > b; });
  for (size_t i = LOGS_KEPT - 1; i < names.size(); ++i) DeleteFileW((folder + names[i]).c_str());
}

}  // namespace

// Only our own logs are ever deleted, and "digits" are ASCII's: another script's are not a log's.
bool isLogName(const wchar_t* name) {
  const wchar_t* const shape = L"########_######_";
  size_t prefix = wcslen(LOG_PREFIX), length = wcslen(name), suffix = wcslen(LOG_SUFFIX), fixed = wcslen(shape);
  if (length <= prefix + fixed + suffix || wcsncmp(name, LOG_PREFIX, prefix) != 0 ||
      wcscmp(name + length - suffix, LOG_SUFFIX) != 0)
    return false;
  for (size_t i = prefix; i < length - suffix; ++i) {
    bool digitWanted = i - prefix >= fixed || shape[i - prefix] == L'#';
    if (digitWanted ? name[i] < L'0' || name[i] > L'9' : name[i] != L'_') return false;
  }
  return true;
}

void startRunLog() {
  InitializeCriticalSection(&_log.lock);
  _log.startTick = GetTickCount();
  _log.size = sizeof(UTF8_BOM) - 1;
  _log.started = true;
}

void logText(const wchar_t* text) {
  if (!_log.started) return;
  DWORD elapsed = GetTickCount() - _log.startTick;
  EnterCriticalSection(&_log.lock);
  append(logRecord(elapsed, text));
  LeaveCriticalSection(&_log.lock);
}

void formatLine(wchar_t* text, const wchar_t* format, va_list values) {
  vswprintf(text, LOG_LINE_CHARS, format, values);
  text[LOG_LINE_CHARS - 1] = L'\0';
}

void logLine(const wchar_t* format, ...) {
  if (!_log.started) return;
  wchar_t text[LOG_LINE_CHARS];
  va_list values;
  va_start(values, format);
  formatLine(text, format, values);
  va_end(values);
  logText(text);
}

void keepRunLog() {
  if (!_log.started || _log.kept) return;
  wchar_t temp[TEMP_PATH_CHARS] = {};
  DWORD length = GetTempPathW(TEMP_PATH_CHARS, temp);
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t name[64];
  swprintf(name, 64, L"%ls%04u%02u%02u_%02u%02u%02u_%lu%ls", LOG_PREFIX, now.wYear, now.wMonth, now.wDay, now.wHour,
           now.wMinute, now.wSecond, static_cast<unsigned long>(GetCurrentProcessId()), LOG_SUFFIX);
  std::wstring folder = length > 0 && length < TEMP_PATH_CHARS ? temp : L"";
  // Readable by the player while it grows; never an existing file (nor a link planted under its name).
  HANDLE file = folder.empty() ? INVALID_HANDLE_VALUE
                               : CreateFileW((folder + name).c_str(), GENERIC_WRITE | DELETE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL, nullptr);
  // An elevated run (the clean-up of a folder the player may not write in)
  // makes its file with an administrator's rights in the TEMP of the player's
  // environment, which the player may have named, or linked, anywhere. Where
  // the file really lies is known only once it is made: it stays only where
  // the player could have made it, else it goes at once and the log with it.
  if (file != INVALID_HANDLE_VALUE && !canWriteIn(FilePath(finalPathOf(file)).parent().str(), true)) {
    deleteThrough(file, (folder + name).c_str());
    CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
  }
  EnterCriticalSection(&_log.lock);
  _log.kept = true;
  _log.file = file;
  std::string pending;
  pending.swap(_log.pending);
  if (file != INVALID_HANDLE_VALUE) writeBytes(UTF8_BOM + pending);
  LeaveCriticalSection(&_log.lock);
  if (file != INVALID_HANDLE_VALUE) pruneLogs(folder, name);
}

void closeRunLog() {
  if (!_log.started) return;
  EnterCriticalSection(&_log.lock);
  if (_log.file != INVALID_HANDLE_VALUE) CloseHandle(_log.file);
  _log.file = INVALID_HANDLE_VALUE;
  _log.kept = true;
  LeaveCriticalSection(&_log.lock);
}
