#include "tests/support/bootstrap_run.h"

namespace testing_support {

BootstrapFixture::BootstrapFixture(const std::wstring& program) {
  gameDir = scratch / L"game";
  tempDir = scratch / L"temp";
  record = scratch / L"record.txt";
  setup = gameDir + L"\\VorakSetup.exe";
  CreateDirectoryW(gameDir.c_str(), nullptr);
  CreateDirectoryW(tempDir.c_str(), nullptr);
  copyFileTo(program, setup);
}

void BootstrapFixture::installUpdater(const std::wstring& relative, int exitCode) {
  std::wstring path = gameDir + L"\\" + relative;
  copyFileTo(builtStandinPath(), path);
  if (exitCode >= 0) writeFile(path.substr(0, path.size() - 4) + L".exitcode", std::to_string(exitCode));
}

void BootstrapFixture::putFile(const std::wstring& relative, const std::string& bytes) {
  std::wstring path = gameDir + L"\\" + relative;
  makeParentDirs(path);
  writeFile(path, bytes);
}

bool BootstrapFixture::replacePayload(const std::string& bytes) {
  HANDLE update = BeginUpdateResourceW(setup.c_str(), FALSE);
  if (!update) return false;
  std::string copy = bytes;
  BOOL ok = UpdateResourceW(update, MAKEINTRESOURCEW(10), MAKEINTRESOURCEW(100),
                            MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), copy.empty() ? nullptr : &copy[0],
                            static_cast<DWORD>(copy.size()));
  return EndUpdateResourceW(update, !ok) && ok;
}

Environment BootstrapFixture::environment(int updaterExitCode, int updaterSleepMs) const {
  Environment env = standinEnvironment(record, updaterExitCode, updaterSleepMs);
  env.push_back({L"TMP", tempDir});
  env.push_back({L"TEMP", tempDir});
  return env;
}

BootstrapOutcome BootstrapFixture::run(const std::wstring& arguments, const Environment& env, DWORD timeoutMs,
                                       const std::function<bool(HWND)>& act) {
  BootstrapOutcome outcome;
  Child child = startProgram(setup, arguments, scratch.path(), env);
  if (!child.process) return outcome;
  bool acted = !act;
  for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
    if (child.wait(100, &outcome.exitCode)) {
      outcome.ended = true;
      return outcome;
    }
    if (!outcome.box.shown) outcome.box = closeErrorBoxOf(child.pid);
    if (!acted) acted = act(windowOf(child.pid));
  }
  return outcome;
}

HWND windowOf(DWORD pid) {
  HWND window = nullptr;
  for (DWORD owner = 0; (window = FindWindowExW(nullptr, window, L"VelmorBootstrapWindow", nullptr)) != nullptr;)
    if (GetWindowThreadProcessId(window, &owner) && owner == pid) break;
  return window;
}

std::wstring BootstrapFixture::message(int id) const {
  HMODULE module = LoadLibraryExW(setup.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return std::wstring();
  wchar_t buffer[1000] = {};
  LoadStringW(module, static_cast<UINT>(id), buffer, 1000);
  FreeLibrary(module);
  return buffer;
}

namespace {

std::wstring classOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring textOf(HWND window) {
  wchar_t text[2048] = {};
  GetWindowTextW(window, text, 2048);
  return text;
}

struct BoxSearch {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findBox(HWND window, LPARAM context) {
  BoxSearch* search = reinterpret_cast<BoxSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->pid && classOf(window) == L"#32770" && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK readBox(HWND child, LPARAM context) {
  ErrorBox* box = reinterpret_cast<ErrorBox*>(context);
  if (classOf(child) == L"Static") {
    std::wstring text = textOf(child);
    if (!text.empty()) box->text = text;
  }
  return TRUE;
}

}  // namespace

ErrorBox closeErrorBoxOf(DWORD pid) {
  ErrorBox box;
  BoxSearch search = {pid, nullptr};
  EnumWindows(findBox, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return box;
  box.shown = true;
  box.caption = textOf(search.found);
  EnumChildWindows(search.found, readBox, reinterpret_cast<LPARAM>(&box));
  // As a player would: press OK.
  PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return box;
}

}  // namespace testing_support
