#pragma once
// What the window and message tests share: the built bootstrap's resources as
// _instance, the one progress window of a test process, painting it in a given
// state, and reading its pixels back from the screen (Xvfb under Wine).
#include <windows.h>

#include <string>
#include <vector>

#include "app/application_state.h"

namespace ui_testing {

const COLORREF BACKGROUND = RGB(40, 40, 40);
const COLORREF SHIPPED_TEXT = RGB(160, 176, 38);
const COLORREF BAR_LEFT = RGB(239, 160, 24);
const COLORREF BAR_RIGHT = RGB(255, 221, 110);
const int WIDTH = 350;
const int HEIGHT = 65;

// Loads a bootstrap executable as a resource module (not run); null on failure.
HMODULE loadResourceModule(const std::wstring& exe);
// The built VorakSetup.exe of this architecture as _instance, loaded once.
void useBuiltResources();
// createWindow once per process; the window stays for the process's life.
HWND theWindow();
// Sets _state and thread as the state machine would (entering no state) and repaints at once.
void paintIn(ApplicationState state, void* worker);

struct Image {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // rows top first
  COLORREF at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
// The window's client area as it is on the screen.
Image capture(HWND window);
// What the paint should give: background, the icon (when given), the text in
// colour at its origin; no bar.
Image expectedPicture(HICON icon, const std::wstring& text, COLORREF colour);
// Pixels that differ inside [left, right) x [top, bottom); a few listed in *where.
int differences(const Image& a, const Image& b, int left, int top, int right, int bottom,
                std::string* where = nullptr);
bool nearColour(COLORREF a, COLORREF b, int tolerance);
// A 24-bit BMP of the image.
bool saveBmp(const Image& image, const std::wstring& path);

// GDI objects the process holds: GetGuiResources where it is implemented,
// otherwise measured from how many more objects can still be created.
long gdiObjectsInUse();

}  // namespace ui_testing
