#include "launch/elevated_process.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <vector>

#include "fs/diagnostic.h"
#include "fs/file_path.h"
#include "fs/safe_handle.h"
#include "fs/system_library.h"
#include "launch/final_path.h"

namespace {

// Windows 6 brought the elevation prompt; below it there is nothing to ask.
const DWORD FIRST_PROMPTING_MAJOR_VERSION = 6;
const int32_t RESULT_LIBRARY_MISSING = 1;
const int32_t RESULT_NOT_STARTED = -1;

bool hasElevationPrompt() {
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  GetVersionExW(&version);  // a failure leaves major 0: the direct start
  return version.dwMajorVersion >= FIRST_PROMPTING_MAJOR_VERSION;
}

// The result for a started program: with WAIT_FOR_EXIT its exit code once it
// has ended (0 when unreadable); otherwise 0, after at most wait milliseconds.
int32_t awaited(HANDLE process, int32_t wait) {
  if (wait != WAIT_FOR_EXIT) {
    if (wait != WAIT_NONE) WaitForSingleObject(process, static_cast<DWORD>(wait));
    return 0;
  }
  WaitForSingleObject(process, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return static_cast<int32_t>(code);
}

int32_t shellStart(const std::wstring& path, const std::wstring& arguments, const std::wstring& folder,
                   int32_t wait, HANDLE held) {
  SafeModuleHandle shell(loadSystemLibrary(L"shell32.dll"));
  SafeModuleHandle com(loadSystemLibrary(L"ole32.dll"));
  if (!shell.valid() || !com.valid()) return RESULT_LIBRARY_MISSING;
  auto shellExecuteEx = systemFunction<decltype(&::ShellExecuteExW)>(shell.get(), "ShellExecuteExW");
  if (shellExecuteEx == nullptr) return RESULT_NOT_STARTED;
  auto coInitializeEx = systemFunction<decltype(&::CoInitializeEx)>(com.get(), "CoInitializeEx");
  auto coUninitialize = systemFunction<decltype(&::CoUninitialize)>(com.get(), "CoUninitialize");

  // Only a successful initialisation is undone: undoing a failed one would
  // take away the caller's own COM apartment.
  bool comInitialised = coInitializeEx != nullptr &&
                        SUCCEEDED(coInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

  SHELLEXECUTEINFOW request = {};
  request.cbSize = sizeof(request);
  request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  request.lpVerb = L"runas";
  request.lpFile = path.c_str();
  request.lpParameters = arguments.c_str();
  request.lpDirectory = folder.c_str();
  request.nShow = SW_SHOW;

  int32_t result = RESULT_NOT_STARTED;
  if (shellExecuteEx(&request)) {
    SafeKernelHandle process(request.hProcess);
    // It runs already: ended at once if it is not the file that was checked.
    result = held && !runsFile(process.get(), path) ? RESULT_NOT_STARTED : awaited(process.get(), wait);
  }
  if (comInitialised && coUninitialize != nullptr) coUninitialize();
  return result;
}

// The same waits as the shell start: a clean-up copy that waits for its
// caller must not be waited for without limit.
int32_t directStart(const std::wstring& path, const std::wstring& arguments, const std::wstring& folder,
                    int32_t wait, HANDLE held) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring line = L"\"" + path + L"\" " + arguments;
  std::vector<wchar_t> buffer(line.c_str(), line.c_str() + line.size() + 1);
  // A held file's program is asked which file it runs before its first instruction.
  DWORD flags = held ? CREATE_SUSPENDED : 0;
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, folder.c_str(), &startup, &info)) {
    diagnose(L"Error !%lu", GetLastError());
    return RESULT_NOT_STARTED;
  }
  SafeKernelHandle process(info.hProcess);
  SafeKernelHandle mainThread(info.hThread);
  if (held && !runsFile(process.get(), path)) return RESULT_NOT_STARTED;  // ended before its first instruction
  if (held && ResumeThread(mainThread.get()) == static_cast<DWORD>(-1)) {
    diagnose(L"Error: the program to run elevated could not be resumed (%lu).\n", GetLastError());
    TerminateProcess(process.get(), 1);
    return RESULT_NOT_STARTED;
  }
  return awaited(process.get(), wait);
}

}  // namespace

int32_t execute_elevated_process(const std::wstring& path, const std::wstring& arguments, int32_t wait,
                                 HANDLE held) {
  // The path built before the check may lead elsewhere by now; the held file's own does not.
  std::wstring program = held ? finalPathOf(held) : path;
  if (program.empty()) {
    diagnose(L"Error: the path of the file to run elevated cannot be read: %lu.\n", GetLastError());
    return RESULT_NOT_STARTED;
  }
  // Its own folder, not ours (often the player's Downloads): what it loads
  // or writes beside itself stays in the folder that was made for it.
  std::wstring folder = FilePath(program).parent().str();
  if (hasElevationPrompt()) return shellStart(program, arguments, folder, wait, held);
  return directStart(program, arguments, folder, wait, held);
}
