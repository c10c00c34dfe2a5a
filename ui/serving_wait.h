#pragma once
// Waiting on the user-interface thread without freezing the window: the
// thread's messages (painting, closes, the session's end, other programs'
// questions) are dispatched while it waits. User-interface thread only.
#include <windows.h>

// Waits up to milliseconds for object (null: for nothing) to be signalled, or
// until done() (when given) answers true, dispatching every message meanwhile.
// Answers as WaitForSingleObject would: WAIT_OBJECT_0, WAIT_TIMEOUT (also when
// done() ended it), or WAIT_FAILED. A quit message that arrives meanwhile is
// posted again once the wait is over, for the message loop to judge.
DWORD waitServingMessages(HANDLE object, DWORD milliseconds, bool (*done)() = nullptr);

// Whether such a wait is running further up the stack: the window procedure
// then must not enter a state that the waiting code is about to decide.
bool servingWaitRunning();
