#pragma once
// The session's end (a log-off, a shut-down) during a run. While a worker
// writes, Windows is given a reason that names the run to a player who ends
// the session; when it ends all the same, the worker stops and what it wrote is
// deleted before Windows ends the program. User-interface thread only.
#include <string>

// From now until allowSessionEnd(): the window's status line for the writing
// state (_state) is the reason Windows shows. Windows 6 and later; elsewhere
// nothing. A failure writes its line and changes nothing else.
void blockSessionEnd();
void allowSessionEnd();

// What a cancelled run's clean-up did with what it wrote, for the last line.
void noteRemoval(const std::wstring& path, bool removed);

// WM_ENDSESSION with TRUE. Windows ends the program soon after this returns:
// a writing worker is stopped, and its completion (which deletes what it wrote
// and ends the run) is served here, for a few seconds at most.
void onSessionEnd();

// Whether the session's end, rather than the player, cancelled the run.
bool sessionEnded();
