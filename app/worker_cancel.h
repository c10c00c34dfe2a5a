#pragma once
// The player's cancel: the window closed while a worker writes. A cancelled
// run starts nothing more, removes what the worker wrote and exits with 1,
// without a box. The session's end (a log-off, a shut-down) cancels the same
// way; while a worker writes, Windows is given a reason that names the run to
// a player who ends the session. User-interface thread only.

// When the current state has a worker writing (the extraction, the download,
// the runtime's installer), asks it to stop at its next safe point, marks the run cancelled (_cancelled) and answers true: the
// message loop must then run on until the worker's completion message, whose
// handler cleans up and ends the run. False when no worker writes now.
bool cancelWritingWorker();

// The window's status lines while a worker writes: the reasons given.
const int SESSION_REASON_DOWNLOAD = 10001;
const int SESSION_REASON_INSTALLER = 10002;
const int SESSION_REASON_EXTRACTION = 10007;

// From now until blockSessionEnd(0), Windows shows message (one of the above)
// as the reason the run holds the session's end. Windows 6 and later;
// elsewhere nothing. A failure writes its line and changes nothing else.
void blockSessionEnd(int message);
