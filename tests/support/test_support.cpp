#include "tests/support/test_support.h"

#include <algorithm>
#include <sstream>

namespace testing_support {

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  static int counter = 0;
  do path = temp + (L"vorak-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
  while (!CreateDirectoryW(path.c_str(), nullptr) && counter < 10000);
}

static void removeTree(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const std::wstring& name : listDir(path)) removeTree(path + L"\\" + name);
  if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
}

ScratchDir::~ScratchDir() { removeTree(path); }

std::wstring buildDir() {  // the test programs are in build/<arch>/tests
  wchar_t self[MAX_PATH * 2];
  std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH * 2));
  return path.substr(0, path.find_last_of(L'\\', path.find_last_of(L'\\') - 1));
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  makeParentDirs(path);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string readFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 7, nullptr, OPEN_EXISTING, 0, nullptr);  // any sharing
  std::string bytes;
  char buffer[65536];
  for (DWORD got = 0; ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0;) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> listDir(const std::wstring& path) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data))
    if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..")) names.push_back(data.cFileName);
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

void makeParentDirs(const std::wstring& path) {
  for (size_t i = path.find(L'\\', 3); i != std::wstring::npos; i = path.find(L'\\', i + 1))
    CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
}

bool copyFileTo(const std::wstring& from, const std::wstring& to) {
  makeParentDirs(to);
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool Child::wait(DWORD timeoutMs, DWORD* exitCode) const {
  return process && WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0 &&
         (!exitCode || GetExitCodeProcess(process.get(), exitCode));
}

Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd,
                   const std::vector<std::pair<std::wstring, std::wstring>>& extra, const std::wstring& errorFile, DWORD flags) {
  std::wstring env;  // extra first, the last pair of a name foremost: a name's first entry is the one read
  for (auto pair = extra.rbegin(); pair != extra.rend(); ++pair) env.append(pair->first + L"=" + pair->second).push_back(0);
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) env.append(p).push_back(L'\0');
  FreeEnvironmentStringsW(block);
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  if (!errorFile.empty()) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = CreateFileW(errorFile.c_str(), GENERIC_WRITE, 7, &inheritable, CREATE_ALWAYS, 0, nullptr);
  }
  std::wstring line = L"\"" + exe + L"\" " + arguments;
  PROCESS_INFORMATION info = {};
  Child child;
  if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, !errorFile.empty(), CREATE_UNICODE_ENVIRONMENT | flags, &env[0],
                     cwd.empty() ? nullptr : cwd.c_str(), &startup, &info))
    CloseHandle(info.hThread), child.process.reset(info.hProcess, CloseHandle), child.pid = info.dwProcessId;
  if (startup.hStdError) CloseHandle(startup.hStdError);
  return child;
}

std::vector<StandinRun> readRecord(const std::wstring& recordFile) {
  std::vector<StandinRun> runs;
  std::istringstream lines(readFile(recordFile));
  for (std::string line; std::getline(lines, line);) {
    std::string key = line.substr(0, line.find('=')), text = line.substr(std::min(key.size() + 1, line.size()));
    std::wstring value(text.size() + 1, L'\0');
    value.resize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &value[0], int(value.size())) - 1);
    if (line == "--- run") runs.emplace_back();
    if (runs.empty() || key == line) continue;
    StandinRun& run = runs.back();
    if (key == "exe") run.exe = value;
    if (key == "cwd") run.cwd = value;
    if (key == "window") run.window = value == L"1";
    if (key.compare(0, 3, "arg") == 0 && key != "argc") run.args.push_back(value);
  }
  return runs;
}

}  // namespace testing_support
