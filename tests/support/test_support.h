#pragma once
// What the tests share: scratch folders and files, starting programs, and what the stand-in updater recorded.
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A fresh folder under the temporary folder, removed with everything in it on destruction.
struct ScratchDir {
  ScratchDir();
  ~ScratchDir();
  std::wstring operator/(const std::wstring& relative) const { return path + L"\\" + relative; }
  std::wstring path;
};

std::wstring buildDir();  // build/<arch>
inline std::wstring builtSetupPath() { return buildDir() + L"\\VorakSetup.exe"; }
inline std::wstring builtStandinPath() { return buildDir() + L"\\payload\\wayspanner.exe"; }
void writeFile(const std::wstring& path, const std::string& bytes);  // creates the folders above it
std::string readFile(const std::wstring& path);                      // empty when missing
bool pathExists(const std::wstring& path);
std::vector<std::wstring> listDir(const std::wstring& path);  // names, sorted, without "." and ".."
void makeParentDirs(const std::wstring& path);
bool copyFileTo(const std::wstring& from, const std::wstring& to);  // creates the target's folders

// A started process (none when the start failed); its handle goes with the last copy.
struct Child {
  std::shared_ptr<void> process;
  DWORD pid = 0;
  bool wait(DWORD timeoutMs, DWORD* exitCode = nullptr) const;  // true when it ended, with *exitCode set
};
// Starts "\"exe\" " + arguments (quoted already) in cwd (empty: inherited) with the current environment
// plus extra (a later pair of a name wins), its standard error to errorFile if named, flags added.
Child startProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& cwd = L"",
                   const std::vector<std::pair<std::wstring, std::wstring>>& extra = {},
                   const std::wstring& errorFile = L"", DWORD flags = 0);

// One run of the stand-in updater as it recorded it; args[0] is its program as started.
struct StandinRun {
  std::wstring exe, cwd;
  bool window = false;  // the bootstrap's window stood when it started
  std::vector<std::wstring> args;
};
std::vector<StandinRun> readRecord(const std::wstring& recordFile);

}  // namespace testing_support
