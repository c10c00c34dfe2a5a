#pragma once
// Removing the bootstrap itself after an uninstall that the updater confirmed:
// a temporary copy, started in clean-up mode, deletes the executable (and its
// folder if that is then empty) once this process has ended. Silent: every
// failure leaves the bootstrap in place. User-interface thread (state 8); it
// blocks for at most 1 s (direct start), or until the elevated copy holds this
// process, at most 20 s.
#include <windows.h>

// The updater's exit code that reports a finished uninstall.
const DWORD UPDATER_EXIT_UNINSTALLED = 77;

void removeSelf();
