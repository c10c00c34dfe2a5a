#include "launch/watcher_start.h"

#include <vector>

#include "fs/diagnostic.h"
#include "fs/safe_handle.h"
#include "launch/final_path.h"

bool startWatcher(const std::wstring& path, const std::wstring& arguments, DWORD waitMs, HANDLE held) {
  // The path built before the copy may lead elsewhere by now; the held file's own does not.
  std::wstring program = held ? finalPathOf(held) : path;
  if (program.empty()) return diagnose(L"Error: the clean-up copy's path cannot be read: %lu.\n", GetLastError());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring line = L"\"" + program + L"\" " + arguments;
  std::vector<wchar_t> buffer(line.c_str(), line.c_str() + line.size() + 1);
  // Held still until it has the handle. Given, not inherited: inheritance would
  // also pass on whatever this process inherited (a caller's output pipe), and
  // Windows 5 has no list to name the one handle.
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &info)) {
    return false;
  }
  SafeKernelHandle process(info.hProcess);
  SafeKernelHandle mainThread(info.hThread);
  if (held && !runsFile(process.get(), program)) return false;  // ended before its first instruction
  HANDLE given = nullptr;  // in the program's table: closed when it ends
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), process.get(), &given, SYNCHRONIZE, FALSE, 0)) {
    // It still finds this process by its id if it opens it in time.
    diagnose(L"Error: the clean-up copy holds no handle to this process (%lu).\n", GetLastError());
  }
  if (ResumeThread(mainThread.get()) == static_cast<DWORD>(-1)) {
    diagnose(L"Error: the clean-up copy could not be resumed (%lu).\n", GetLastError());
    TerminateProcess(process.get(), 1);
    return false;
  }
  WaitForSingleObject(process.get(), waitMs);
  return true;
}
