#pragma once
// What many tests need: scratch folders, the built programs, starting a program
// with extra environment and waiting for it, the stand-in updater's record.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// A fresh folder under the temporary folder, removed with everything in it on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::wstring& path() const { return _path; }
  // path() + "\" + relative
  std::wstring operator/(const std::wstring& relative) const;

 private:
  std::wstring _path;
};

// The built programs, found relative to the running test program (build/<arch>/tests/).
std::wstring buildDir();            // build/<arch>, no trailing separator
std::wstring builtSetupPath();      // build/<arch>/VorakSetup.exe
std::wstring builtStandinPath();    // build/<arch>/payload/wayspanner.exe

void writeFile(const std::wstring& path, const std::string& bytes);
std::string readFile(const std::wstring& path);  // empty when missing
bool pathExists(const std::wstring& path);
bool isDirectory(const std::wstring& path);
bool removeTree(const std::wstring& path);
// Names (not paths) of the entries of a folder, "." and ".." left out, sorted.
std::vector<std::wstring> listDir(const std::wstring& path);
// Creates the folders above path.
void makeParentDirs(const std::wstring& path);
// Copies file, creating the target's folders.
bool copyFileTo(const std::wstring& from, const std::wstring& to);

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;

// A started child process; the handle is closed on destruction (the process runs on).
struct Child {
  HANDLE process = nullptr;
  DWORD pid = 0;
  Child() = default;
  Child(Child&& other) noexcept;
  Child& operator=(Child&& other) noexcept;
  Child(const Child&) = delete;
  ~Child();
  // Waits up to timeoutMs; true when it ended. exitCode is then set.
  bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;
};

// Starts exe with the command line "\"exe\" " + arguments (as given, already
// quoted where needed), in cwd (empty: inherited), with the current environment
// plus extra (overriding). A failed start gives a Child with no process.
Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd = L"",
                   const Environment& extra = Environment());

struct RunResult {
  bool ended = false;
  DWORD exitCode = 0;
};
// startProgram, then wait up to timeoutMs.
RunResult runProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd = L"",
                     const Environment& extra = Environment(), DWORD timeoutMs = 60000);

// One run of the stand-in updater, as it recorded it.
struct StandinRun {
  DWORD pid = 0;
  std::wstring exe, cwd, bootstrap;
  bool window = false;  // the bootstrap's window stood when it started
  std::vector<std::wstring> args;  // args[0] is the program as started
};
std::vector<StandinRun> readRecord(const std::wstring& recordFile);

// Environment for a stand-in updater: record file, exit code, sleep.
Environment standinEnvironment(const std::wstring& recordFile, int exitCode = 0, int sleepMs = 0);

}  // namespace testing_support
