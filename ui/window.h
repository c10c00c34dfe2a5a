#pragma once
// The progress window: creation and painting. User-interface thread only.
#include <windows.h>

// Registers the class and creates the centred borderless window into _window:
// 350x65 at 96 DPI, scaled to the primary screen's DPI.
bool createWindow(HINSTANCE instance);

// Paints the whole client area of window (the answer to WM_PAINT).
void refreshWindow(HWND window);
