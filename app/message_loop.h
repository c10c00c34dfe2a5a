#pragma once
// The message loop and the one error box. User-interface thread only.
#include <string>

// Runs the message loop until the run's own quit message (or a GetMessageW
// error); a quit message that another program posts, to the window or to the
// thread, is dropped.
void exec();

// Ends the run: posts the quit message (with code, as PostQuitMessage does)
// that the loop takes for the run's own. Every end of a run goes through here,
// never through PostQuitMessage itself.
void endRun(int code);

// Whether exec() is running further up the stack. A state that needs the loop
// runs it only when it is not: there is one loop per run, and one quit ends it.
bool messageLoopRunning();

// Shows text in a modal "Oups!" error box without owner; blocks until closed.
void showErrorMessage(const std::wstring& text);
