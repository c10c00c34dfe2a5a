#pragma once
// The message loop and the one error box. User-interface thread only.
#include <string>

// Runs the message loop until the run's own quit message (or a GetMessageW
// error); a quit message that another program posts to the window is dropped.
void exec();

// Whether exec() is running further up the stack. A state that needs the loop
// runs it only when it is not: there is one loop per run, and one quit ends it.
bool messageLoopRunning();

// Shows text in a modal "Oups!" error box without owner; blocks until closed.
void showErrorMessage(const std::wstring& text);
