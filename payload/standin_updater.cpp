// A stand-in for the game's updater, used by the demo payload and the tests.
//
// It appends what it was given to the file named by STANDIN_RECORD (UTF-8):
//   --- run
//   pid=<its process id>
//   exe=<its own path>
//   cwd=<its working directory>
//   bootstrap=<value of --bootstrap-path=, if any>
//   window=<1 when the process that started it shows the bootstrap window, else 0>
//   argc=<n>
//   arg<i>=<each argument as CommandLineToArgvW splits the line>
//   --- end
// then sleeps and exits. The sleep (ms) and exit code come from STANDIN_SLEEP_MS
// and STANDIN_EXIT_CODE, unless files "<name>.sleep" / "<name>.exitcode" beside
// the executable say otherwise (so two candidates in one folder can differ).
// STANDIN_EXIT_CODE may list codes ("200,0"): the n-th run recorded takes the
// n-th (the last one repeats), so a first run can fail and a repair succeed.
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string toUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr,
                      nullptr);
  return out;
}

std::wstring environment(const wchar_t* name) {
  wchar_t buffer[1024];
  DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
  return (n > 0 && n < 1024) ? std::wstring(buffer, n) : std::wstring();
}

// Runs recorded before this one.
int earlierRuns(const std::wstring& record) {
  FILE* file = record.empty() ? nullptr : _wfopen(record.c_str(), L"rb");
  if (!file) return 0;
  int runs = 0;
  char line[4096];
  while (fgets(line, sizeof(line), file)) runs += strncmp(line, "--- end", 7) == 0;
  fclose(file);
  return runs;
}

// The run-th entry of a comma-separated list, the last one repeating.
std::wstring listEntry(const std::wstring& list, int run) {
  size_t begin = 0;
  for (int i = 0; i < run && list.find(L',', begin) != std::wstring::npos; ++i) begin = list.find(L',', begin) + 1;
  return list.substr(begin, list.find(L',', begin) - begin);
}

// A number from the file beside the executable, else from the environment, else the fallback.
long setting(const std::wstring& exePath, const wchar_t* suffix, const wchar_t* variable, long fallback,
             int run = 0) {
  std::wstring base = exePath;
  size_t dot = base.find_last_of(L'.');
  if (dot != std::wstring::npos) base.resize(dot);
  FILE* file = _wfopen((base + suffix).c_str(), L"rb");
  if (file) {
    long value = fallback;
    if (fscanf(file, "%ld", &value) != 1) value = fallback;
    fclose(file);
    return value;
  }
  std::wstring text = listEntry(environment(variable), run);
  return text.empty() ? fallback : wcstol(text.c_str(), nullptr, 10);
}

DWORD parentProcessId() {
  DWORD parent = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

// Whether the process that started us has a bootstrap window standing. The
// windows are enumerated, not walked with FindWindowEx: another program's
// window destroyed meanwhile would end such a walk early.
BOOL CALLBACK findParentWindow(HWND window, LPARAM parent) {
  wchar_t name[64] = {};
  DWORD owner = 0;
  GetClassNameW(window, name, 64);
  GetWindowThreadProcessId(window, &owner);
  return !(owner == static_cast<DWORD>(parent) && wcscmp(name, L"VelmorBootstrapWindow") == 0);
}

bool parentShowsWindow() {
  DWORD parent = parentProcessId();
  return parent != 0 && !EnumWindows(findParentWindow, static_cast<LPARAM>(parent));
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t exe[MAX_PATH * 4] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
  wchar_t cwd[MAX_PATH * 4] = {};
  GetCurrentDirectoryW(MAX_PATH * 4, cwd);

  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring bootstrap;
  const std::wstring bootstrapSwitch = L"--bootstrap-path=";
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg.compare(0, bootstrapSwitch.size(), bootstrapSwitch) == 0) bootstrap = arg.substr(bootstrapSwitch.size());
  }

  std::wstring record = environment(L"STANDIN_RECORD");
  const int run = earlierRuns(record);
  if (!record.empty()) {
    std::string text = "--- run\n";
    text += "pid=" + std::to_string(GetCurrentProcessId()) + "\n";
    text += "exe=" + toUtf8(exe) + "\n";
    text += "cwd=" + toUtf8(cwd) + "\n";
    text += "bootstrap=" + toUtf8(bootstrap) + "\n";
    text += std::string("window=") + (parentShowsWindow() ? "1" : "0") + "\n";
    text += "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i) text += "arg" + std::to_string(i) + "=" + toUtf8(argv[i]) + "\n";
    text += "--- end\n";
    // Several updaters may record into one file; append whole blocks.
    HANDLE file = CreateFileW(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
      CloseHandle(file);
    }
  }
  LocalFree(argv);

  long sleepMs = setting(exe, L".sleep", L"STANDIN_SLEEP_MS", 0);
  if (sleepMs > 0) Sleep(static_cast<DWORD>(sleepMs));
  return static_cast<int>(setting(exe, L".exitcode", L"STANDIN_EXIT_CODE", 0, run));
}
