#include "launch/updater_launch.h"

#include <shellapi.h>

#include "app/message_loop.h"
#include "fs/run_log.h"
#include "fs/safe_handle.h"
#include "fs/module_path.h"
#include "launch/argument_quoting.h"

namespace {

// How long a started updater is given before its start is judged.
const DWORD START_CHECK_WAIT_MS = 15000;
// An updater that has already ended passed only with an exit code up to this.
const DWORD MAX_ACCEPTED_EXIT_CODE = 125;

// Candidate groups, each closed by a null entry: the primary installation, then the backup.
const wchar_t* const APPLICATIONS[][4] = {
    {L"wayspanner\\wayspanner.exe", L"wayspanner.exe", nullptr, nullptr},
    {L"wayspanner_backup\\wayspanner.exe", L"wayspanner_backup\\updater.exe", nullptr, nullptr},
};

// Items 2 to 5 of the updater's command line: the bootstrap's own arguments,
// the extra ones, and where the bootstrap lives.
std::wstring argumentTail(const std::vector<std::wstring>& extraArguments) {
  std::wstring tail;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv != nullptr) {
    for (int i = 1; i < count; ++i) tail += quoteArgument(argv[i]);
    LocalFree(argv);
  }
  for (const std::wstring& extra : extraArguments) tail += quoteArgument(extra);
  tail += quoteArgument(L"--bootstrap-path=" + GetApplicationPath());
  tail += quoteArgument(L"--launched-from=" + GetApplicationDir());
  return tail;
}

// The first candidate of group that exists in the current directory (a
// directory of that name counts), or null.
const wchar_t* chooseCandidate(const wchar_t* const* group) {
  for (; *group != nullptr; ++group) {
    if (GetFileAttributesW(*group) != INVALID_FILE_ATTRIBUTES) return *group;
  }
  return nullptr;
}

// Starts candidate and judges it: running after the wait, or ended with an
// accepted code. On success the result holds the process, else it stays empty.
bool startCandidate(const wchar_t* candidate, const std::wstring& tail, LaunchResult& started) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};

  UINT previous = SetErrorMode(SEM_NOGPFAULTERRORBOX);
  SetErrorMode(previous | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

  std::wstring line = L"\"" + std::wstring(candidate) + L"\" " + tail;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  // Named in full: left to the command line alone, the system would look in the
  // bootstrap's own folder before the current one and could start the installed
  // updater in place of the extracted one.
  wchar_t program[MAX_PATH];
  DWORD length = GetFullPathNameW(candidate, MAX_PATH, program, nullptr);
  if (length == 0 || length >= MAX_PATH ||
      !CreateProcessW(program, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    logLine(L"The updater %ls could not be started: error %lu.", candidate, GetLastError());
    return false;
  }
  logLine(L"Started the updater %ls with: %ls", program, tail.c_str());
  std::shared_ptr<void> process(info.hProcess, CloseHandle);
  SafeKernelHandle mainThread(info.hThread);

  // The window stays shown through the check: it must answer meanwhile, or
  // Windows greys it out as not responding and offers the player to end it.
  DWORD waited = waitServingMessages(process.get(), START_CHECK_WAIT_MS);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED || waited == WAIT_FAILED) {
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    logLine(L"It ended within the start check with exit code %lu: %ls.", exitCode,
            exitCode > MAX_ACCEPTED_EXIT_CODE ? L"a failed start" : L"started");
    if (exitCode > MAX_ACCEPTED_EXIT_CODE) return false;
  } else {
    logLine(L"It still runs after %lu s: started.", START_CHECK_WAIT_MS / 1000);
  }
  // Still running after the wait, or ended with an accepted code.
  started = {Started, GetProcessId(process.get()), process};
  return true;
}

}  // namespace

LaunchResult LaunchWayspanner::launch() { return doLaunch(GetApplicationDir(), {}); }

LaunchResult LaunchWayspanner::launch_bootstraped(const std::wstring& directory) {
  return doLaunch(directory, {L"--no-footprint", L"--no-restart"});
}

LaunchResult LaunchWayspanner::launch_bootstraped_for_repair(const std::wstring& directory) {
  return doLaunch(directory, {L"--autorepair", L"--no-footprint", L"--no-restart"});
}

LaunchResult LaunchWayspanner::doLaunch(const std::wstring& directory,
                                        const std::vector<std::wstring>& extraArguments) {
  std::wstring tail = argumentTail(extraArguments);
  SetCurrentDirectoryW(directory.c_str());

  bool failed = false;
  for (const auto& group : APPLICATIONS) {
    const wchar_t* candidate = chooseCandidate(group);
    if (candidate == nullptr) continue;
    LaunchResult started = {StartFailed, 0, nullptr};
    if (startCandidate(candidate, tail, started)) return started;
    if (&group == &APPLICATIONS[0]) logLine(L"The primary updater failed: the backup is next, where there is one.");
    failed = true;
  }
  if (!failed) logLine(L"No updater in %ls.", directory.c_str());
  return {failed ? StartFailed : NotFound, 0, nullptr};
}
