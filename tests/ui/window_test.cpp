// The progress window as a player sees it: made by createWindow, painted by the real window procedure,
// its pixels read back from the headless screen; and the resources the built program carries.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <climits>

#include "app/globals.h"
#include "app/messages.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"
#include "tests/support/test_support.h"
#include "ui/window.h"

using namespace testing_support;

namespace {

// The screen's DPI (the Wine prefix's LogPixels), and a length given at 96 DPI at it, rounded as Windows rounds.
const int DPI = GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), DPIS[] = {96, 120, 144, 192};
int at(int length) { return MulDiv(length, DPI, 96); }
const int WIDTH = at(350), HEIGHT = at(65), BAR_TOP = HEIGHT - at(10), BAR_BOTTOM = HEIGHT - at(5);
const DWORD BACKGROUND = 0x282828, BAR_LEFT = 0xEFA018, BAR_RIGHT = 0xFFDD6E;  // 0x00RRGGBB

// What draw puts on a WIDTH x HEIGHT canvas, as 0x00RRGGBB pixels, rows top first.
template <typename Draw>
std::vector<DWORD> picture(Draw draw) {
  BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), WIDTH, -HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  HDC dc = CreateCompatibleDC(nullptr);
  DWORD* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  draw(dc);
  GdiFlush();
  std::vector<DWORD> pixels(bits, bits + WIDTH * HEIGHT);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

bool alike(DWORD a, DWORD b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > tolerance) return false;
  return true;
}

const HMODULE BUILT = LoadLibraryExW(builtSetupPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);

// The test program's one window, with the built program's resources, set to a
// state and worker as the state machine would and repainted at once (after what
// the window system queued, as the program's loop would); what the screen shows.
std::vector<DWORD> paint(ApplicationState state, void* worker, bool focus = false) {
  if (_window == nullptr) _instance = BUILT, createWindow(GetModuleHandleW(nullptr));
  for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
  _state = state;
  thread = worker;
  if (focus) SendMessageW(_window, WM_SETFOCUS, 0, 0);  // the next paint draws straight to the screen
  InvalidateRect(_window, nullptr, TRUE);
  UpdateWindow(_window);
  thread = nullptr;
  return picture([](HDC dc) {
    HDC screen = GetDC(_window);
    BitBlt(dc, 0, 0, WIDTH, HEIGHT, screen, 0, 0, SRCCOPY);
    ReleaseDC(_window, screen);
  });
}

// What a screen reader finds of one part of the window (1 the status line, 2 the bar): its name (the bar's
// value), and its place in the window.
std::wstring reads(LONG part) {
  const IID accessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  IAccessible* client = nullptr;
  if (FAILED(AccessibleObjectFromWindow(_window, OBJID_CLIENT, accessible, reinterpret_cast<void**>(&client)))) return L"";
  VARIANT child = {};
  child.vt = VT_I4, child.lVal = part;
  BSTR text = nullptr;
  LONG x = 0, y = 0, width = 0, height = 0;
  RECT window = {};
  part == 2 ? client->get_accValue(child, &text) : client->get_accName(child, &text);
  client->accLocation(&x, &y, &width, &height, child), client->Release(), GetWindowRect(_window, &window);
  std::wstring said = std::wstring(text ? text : L"") + L" at " + std::to_wstring(x - window.left) + L"," +
                      std::to_wstring(y - window.top) + L" " + std::to_wstring(width) + L"x" + std::to_wstring(height);
  SysFreeString(text);
  return said;
}

// Borderless, centred and titled from its message; each state's line (the icon at (5, 5), the text from its origin
// in the shipped colour) and the bar under it: columns 5 to barEnd (at 96, 120, 144 and 192 DPI), from orange to
// light; every length scaled.
TEST(Window, PaintsTheLineAndTheBarOfEachState) {
  paint(StateNone, nullptr);
  RECT rect, client;
  wchar_t title[64] = {};
  GetWindowRect(_window, &rect), GetClientRect(_window, &client), GetWindowTextW(_window, title, 64);
  EXPECT_EQ(title, tr(10005));
  int left = (GetSystemMetrics(SM_CXSCREEN) - WIDTH) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - HEIGHT) / 2;
  EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right, rect.bottom, client.right, client.bottom}),
            std::vector<LONG>({left, top, left + WIDTH, top + HEIGHT, WIDTH, HEIGHT}));
  const struct { ApplicationState state; int message; const wchar_t* after; int32_t total, received; int barEnd[4]; bool focus; }
  rows[] = {{StateFailed, 0, L"", 0, 0, {}, true},  // barEnd {}: no bar
              {StateRedistInstall, 10002, L"", 0, 0, {}},
              {StateLaunchExtracted, 10003, L"", 0, 0, {}, true},
              {StateExtracting, 10007, L" 0%", 0, 0, {}},
              {StateRedistDownload, 10001, L" 0%", 1000, 0, {}},
              {StateRedistDownload, 10001, L" 1%", INT32_MAX, 1, {6, 7, 9, 11}},  // the smallest part: one column
              {StateRedistDownload, 10001, L" 42%", 100, 42, {148, 185, 222, 296}, true},
              {StateRedistDownload, 10001, L" 100%", 5000, 5000, {345, 432, 517, 690}},  // to the right margin
              {StateRedistDownload, 10001, L" 340 KB", DOWNLOAD_LENGTH_UNKNOWN, 340 * 1024 - 5, {}},
              {StateRedistDownload, 10001, L" 5.3 MB", DOWNLOAD_LENGTH_UNKNOWN, 5 * 1024 * 1024 + 300 * 1024, {}}};
  long column = std::find(DPIS, DPIS + 4, DPI) - DPIS;
  ASSERT_LT(column, 4) << DPI << " DPI";
  HICON icon = static_cast<HICON>(LoadImageW(BUILT, MAKEINTRESOURCEW(5), IMAGE_ICON, at(48), at(48), 0));
  ExtractionThread extraction(nullptr);
  DownloadThread download(nullptr, L"", L"", L"");
  for (const auto& row : rows) {
    download.counters().total = row.total;
    download.counters().received = row.received;
    std::vector<DWORD> shown = paint(row.state, row.state == StateExtracting ? (void*)&extraction : &download, row.focus);
    std::wstring line = tr(row.message) + row.after;
    thread = row.state == StateExtracting ? (void*)&extraction : &download;  // for the reader, as while it painted
    std::vector<DWORD> expected = picture([&](HDC dc) {
      RECT all = {0, 0, WIDTH, HEIGHT};
      HBRUSH background = CreateSolidBrush(RGB(40, 40, 40));
      FillRect(dc, &all, background);
      DeleteObject(background);
      DrawIconEx(dc, at(5), at(5), icon, at(48), at(48), 0, nullptr, DI_NORMAL);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(160, 176, 38));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SIZE size = {};  // from W - 100, or ending 5 pixels from the right edge when it would not fit there
      GetTextExtentPoint32W(dc, line.c_str(), int(line.size()), &size);
      TextOutW(dc, std::min<int>(WIDTH - at(100), WIDTH - at(5) - size.cx), at(20), line.c_str(), int(line.size()));
      // A reader finds the line where it is drawn, and the bar's whole track with its percentage (0 without one).
      EXPECT_EQ(reads(1), line + L" at " + std::to_wstring(std::min<int>(WIDTH - at(100), WIDTH - at(5) - size.cx)) + L"," +
                              std::to_wstring(at(20)) + L" " + std::to_wstring(size.cx) + L"x" + std::to_wstring(size.cy));
    });
    std::wstring percent = !line.empty() && line.back() == L'%' ? line.substr(line.rfind(L' ') + 1) : L"0%";
    EXPECT_EQ(reads(2), percent + L" at " + std::to_wstring(at(5)) + L"," + std::to_wstring(BAR_TOP) + L" " +
                            std::to_wstring(WIDTH - 2 * at(5)) + L"x" + std::to_wstring(BAR_BOTTOM - BAR_TOP));
    thread = nullptr;
    long differs = std::mismatch(shown.begin(), shown.begin() + WIDTH * BAR_TOP, expected.begin()).first - shown.begin();
    EXPECT_EQ(differs, WIDTH * BAR_TOP) << line << ": differs from " << differs % WIDTH << "," << differs / WIDTH;
    EXPECT_TRUE(alike(shown[at(35) * WIDTH + at(29)], BAR_LEFT, 40)) << "the icon's orange V";
    int barEnd = row.barEnd[column];
    for (int y = BAR_TOP - 1; y <= BAR_BOTTOM; ++y)
      for (int x = 0; x < WIDTH; ++x)
        ASSERT_EQ(shown[y * WIDTH + x] != BACKGROUND, x >= at(5) && x < barEnd && y >= BAR_TOP && y < BAR_BOTTOM)
            << line << " at " << x << "," << y;
    if (barEnd > at(100))
      EXPECT_TRUE(alike(shown[BAR_TOP * WIDTH + at(5)], BAR_LEFT, 2) && alike(shown[BAR_TOP * WIDTH + barEnd - 1], BAR_RIGHT, 3));
  }
  DestroyIcon(icon);
}

// Objects in use: how many fewer can still be made (Wine's GetGuiResources answers 0).
long gdiObjectsInUse() {
  std::vector<HBRUSH> brushes;
  for (HBRUSH brush; brushes.size() < 200000 && (brush = CreateSolidBrush(1)) != nullptr;) brushes.push_back(brush);
  for (HBRUSH brush : brushes) DeleteObject(brush);
  return 200000 - long(brushes.size());
}

// An icon's width and a digest (FNV-1a) of its colour and mask as 32-bit pixels; the icon goes.
std::pair<LONG, DWORD> iconPixels(HICON icon) {
  static HDC screen = GetDC(nullptr);
  ICONINFO info = {};
  BITMAP colour = {};
  GetIconInfo(icon, &info), GetObjectW(info.hbmColor, sizeof(colour), &colour), DestroyIcon(icon);
  BITMAPINFO format = {{sizeof(BITMAPINFOHEADER), colour.bmWidth, -colour.bmWidth, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
  DWORD digest = 2166136261u;
  for (HBITMAP bitmap : {info.hbmColor, info.hbmMask}) {
    std::vector<BYTE> bits(colour.bmWidth * colour.bmWidth * 4);
    GetDIBits(screen, bitmap, 0, colour.bmWidth, bits.data(), &format, DIB_RGB_COLORS);
    for (BYTE byte : bits) digest = (digest ^ byte) * 16777619u;
    DeleteObject(bitmap);
  }
  return {colour.bmWidth, digest};
}

// Resources no run reads, by (type, name, language), and what each holds; the languages test reads the messages.
// Each icon group lists its sizes in order, and each image decodes to its pixels, both read by id as the window
// does (LoadImageW) and by index as Explorer does (PrivateExtractIconsW).
TEST(Resources, AreAllThere) {
  const std::vector<std::pair<int, DWORD>> product = {{48, 0xCC50FCE5}, {32, 0x28CD31BD}, {16, 0x4A278A75}};
  const struct { int group; std::vector<std::pair<int, DWORD>> images; } icons[] = {{2, product}, {3, product},
      {4, product}, {5, {{96, 0xD023FAED}, {72, 0xE1F74FFD}, {64, 0xF7EFFBB9}, {60, 0x6F98B215}, {48, 0xCC50FCE5}}}};
  for (const auto& row : icons) {
    auto* group = static_cast<const BYTE*>(LockResource(LoadResource(BUILT, FindResourceExW(BUILT, RT_GROUP_ICON,
        MAKEINTRESOURCEW(row.group), 1033))));
    ASSERT_TRUE(group != nullptr && group[4] == row.images.size()) << row.group;
    for (size_t i = 0; i < row.images.size(); ++i) {
      int size = row.images[i].first;
      HICON extracted = nullptr;
      PrivateExtractIconsW(builtSetupPath().c_str(), int(&row - icons), size, size, &extracted, nullptr, 1, 0);
      EXPECT_EQ(group[6 + 14 * i], size) << row.group;
      for (HICON icon : {HICON(LoadImageW(BUILT, MAKEINTRESOURCEW(row.group), IMAGE_ICON, size, size, 0)), extracted})
        EXPECT_EQ(iconPixels(icon), std::make_pair(LONG(size), row.images[i].second)) << row.group << " " << size;
    }
  }
  const struct { const wchar_t *type, *name; WORD language; const char* holds; } rows[] = {{RT_MANIFEST, MAKEINTRESOURCEW(1), 1033, "level=\"asInvoker\""},
              {RT_MANIFEST, MAKEINTRESOURCEW(1), 1033, ">true/pm</dpiAware>"}, {RT_MANIFEST, MAKEINTRESOURCEW(1), 1033, ">PerMonitorV2, PerMonitor</dpiAwareness>"}, {RT_VERSION, MAKEINTRESOURCEW(1), 1033, ""},
              {L"DATA", L"__GDF_XML", 1024, "<GameDefinition"}, {L"DATA", L"__GDF_XML", 1033, "<GameDefinition"}};
  for (const auto& row : rows) {
    HRSRC found = FindResourceExW(BUILT, row.type, row.name, row.language);
    ASSERT_NE(found, nullptr) << row.holds;
    EXPECT_NE(std::string(static_cast<const char*>(LockResource(LoadResource(BUILT, found))), SizeofResource(BUILT, found))
                  .find(row.holds), std::string::npos) << row.holds;
  }
}

// Every status line of the ten tables (the download's at its longest) lies whole between the icon and the
// margin; painted with and without focus, the lines leak no GDI object.
TEST(Window, EveryLanguagesLinesStayBetweenTheIconAndTheRightMargin) {
  DownloadThread download(nullptr, L"", L"", L"");
  download.counters().total = DOWNLOAD_LENGTH_UNKNOWN, download.counters().received = 1000 * 1024 * 1024;  // "1000.0 MB"
  paint(StateNone, nullptr);
  long objects = gdiObjectsInUse();
  for (LANGID language : {0x0409, 0x0407, 0x040A, 0x040C, 0x0410, 0x0416, 0x0419, 0x041E, 0x042A, 0x0804}) {
    for (int id : {10001, 10002, 10003, 10007}) {
      auto* entry = static_cast<const WCHAR*>(LockResource(LoadResource(
          _instance, FindResourceExW(_instance, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language))));
      for (int i = 0; i < id % 16; ++i) entry += 1 + *entry;
      translations[id] = std::wstring(entry + 1, *entry);
    }
    for (ApplicationState state : {StateRedistDownload, StateRedistInstall, StateLaunchExtracted, StateExtracting}) {
      std::vector<DWORD> shown = paint(state, state == StateRedistDownload ? &download : nullptr, state == StateExtracting);
      for (int y = 0; y < BAR_TOP; ++y)  // nothing in the gap right of the icon nor in the right margin
        for (int x : {at(53), at(56), at(60), WIDTH - at(5), WIDTH - 1})
          ASSERT_EQ(shown[y * WIDTH + x], BACKGROUND) << std::hex << language << " " << state << " at " << x << "," << y;
    }
  }
  translations.clear();
  EXPECT_EQ(gdiObjectsInUse(), objects);
}
// On a screen of another DPI the window stands where Windows suggests. Read as the program leaves it, before the
// window manager's answers come in: a late answer to an earlier move would undo it. Last of the window's tests,
// so that no answer reaches the pixels read by another.
TEST(Window, MovesWhereWindowsSuggests) {
  paint(StateNone, nullptr);
  RECT to = {1, 2, 101, 52}, rect;
  SendMessageW(_window, 0x02E0, MAKEWPARAM(DPI, DPI), LPARAM(&to));
  GetWindowRect(_window, &rect);
  EXPECT_TRUE(EqualRect(&to, &rect)) << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
}
}  // namespace
