// Painting the progress window: icon, status line and progress bar, composed
// off screen and copied in one BitBlt (except for the one paint after focus),
// at the DPI of the screen that shows the window.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "app/globals.h"
#include "fs/system_library.h"
#include "ui/status_line.h"
#include "ui/window.h"
#include "ui/window_accessible.h"
#include "ui/window_dpi.h"

namespace {

const COLORREF BACKGROUND = RGB(40, 40, 40);

// RT_RCDATA values of the module: the icon group (16 bits) and the text colour (32 bits, 0x00RRGGBB).
const int ICON_ID_RESOURCE = 10;
const DWORD ICON_ID_BYTES = 2;
const int TEXT_COLOR_RESOURCE = 11;
const DWORD TEXT_COLOR_BYTES = 4;
// Used when the colour value is missing or short, so the line stays readable.
const COLORREF SHIPPED_TEXT_COLOR = RGB(160, 176, 38);

// Lengths at 96 DPI; each paint scales them to the window's DPI.
const int ICON_LEFT = 5;
const int ICON_TOP = 5;
const int ICON_SIZE = 48;
const int TEXT_FROM_RIGHT = 100;  // the usual origin, kept for every line that fits there
const int TEXT_TOP = 20;
const int TEXT_RIGHT_MARGIN = 5;  // as the bar's
const int TEXT_ICON_GAP = 8;      // the least room between the icon and a line moved left
const int BAR_MARGIN = 5;        // left and right of the full bar
const int BAR_TOP_FROM_BOTTOM = 10;
const int BAR_BOTTOM_FROM_BOTTOM = 5;
const COLOR16 BAR_LEFT_RED = 0xEF00, BAR_LEFT_GREEN = 0xA000, BAR_LEFT_BLUE = 0x1800;
const COLOR16 BAR_RIGHT_RED = 0xFF00, BAR_RIGHT_GREEN = 0xDD00, BAR_RIGHT_BLUE = 0x6E00;

// The bytes of RCDATA id, or null when it is missing or shorter than size.
const BYTE* windowValue(int id, DWORD size) {
  HRSRC info = FindResourceW(_instance, MAKEINTRESOURCEW(id), RT_RCDATA);
  if (info == nullptr || SizeofResource(_instance, info) < size) return nullptr;
  HGLOBAL data = LoadResource(_instance, info);
  return data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
}

// LoadImageW takes the group's image nearest to size and scales it only when none is that size.
HICON loadWindowIcon(int size) {
  const BYTE* value = windowValue(ICON_ID_RESOURCE, ICON_ID_BYTES);
  if (value == nullptr) return nullptr;
  WORD id = static_cast<WORD>(value[0] | (value[1] << 8));
  return static_cast<HICON>(LoadImageW(_instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

// The status line's font at dpi: the stock GUI font, which was made for the
// system DPI, or its like at the height the window's screen needs. Kept until
// the window moves to a screen of another DPI.
HGDIOBJ statusFont(UINT dpi) {
  HGDIOBJ stock = GetStockObject(DEFAULT_GUI_FONT);
  LOGFONTW font;
  if (dpi == systemDpi() || GetObjectW(stock, sizeof(font), &font) != sizeof(font)) return stock;
  static HFONT scaled = nullptr;
  static UINT scaledDpi = 0;
  if (scaled == nullptr || scaledDpi != dpi) {
    if (scaled) DeleteObject(scaled);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(systemDpi()));
    scaled = CreateFontIndirectW(&font);
    scaledDpi = dpi;
  }
  return scaled ? scaled : stock;
}

// The window's lengths at one DPI.
struct Layout {
  int iconLeft, iconTop, iconSize, textFromRight, textTop, textRightMargin, textIconGap;
  int barMargin, barTopFromBottom, barBottomFromBottom;
};

Layout layoutAt(UINT dpi) {
  return {scaleForDpi(ICON_LEFT, dpi),           scaleForDpi(ICON_TOP, dpi),
          scaleForDpi(ICON_SIZE, dpi),           scaleForDpi(TEXT_FROM_RIGHT, dpi),
          scaleForDpi(TEXT_TOP, dpi),            scaleForDpi(TEXT_RIGHT_MARGIN, dpi),
          scaleForDpi(TEXT_ICON_GAP, dpi),       scaleForDpi(BAR_MARGIN, dpi),
          scaleForDpi(BAR_TOP_FROM_BOTTOM, dpi), scaleForDpi(BAR_BOTTOM_FROM_BOTTOM, dpi)};
}

COLORREF loadTextColor() {
  const BYTE* value = windowValue(TEXT_COLOR_RESOURCE, TEXT_COLOR_BYTES);
  if (value == nullptr) return SHIPPED_TEXT_COLOR;
  uint32_t v = value[0] | (value[1] << 8) | (value[2] << 16) | (static_cast<uint32_t>(value[3]) << 24);
  // Stored as 0x00RRGGBB; a COLORREF is 0x00BBGGRR.
  return ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
}

// Where the line goes: at the usual origin when it ends inside the right
// margin there; else moved left just enough, never over the icon; and a line
// too long even for that is wrapped in the room beside the icon, so it is
// always whole. rect: the text's own rectangle.
struct LinePlace {
  bool wrapped;
  RECT room;  // where a wrapped line is drawn
  RECT rect;
};

LinePlace placeLine(HDC dc, const std::wstring& text, const Layout& at, int width, int height) {
  int length = static_cast<int>(text.size());
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.c_str(), length, &size);
  int right = width - at.textRightMargin;
  int leftmost = at.iconLeft + at.iconSize + at.textIconGap;
  if (size.cx > right - leftmost) {
    LinePlace place = {true, {leftmost, at.iconTop, right, height - at.barTopFromBottom}, {}};
    place.rect = place.room;
    DrawTextW(dc, text.c_str(), length, &place.rect, DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    return place;
  }
  int left = width - at.textFromRight;
  if (left + size.cx > right) left = right - size.cx;
  return {false, {}, {left, at.textTop, left + size.cx, at.textTop + size.cy}};
}

void drawLine(HDC dc, const std::wstring& text, const Layout& at, int width, int height) {
  LinePlace place = placeLine(dc, text, at, width, height);
  int length = static_cast<int>(text.size());
  if (place.wrapped)
    DrawTextW(dc, text.c_str(), length, &place.room, DT_WORDBREAK | DT_NOPREFIX);
  else
    TextOutW(dc, place.rect.left, place.rect.top, text.c_str(), length);
}

void drawBar(HDC dc, double fraction, const Layout& at, int width, int height) {
  TRIVERTEX ends[2];
  ends[0].x = at.barMargin;
  ends[0].y = height - at.barTopFromBottom;
  ends[0].Red = BAR_LEFT_RED;
  ends[0].Green = BAR_LEFT_GREEN;
  ends[0].Blue = BAR_LEFT_BLUE;
  ends[0].Alpha = 0;
  ends[1].x = at.barMargin + static_cast<LONG>(std::ceil(fraction * (width - 2 * at.barMargin)));
  ends[1].y = height - at.barBottomFromBottom;
  ends[1].Red = BAR_RIGHT_RED;
  ends[1].Green = BAR_RIGHT_GREEN;
  ends[1].Blue = BAR_RIGHT_BLUE;
  ends[1].Alpha = 0;
  GRADIENT_RECT rect = {0, 1};
  // Loaded once, from the system folder, and kept: every paint may need it.
  static HMODULE library = loadSystemLibrary(L"msimg32.dll");
  static auto gradientFill = systemFunction<decltype(&::GradientFill)>(library, "GradientFill");
  if (gradientFill != nullptr) gradientFill(dc, ends, 2, &rect, 1, GRADIENT_FILL_RECT_H);
}

}  // namespace

void refreshWindow(HWND window) {
  UINT dpi = windowDpi(window);
  Layout at = layoutAt(dpi);
  static HICON _iconHandle = nullptr;
  static int iconSize = 0;
  if (_iconHandle == nullptr || iconSize != at.iconSize) {
    // The first paint, or the first on a screen of another DPI.
    if (_iconHandle) DestroyIcon(_iconHandle);
    _iconHandle = loadWindowIcon(at.iconSize);
    iconSize = at.iconSize;
    FG_COLOR = loadTextColor();
  }

  HBRUSH background = CreateSolidBrush(BACKGROUND);
  HGDIOBJ font = statusFont(dpi);
  RECT client;
  GetClientRect(window, &client);
  int width = client.right;
  int height = client.bottom;

  PAINTSTRUCT paint;
  HDC paintDc = BeginPaint(window, &paint);

  HDC dc = paintDc;
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ paintBitmap = nullptr;
  if (_double_buffering) {
    memory = CreateCompatibleDC(paintDc);
    bitmap = memory ? CreateCompatibleBitmap(paintDc, width, height) : nullptr;
    if (bitmap) {
      paintBitmap = SelectObject(memory, bitmap);
      dc = memory;
    } else if (memory) {
      // Out of GDI resources: this paint draws straight to the screen.
      DeleteDC(memory);
      memory = nullptr;
    }
  }

  SetBkMode(dc, TRANSPARENT);
  FillRect(dc, &client, background);
  if (_iconHandle) DrawIconEx(dc, at.iconLeft, at.iconTop, _iconHandle, at.iconSize, at.iconSize, 0, nullptr, DI_NORMAL);

  StatusLine line = statusLine();
  announceChanges(window, line);
  if (line.fraction > 0) drawBar(dc, line.fraction, at, width, height);
  SetTextColor(dc, FG_COLOR);
  HGDIOBJ previousFont = SelectObject(dc, font);
  drawLine(dc, line.text, at, width, height);
  SelectObject(dc, previousFont);

  if (memory) {
    BitBlt(paintDc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, paintBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
  } else {
    _double_buffering = true;
  }
  EndPaint(window, &paint);
  DeleteObject(background);
}

RECT statusTextRect(HWND window, const std::wstring& text) {
  UINT dpi = windowDpi(window);
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  HGDIOBJ previousFont = SelectObject(dc, statusFont(dpi));
  RECT rect = placeLine(dc, text, layoutAt(dpi), client.right, client.bottom).rect;
  SelectObject(dc, previousFont);
  ReleaseDC(window, dc);
  return rect;
}

RECT progressBarRect(HWND window) {
  Layout at = layoutAt(windowDpi(window));
  RECT client;
  GetClientRect(window, &client);
  return {at.barMargin, client.bottom - at.barTopFromBottom, client.right - at.barMargin,
          client.bottom - at.barBottomFromBottom};
}
