#pragma once
// The program's diagnostics: one line on the wide error stream, flushed at
// once, so that whoever reads a run's output sees why it failed even when the
// run ends abruptly, and the same line in the run's log (fs/run_log.h), which
// is where a player's support finds it. Any thread.

// Writes format (wide printf) with its values. Always false, so that a failure
// path can return it.
bool diagnose(const wchar_t* format, ...);
