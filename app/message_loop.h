#pragma once
// The message loop and the one error box. User-interface thread only.
#include <windows.h>

#include <string>

// Runs the message loop until the run's own quit message (or a GetMessageW
// error); a quit message that another program posts, to the window or to the
// thread, is dropped.
void exec();

// Ends the run: posts the quit message (with code, as PostQuitMessage does)
// that the loop takes for the run's own. Every end of a run goes through here,
// never through PostQuitMessage itself (only the wait below hands back a quit
// it took meanwhile).
void endRun(int code);

// Waits on the user-interface thread without freezing the window: up to
// milliseconds for object (null: for nothing) to be signalled, or until
// *emptied (when given, a worker slot) is null, dispatching the thread's
// messages meanwhile (painting, closes, the session's end, other programs'
// questions); with no window it only waits. Answers as WaitForSingleObject
// would: WAIT_OBJECT_0 (also when the slot emptied), WAIT_TIMEOUT or
// WAIT_FAILED. A quit that arrives meanwhile is posted again once the wait is
// over, for the message loop to judge.
DWORD waitServingMessages(HANDLE object, DWORD milliseconds, void* const* emptied = nullptr);

// Whether exec() is running further up the stack. A state that needs the loop
// runs it only when it is not: there is one loop per run, and one quit ends it.
bool messageLoopRunning();

// Shows text in a modal "Oups!" error box without owner; blocks until closed.
void showErrorMessage(const std::wstring& text);
