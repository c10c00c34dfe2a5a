// Placeholder until the window lands.
#include "ui/window.h"

bool createWindow(HINSTANCE) { return false; }
void refreshWindow(HWND) {}
