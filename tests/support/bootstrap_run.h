#pragma once
// A copy of the built bootstrap in a fresh game folder, with its own temporary
// folder, run as a player would; and the "Oups!" box it may show.
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace testing_support {

// What an "Oups!" box said before the test closed it.
struct ErrorBox {
  bool shown = false;
  std::wstring caption;
  std::wstring text;
};

struct BootstrapOutcome {
  bool ended = false;
  DWORD exitCode = 0;
  ErrorBox box;
};

class BootstrapFixture {
 public:
  // A copy of program (the built bootstrap unless another is named) in a fresh game folder.
  explicit BootstrapFixture(const std::wstring& program = builtSetupPath());

  // Puts the stand-in updater at gameDir\relative (and an exit code for it
  // alone when exitCode >= 0).
  void installUpdater(const std::wstring& relative, int exitCode = -1);
  void putFile(const std::wstring& relative, const std::string& bytes = std::string());

  // Replaces the payload of the copied bootstrap with bytes.
  bool replacePayload(const std::string& bytes);

  // Environment for the run: the stand-in's record, exit code and sleep, and
  // TMP/TEMP pointing at tempDir.
  Environment environment(int updaterExitCode = 0, int updaterSleepMs = 0) const;

  // Runs the bootstrap with arguments (already quoted), from the scratch
  // folder; closes an "Oups!" box if one appears, as a player would.
  // act, when given, is called every 100 ms with the bootstrap's window (null
  // while it has none) until it answers true: what the player does meanwhile.
  BootstrapOutcome run(const std::wstring& arguments, const Environment& env, DWORD timeoutMs = 120000,
                       const std::function<bool(HWND)>& act = nullptr);

  std::vector<StandinRun> updaterRuns() const { return readRecord(record); }
  // Entries left in the bootstrap's temporary folder.
  std::vector<std::wstring> leftInTemp() const { return listDir(tempDir); }
  // A message of the bootstrap's own string table, as the platform chooses it.
  std::wstring message(int id) const;

  ScratchDir scratch;
  std::wstring gameDir, tempDir, record, setup;
};

// The progress window of process pid, or null.
HWND windowOf(DWORD pid);

// Finds an "Oups!"-style dialog of process pid, reads it and presses its button.
ErrorBox closeErrorBoxOf(DWORD pid);

}  // namespace testing_support
