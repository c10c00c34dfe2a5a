#include "app/self_removal.h"

#include <cstdio>

#include "app/cleanup.h"
#include "fs/safe_handle.h"
#include "fs/directories.h"
#include "fs/module_path.h"
#include "fs/run_log.h"
#include "launch/access_check.h"
#include "launch/elevated_process.h"
#include "launch/number_text.h"
#include "launch/temp_locations.h"
#include "launch/watcher_start.h"

namespace {

// Long enough for the copy to open this process before it ends.
const DWORD CLEANUP_CHILD_WAIT_MS = 1000;
// How long an elevated copy (and the player's answer to the prompt) is waited for, at most.
const int32_t CLEANUP_ELEVATED_WAIT_MS = 20000;

// "--cleanup PID "EXE" "DIR"": what a clean-up run reads.
std::wstring cleanupArguments() {
  return L"--cleanup " + t_to_wstring(static_cast<unsigned long>(GetCurrentProcessId())) + L" \"" +
         GetApplicationPath() + L"\" \"" + GetApplicationDir() + L"\"";
}

}  // namespace

void removeSelf() {
  // Held until the copy has started: letting it go lets the system delete the copy.
  SelfCopy copy;
  if (!copySelfToTemp(copy)) return;
  const std::wstring& copyPath = copy.path;
  fwprintf(stdout, L"%ls%d\n", copyPath.c_str(), fileExists(copyPath) ? 1 : 0);
  fflush(stdout);

  std::wstring arguments = cleanupArguments();
  // Only a folder the player may not write in needs the rights to delete from it.
  if (canWriteIn(GetApplicationDir())) {
    bool started = startWatcher(copyPath, arguments, CLEANUP_CHILD_WAIT_MS, copy.held.get());
    logLine(L"Self-removal: the copy %ls %ls, directly, with: %ls", copyPath.c_str(), started ? L"started" : L"did not start",
            arguments.c_str());
  } else {
    // Waited for until it holds this process, not longer. A name that another
    // program made first may be set already: then the whole wait is kept.
    SetLastError(ERROR_SUCCESS);
    SafeKernelHandle holds(CreateEventW(nullptr, TRUE, FALSE, cleanupHoldsEventName(GetCurrentProcessId()).c_str()));
    if (GetLastError() == ERROR_ALREADY_EXISTS) holds.reset();
    int32_t result = execute_elevated_process(copyPath, arguments, holds.valid() ? WAIT_NONE : CLEANUP_ELEVATED_WAIT_MS,
                                              copy.held.get());
    if (holds.valid() && result == 0) WaitForSingleObject(holds.get(), CLEANUP_ELEVATED_WAIT_MS);
    logLine(L"Self-removal: the copy %ls started elevated (result %ld), with: %ls", copyPath.c_str(),
            static_cast<long>(result), arguments.c_str());
  }
}
