#pragma once
// The screen resolution the progress window is drawn at, and its lengths scaled
// to it. The program declares per-monitor awareness in its manifest: Windows then
// leaves the drawing to it instead of stretching a 96 DPI bitmap. Functions newer
// than the oldest supported Windows are looked up at run time; without them the
// screen's own DPI answers. Never fails: 96 is the last answer. User-interface thread.
#include <windows.h>

const UINT BASE_DPI = 96;  // the resolution every length of the window is given at

// The message Windows sends a per-monitor-aware window that moved to a screen of
// another DPI (WM_DPICHANGED, declared by the SDK only for Windows 7 and later).
const UINT DPI_CHANGED_MESSAGE = 0x02E0;

// length (given at 96 DPI) at dpi, rounded as Windows rounds (MulDiv).
int scaleForDpi(int length, UINT dpi);

// The DPI the system's stock objects (the GUI font) were made for: the screen's
// LOGPIXELSY, fixed for the process's life.
UINT systemDpi();

// The DPI of the primary screen, where the window is created.
UINT primaryScreenDpi();

// The DPI of the screen that shows window.
UINT windowDpi(HWND window);

// Answers DPI_CHANGED_MESSAGE: takes the rectangle Windows suggests (already at the new
// DPI; suggestion is its address) and repaints at that DPI. Another program may send
// the message with any lParam: a rectangle that cannot be read, or that no screen could
// show, is ignored, and only the repaint follows.
void onDpiChanged(HWND window, LPARAM suggestion);
