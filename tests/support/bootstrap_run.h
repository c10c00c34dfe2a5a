#pragma once
// A copy of the built bootstrap in a fresh game folder with its own temporary
// folder, run as a player would, pressing OK on the "Oups!" box it may show.
#include <functional>

#include "tests/support/test_support.h"

namespace testing_support {

struct ErrorBox {
  bool shown = false;
  std::wstring caption, text;
};
struct BootstrapOutcome {
  bool ended = false;
  DWORD exitCode = 0;
  ErrorBox box;
  DWORD windowGoneMs = 0;  // how long the program ran on after its window was last seen
};

struct BootstrapFixture {
  // A copy of program (the built bootstrap unless another is named) in a fresh game folder.
  explicit BootstrapFixture(const std::wstring& program = builtSetupPath());
  // The stand-in at gameDir\relative, with an exit code for it alone when exitCode >= 0.
  void installUpdater(const std::wstring& relative, int exitCode = -1);
  void putFile(const std::wstring& relative, const std::string& bytes = "") { writeFile(gameDir + L"\\" + relative, bytes); }
  bool replacePayload(const std::string& bytes);
  // The stand-in's record, exit code and sleep, and TMP and TEMP at tempDir.
  Environment environment(int updaterExitCode = 0, int updaterSleepMs = 0) const;
  // Runs the bootstrap with arguments (quoted already) from the scratch folder. act, when
  // given, is called with its window (null while none) until it answers true: what the player does.
  BootstrapOutcome run(const std::wstring& arguments, const Environment& env, DWORD timeoutMs = 120000,
                       const std::function<bool(HWND)>& act = nullptr);
  std::vector<StandinRun> updaterRuns() const { return readRecord(record); }
  std::vector<std::wstring> leftInTemp() const { return listDir(tempDir); }
  std::wstring message(int id) const;  // from the bootstrap's string table, as the platform chooses it

  ScratchDir scratch;
  std::wstring gameDir = scratch / L"game", tempDir = scratch / L"temp", record = scratch / L"record.txt",
               setup = gameDir + L"\\VorakSetup.exe";
};

// The first visible window of process pid of that class, or null.
HWND windowOf(DWORD pid, const wchar_t* className = L"VelmorBootstrapWindow");

}  // namespace testing_support
