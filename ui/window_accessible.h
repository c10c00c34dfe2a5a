#pragma once
// What the progress window tells screen readers and magnifiers (Active
// Accessibility): its client area, a dialog named after the title, with two
// simple children, each where the paint puts it: 1, the status line (static
// text, the very words painted) and 2, the bar (a progress bar whose value is
// the percentage, "42%"). User-interface thread only.
#include <windows.h>

#include "ui/status_line.h"

// Answers WM_GETOBJECT with the client's object, for OBJID_CLIENT only. False
// (the window procedure then leaves the message to DefWindowProc, as for every
// other object) when the libraries or the apartment cannot be had.
bool answerGetObject(HWND window, WPARAM flags, LPARAM objectId, LRESULT* answer);

// Raises the events a standard progress dialog raises, when what a reader
// speaks has changed since the last paint: the status line's name, the bar's
// value, the bar's showing or hiding. Called by every paint.
void announceChanges(HWND window, const StatusLine& line);

// The window goes: readers in other processes are cut off from the object it
// gave out (their calls fail at once), one in this process finds it answering
// CO_E_OBJNOTCONNECTED until it lets it go.
void forgetAccessible();
