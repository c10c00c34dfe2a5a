#pragma once
// The message loop and the one error box. User-interface thread only.
#include <string>

// Runs the message loop until the quit message (or a GetMessageW error).
void exec();

// Shows text in a modal "Oups!" error box without owner; blocks until closed.
void showErrorMessage(const std::wstring& text);
