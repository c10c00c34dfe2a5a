#include "tests/support/test_support.h"

#include <algorithm>
#include <sstream>

namespace testing_support {

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                 nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring fromUtf8(const std::string& text) {
  if (text.empty()) return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
  return out;
}

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  static unsigned counter = 0;
  for (;;) {
    std::wstringstream name;
    name << temp << L"vorak-test-" << GetCurrentProcessId() << L"-" << ++counter;
    if (CreateDirectoryW(name.str().c_str(), nullptr)) {
      _path = name.str();
      break;
    }
  }
}

ScratchDir::~ScratchDir() { removeTree(_path); }

std::wstring ScratchDir::operator/(const std::wstring& relative) const { return _path + L"\\" + relative; }

std::wstring buildDir() {
  wchar_t self[MAX_PATH * 2];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  std::wstring path(self, n);
  path.resize(path.find_last_of(L'\\'));  // build/<arch>/tests
  path.resize(path.find_last_of(L'\\'));  // build/<arch>
  return path;
}

std::wstring builtSetupPath() { return buildDir() + L"\\VorakSetup.exe"; }
std::wstring builtStandinPath() { return buildDir() + L"\\payload\\wayspanner.exe"; }

void writeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string readFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool pathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool isDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::wstring> listDir(const std::wstring& path) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") names.push_back(name);
  } while (FindNextFileW(find, &data));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool removeTree(const std::wstring& path) {
  if (path.empty()) return false;
  if (!isDirectory(path)) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(path.c_str()) != FALSE;
  }
  for (const std::wstring& name : listDir(path)) removeTree(path + L"\\" + name);
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return RemoveDirectoryW(path.c_str()) != FALSE;
}

void makeParentDirs(const std::wstring& path) {
  for (size_t i = 3; i < path.size(); ++i) {
    if (path[i] == L'\\') CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

bool copyFileTo(const std::wstring& from, const std::wstring& to) {
  makeParentDirs(to);
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

Child::Child(Child&& other) noexcept : process(other.process), pid(other.pid) { other.process = nullptr; }

Child& Child::operator=(Child&& other) noexcept {
  std::swap(process, other.process);
  std::swap(pid, other.pid);
  return *this;
}

Child::~Child() {
  if (process) CloseHandle(process);
}

bool Child::wait(DWORD timeoutMs, DWORD* exitCode) const {
  if (!process || WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
  if (exitCode) GetExitCodeProcess(process, exitCode);
  return true;
}

namespace {
// The current environment block with extra variables set (replacing same names).
std::vector<wchar_t> environmentBlock(const Environment& extra) {
  std::vector<std::wstring> entries;
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) entries.push_back(p);
  FreeEnvironmentStringsW(block);
  for (const auto& pair : extra) {
    std::wstring prefix = pair.first + L"=";
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::wstring& e) {
                                   return e.size() >= prefix.size() &&
                                          CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, e.c_str(),
                                                         static_cast<int>(prefix.size()), prefix.c_str(),
                                                         static_cast<int>(prefix.size())) == CSTR_EQUAL;
                                 }),
                  entries.end());
    entries.push_back(prefix + pair.second);
  }
  std::vector<wchar_t> out;
  for (const auto& e : entries) {
    out.insert(out.end(), e.begin(), e.end());
    out.push_back(L'\0');
  }
  out.push_back(L'\0');
  return out;
}
}  // namespace

Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd,
                   const Environment& extra) {
  std::wstring line = L"\"" + exe + L"\" " + arguments;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  std::vector<wchar_t> env = environmentBlock(extra);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  Child child;
  if (CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                     cwd.empty() ? nullptr : cwd.c_str(), &startup, &info)) {
    CloseHandle(info.hThread);
    child.process = info.hProcess;
    child.pid = info.dwProcessId;
  }
  return child;
}

RunResult runProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd,
                     const Environment& extra, DWORD timeoutMs) {
  RunResult result;
  Child child = startProgram(exe, arguments, cwd, extra);
  result.ended = child.wait(timeoutMs, &result.exitCode);
  return result;
}

std::vector<StandinRun> readRecord(const std::wstring& recordFile) {
  std::vector<StandinRun> runs;
  std::istringstream lines(readFile(recordFile));
  std::string line;
  StandinRun current;
  while (std::getline(lines, line)) {
    if (line == "--- run") {
      current = StandinRun();
    } else if (line == "--- end") {
      runs.push_back(current);
    } else {
      size_t eq = line.find('=');
      if (eq == std::string::npos) continue;
      std::string key = line.substr(0, eq);
      std::wstring value = fromUtf8(line.substr(eq + 1));
      if (key == "pid") current.pid = static_cast<DWORD>(std::stoul(line.substr(eq + 1)));
      else if (key == "exe") current.exe = value;
      else if (key == "cwd") current.cwd = value;
      else if (key == "bootstrap") current.bootstrap = value;
      else if (key == "window") current.window = value == L"1";
      else if (key.compare(0, 3, "arg") == 0 && key != "argc") current.args.push_back(value);
    }
  }
  return runs;
}

Environment standinEnvironment(const std::wstring& recordFile, int exitCode, int sleepMs) {
  return {{L"STANDIN_RECORD", recordFile},
          {L"STANDIN_EXIT_CODE", std::to_wstring(exitCode)},
          {L"STANDIN_SLEEP_MS", std::to_wstring(sleepMs)}};
}

}  // namespace testing_support
