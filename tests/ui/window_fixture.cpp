#include "tests/ui/window_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/globals.h"
#include "tests/support/test_support.h"
#include "ui/window.h"

namespace ui_testing {

HMODULE loadResourceModule(const std::wstring& exe) {
  return LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

void useBuiltResources() {
  static HMODULE built = loadResourceModule(testing_support::builtSetupPath());
  ASSERT_NE(built, nullptr) << "cannot load " << testing_support::toUtf8(testing_support::builtSetupPath());
  _instance = built;
}

HWND theWindow() {
  if (_window == nullptr) {
    // The class belongs to the test program; the texts and icons come from _instance.
    EXPECT_TRUE(createWindow(GetModuleHandleW(nullptr)));
  }
  return _window;
}

void paintIn(ApplicationState state, void* worker) {
  // Let whatever the window system queued (activation, focus, exposure) happen
  // first, as the bootstrap's message loop would, so it cannot follow our paint.
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  _state = state;
  thread = worker;
  InvalidateRect(theWindow(), nullptr, TRUE);
  UpdateWindow(theWindow());
  GdiFlush();
}

namespace {
// A top-down 32-bit DIB section selected into a fresh memory DC.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  DWORD* bits = nullptr;
  Canvas(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc = CreateCompatibleDC(nullptr);
    void* memory = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
    bits = static_cast<DWORD*>(memory);
    previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  Image image(int width, int height) const {
    GdiFlush();
    Image out;
    out.width = width;
    out.height = height;
    for (int i = 0; i < width * height; ++i) {
      DWORD p = bits[i];  // 0x00RRGGBB
      out.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
    }
    return out;
  }
};
}  // namespace

Image capture(HWND window) {
  Canvas canvas(WIDTH, HEIGHT);
  HDC screen = GetDC(window);
  BitBlt(canvas.dc, 0, 0, WIDTH, HEIGHT, screen, 0, 0, SRCCOPY);
  ReleaseDC(window, screen);
  return canvas.image(WIDTH, HEIGHT);
}

Image expectedPicture(HICON icon, const std::wstring& text, COLORREF colour) {
  Canvas canvas(WIDTH, HEIGHT);
  RECT all = {0, 0, WIDTH, HEIGHT};
  HBRUSH brush = CreateSolidBrush(BACKGROUND);
  FillRect(canvas.dc, &all, brush);
  DeleteObject(brush);
  if (icon) DrawIconEx(canvas.dc, 5, 5, icon, 48, 48, 0, nullptr, DI_NORMAL);
  SetBkMode(canvas.dc, TRANSPARENT);
  SetTextColor(canvas.dc, colour);
  HGDIOBJ font = SelectObject(canvas.dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE size = {};  // at (W - 100, 20), or ending 5 pixels from the right edge when it would not fit there
  GetTextExtentPoint32W(canvas.dc, text.c_str(), static_cast<int>(text.size()), &size);
  int left = size.cx > 95 ? WIDTH - 5 - size.cx : WIDTH - 100;
  TextOutW(canvas.dc, left, 20, text.c_str(), static_cast<int>(text.size()));
  SelectObject(canvas.dc, font);
  return canvas.image(WIDTH, HEIGHT);
}

int differences(const Image& a, const Image& b, int left, int top, int right, int bottom, std::string* where) {
  int count = 0;
  std::ostringstream list;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (a.at(x, y) == b.at(x, y)) continue;
      if (++count <= 5) list << "(" << x << "," << y << ") " << std::hex << a.at(x, y) << " vs " << b.at(x, y)
                             << std::dec << "; ";
    }
  }
  if (where) *where = list.str();
  return count;
}

bool nearColour(COLORREF a, COLORREF b, int tolerance) {
  return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

bool saveBmp(const Image& image, const std::wstring& path) {
  int stride = (image.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = image.width;
  info.biHeight = image.height;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = static_cast<DWORD>(stride * image.height);
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  for (int y = image.height - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < image.width; ++x) {
      COLORREF c = image.at(x, y);
      row[x * 3] = static_cast<char>(GetBValue(c));
      row[x * 3 + 1] = static_cast<char>(GetGValue(c));
      row[x * 3 + 2] = static_cast<char>(GetRValue(c));
    }
    bytes += row;
  }
  testing_support::writeFile(path, bytes);
  return testing_support::readFile(path).size() == bytes.size();
}

long gdiObjectsInUse() {
  DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<long>(counted);
  // Wine answers 0: count the objects that can still be made, up to a bound
  // above any GDI handle table, and take the rest as used.
  const long PROBE_LIMIT = 200000;
  std::vector<HBRUSH> probes;
  for (long i = 0; i < PROBE_LIMIT; ++i) {
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    if (brush == nullptr) break;
    probes.push_back(brush);
  }
  for (HBRUSH brush : probes) DeleteObject(brush);
  return PROBE_LIMIT - static_cast<long>(probes.size());
}

}  // namespace ui_testing
