#pragma once
// What the tests share: scratch folders and files, the built programs, starting
// a program with extra environment, and what the stand-in updater recorded.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

std::string toUtf8(const std::wstring& text);

// A fresh folder under the temporary folder, removed with everything in it on destruction.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  const std::wstring& path() const { return _path; }
  std::wstring operator/(const std::wstring& relative) const { return _path + L"\\" + relative; }
  std::wstring _path;
};

std::wstring buildDir();  // build/<arch>
inline std::wstring builtSetupPath() { return buildDir() + L"\\VorakSetup.exe"; }
inline std::wstring builtStandinPath() { return buildDir() + L"\\payload\\wayspanner.exe"; }
void writeFile(const std::wstring& path, const std::string& bytes);  // creates the folders above it
std::string readFile(const std::wstring& path);                      // empty when missing
bool pathExists(const std::wstring& path);
bool isDirectory(const std::wstring& path);
void removeTree(const std::wstring& path);
std::vector<std::wstring> listDir(const std::wstring& path);  // names, sorted, without "." and ".."
void makeParentDirs(const std::wstring& path);
bool copyFileTo(const std::wstring& from, const std::wstring& to);  // creates the target's folders

using Environment = std::vector<std::pair<std::wstring, std::wstring>>;
// A started process; its handle closes on destruction (the process runs on).
struct Child {
  HANDLE process = nullptr;
  DWORD pid = 0;
  Child() = default;
  Child(Child&& other) noexcept : process(other.process), pid(other.pid) { other.process = nullptr; }
  Child& operator=(Child&& other) noexcept { return std::swap(process, other.process), pid = other.pid, *this; }
  ~Child() {
    if (process) CloseHandle(process);
  }
  bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;  // true when it ended, with *exitCode set
};
// Starts "\"exe\" " + arguments (quoted already) in cwd (empty: inherited) with
// the current environment plus extra; a failed start gives no process.
Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd = L"",
                   const Environment& extra = Environment());
struct RunResult {
  bool ended = false;
  DWORD exitCode = 0;
};
RunResult runProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd = L"",
                     const Environment& extra = Environment(), DWORD timeoutMs = 60000);

// One run of the stand-in updater as it recorded it; args[0] is its program as started.
struct StandinRun {
  DWORD pid = 0;
  std::wstring exe, cwd, bootstrap;
  bool window = false;  // the bootstrap's window stood when it started
  std::vector<std::wstring> args;
};
std::vector<StandinRun> readRecord(const std::wstring& recordFile);
Environment standinEnvironment(const std::wstring& recordFile, int exitCode = 0, int sleepMs = 0);

}  // namespace testing_support
