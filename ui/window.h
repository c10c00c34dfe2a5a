#pragma once
// The progress window: creation and painting. User-interface thread only.
#include <windows.h>

#include <string>

// Registers the class and creates the centred borderless window into _window:
// 350x65 at 96 DPI, scaled to the primary screen's DPI.
bool createWindow(HINSTANCE instance);

// Paints the whole client area of window (the answer to WM_PAINT).
void refreshWindow(HWND window);

// Where the paint puts the status line text (its own rectangle) and the bar
// (its whole track, filled from the left), in window's client coordinates at
// its DPI: what screen readers and magnifiers are told.
RECT statusTextRect(HWND window, const std::wstring& text);
RECT progressBarRect(HWND window);
