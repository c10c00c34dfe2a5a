#include <algorithm>
#include <sstream>

#include "tests/support/bootstrap_run.h"

namespace testing_support {

std::string toUtf8(const std::wstring& text) {
  std::string out(text.size() * 4 + 1, '\0');
  out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], int(out.size()), nullptr, nullptr) - 1);
  return out;
}

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH + 1];
  GetTempPathW(MAX_PATH + 1, temp);
  static int counter = 0;
  do _path = temp + (L"vorak-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
  while (!CreateDirectoryW(_path.c_str(), nullptr) && counter < 10000);
}

void removeTree(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (const std::wstring& name : listDir(path)) removeTree(path + L"\\" + name);
  if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
}

ScratchDir::~ScratchDir() { removeTree(_path); }

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

bool isDirectory(const std::wstring& path) {
  return pathExists(path) && (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

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
  return process && WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0 &&
         (!exitCode || GetExitCodeProcess(process, exitCode));
}

Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd,
                   const Environment& extra) {
  std::wstring env;  // the current environment with extra's names (in any case) replaced
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1)
    if (std::none_of(extra.begin(), extra.end(), [p](const Environment::value_type& pair) {
          return !_wcsnicmp(p, (pair.first + L"=").c_str(), pair.first.size() + 1);
        }))
      env.append(p).push_back(L'\0');
  FreeEnvironmentStringsW(block);
  for (auto pair = extra.begin(); pair != extra.end(); ++pair)  // a later pair of a name wins
    if (std::none_of(pair + 1, extra.end(), [&](const auto& later) { return !_wcsicmp(later.first.c_str(), pair->first.c_str()); }))
      env.append(pair->first + L"=" + pair->second).push_back(L'\0');
  std::wstring line = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  Child child;
  if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, &env[0],
                     cwd.empty() ? nullptr : cwd.c_str(), &startup, &info))
    CloseHandle(info.hThread), child.process = info.hProcess, child.pid = info.dwProcessId;
  return child;
}

RunResult runProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd,
                     const Environment& extra, DWORD timeoutMs) {
  RunResult result;
  result.ended = startProgram(exe, arguments, cwd, extra).wait(timeoutMs, &result.exitCode);
  return result;
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
    if (key == "pid") run.pid = std::stoul(text);
    if (key == "exe") run.exe = value;
    if (key == "cwd") run.cwd = value;
    if (key == "bootstrap") run.bootstrap = value;
    if (key == "window") run.window = value == L"1";
    if (key.compare(0, 3, "arg") == 0 && key != "argc") run.args.push_back(value);
  }
  return runs;
}

Environment standinEnvironment(const std::wstring& recordFile, int exitCode, int sleepMs) {
  return {{L"STANDIN_RECORD", recordFile}, {L"STANDIN_EXIT_CODE", std::to_wstring(exitCode)},
          {L"STANDIN_SLEEP_MS", std::to_wstring(sleepMs)}};
}

BootstrapFixture::BootstrapFixture(const std::wstring& program) {
  CreateDirectoryW(tempDir.c_str(), nullptr);
  copyFileTo(program, setup);
}

void BootstrapFixture::installUpdater(const std::wstring& relative, int exitCode) {
  std::wstring path = gameDir + L"\\" + relative;
  copyFileTo(builtStandinPath(), path);
  if (exitCode >= 0) writeFile(path.substr(0, path.size() - 4) + L".exitcode", std::to_string(exitCode));
}

bool BootstrapFixture::replacePayload(const std::string& bytes) {
  HANDLE update = BeginUpdateResourceW(setup.c_str(), FALSE);
  std::string copy = bytes;
  return UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(100), 1033, &copy[0], DWORD(copy.size())) &&
         EndUpdateResourceW(update, FALSE);
}

Environment BootstrapFixture::environment(int updaterExitCode, int updaterSleepMs) const {
  Environment env = standinEnvironment(record, updaterExitCode, updaterSleepMs);
  env.insert(env.end(), {{L"TMP", tempDir}, {L"TEMP", tempDir}});
  return env;
}

static std::wstring textOf(HWND window, bool className = false) {
  wchar_t text[2048] = {};
  className ? GetClassNameW(window, text, 2048) : GetWindowTextW(window, text, 2048);
  return text;
}

HWND windowOf(DWORD pid, const wchar_t* className) {  // the first visible one
  DWORD owner = 0;
  for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr)) != nullptr;)
    if (GetWindowThreadProcessId(window, &owner) && owner == pid && IsWindowVisible(window)) return window;
  return nullptr;
}

static BOOL CALLBACK readBox(HWND child, LPARAM box) {
  if (textOf(child, true) == L"Static" && !textOf(child).empty()) reinterpret_cast<ErrorBox*>(box)->text = textOf(child);
  return TRUE;
}

BootstrapOutcome BootstrapFixture::run(const std::wstring& arguments, const Environment& env, DWORD timeoutMs,
                                       const std::function<bool(HWND)>& act) {
  BootstrapOutcome outcome;
  Child child = startProgram(setup, arguments, scratch.path(), env);
  DWORD start = GetTickCount(), windowSeen = 0;
  bool acted = !act;
  while (child.process && !(outcome.ended = child.wait(50, &outcome.exitCode)) && GetTickCount() - start < timeoutMs) {
    HWND window = windowOf(child.pid, L"VelmorBootstrapWindow");
    if (window) windowSeen = GetTickCount();
    if (!acted) acted = act(window);
    HWND box = outcome.box.shown ? nullptr : windowOf(child.pid, L"#32770");
    if (!box) continue;
    outcome.box = {true, textOf(box), L""};
    EnumChildWindows(box, readBox, reinterpret_cast<LPARAM>(&outcome.box));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // as a player would
  }
  if (windowSeen) outcome.windowGoneMs = GetTickCount() - windowSeen;
  return outcome;
}

std::wstring BootstrapFixture::message(int id) const {
  HMODULE module = LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  wchar_t text[1000] = {};
  LoadStringW(module, UINT(id), text, 1000);
  FreeLibrary(module);
  return text;
}

}  // namespace testing_support
