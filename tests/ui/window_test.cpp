// The progress window as a user sees it: created by createWindow, painted by the
// real window procedure, pixels read back from the screen.
#include <gtest/gtest.h>

#include <climits>

#include "app/globals.h"
#include "app/messages.h"
#include "tasks/download_thread.h"
#include "tasks/extraction_thread.h"
#include "tests/support/test_support.h"
#include "tests/ui/window_fixture.h"

using namespace ui_testing;

namespace {

const int BAR_TOP = HEIGHT - 10;
const int BAR_BOTTOM = HEIGHT - 5;  // exclusive

class ProgressWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    useBuiltResources();
    theWindow();
  }
  void TearDown() override { thread = nullptr; }

  static HICON windowIcon() {
    static HICON icon = static_cast<HICON>(LoadImageW(_instance, MAKEINTRESOURCEW(5), IMAGE_ICON, 48, 48, 0));
    return icon;
  }

  // The picture of a paint in state with worker, against the line text and no bar.
  static void expectPictureWithoutBar(ApplicationState state, void* worker, const std::wstring& text) {
    paintIn(state, worker);
    Image shown = capture(_window);
    std::string where;
    EXPECT_EQ(differences(shown, expectedPicture(windowIcon(), text, SHIPPED_TEXT), 0, 0, WIDTH, HEIGHT, &where), 0)
        << "state " << state << ", line \"" << testing_support::toUtf8(text) << "\": " << where;
  }

  // Paints a download with these counters and returns the picture.
  static Image paintDownload(int32_t total, int32_t received) {
    static DownloadThread worker(nullptr, L"", L"", L"");
    worker.counters().total = total;
    worker.counters().received = received;
    paintIn(StateRedistDownload, &worker);
    return capture(_window);
  }

  // Columns [5, end) of the bar rows hold bar colours, the rest of those rows the background.
  static void expectBarUpTo(const Image& shown, int end) {
    for (int y = BAR_TOP; y < BAR_BOTTOM; ++y) {
      for (int x = 0; x < WIDTH; ++x) {
        bool inBar = x >= 5 && x < end;
        if (inBar) {
          ASSERT_NE(shown.at(x, y), BACKGROUND) << "bar missing at (" << x << "," << y << ")";
        } else {
          ASSERT_EQ(shown.at(x, y), BACKGROUND) << "bar overflows at (" << x << "," << y << ")";
        }
      }
    }
    EXPECT_EQ(shown.at(5, BAR_TOP - 1), BACKGROUND);
    EXPECT_EQ(shown.at(5, BAR_BOTTOM), BACKGROUND);
  }
};

TEST_F(ProgressWindow, IsBorderlessCentredAndTitledFromItsMessage) {
  RECT window;
  GetWindowRect(_window, &window);
  EXPECT_EQ(window.right - window.left, WIDTH);
  EXPECT_EQ(window.bottom - window.top, HEIGHT);
  EXPECT_EQ(window.left, (GetSystemMetrics(SM_CXSCREEN) - WIDTH) / 2);
  EXPECT_EQ(window.top, (GetSystemMetrics(SM_CYSCREEN) - HEIGHT) / 2);
  RECT client;
  GetClientRect(_window, &client);
  EXPECT_EQ(client.right, WIDTH);
  EXPECT_EQ(client.bottom, HEIGHT);
  // Windows adds WS_CLIPSIBLINGS to every top-level window.
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(_window, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
            static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_SYSMENU));
  wchar_t text[64] = {};
  GetClassNameW(_window, text, 64);
  EXPECT_STREQ(text, L"VelmorBootstrapWindow");
  GetWindowTextW(_window, text, 64);
  EXPECT_STREQ(text, L"Vorak");
  EXPECT_EQ(text, tr(10005));
}

TEST_F(ProgressWindow, StatesWithoutLinePaintBackgroundAndIconOnly) {
  ASSERT_NE(windowIcon(), nullptr);
  for (ApplicationState state : {StateNone, StateStart, StateWaitUpdater, StateExtract, StateLaunchFailed,
                                 StateFailed}) {
    expectPictureWithoutBar(state, nullptr, L"");
  }
  // The icon is really there: its "V" is the bar's orange.
  Image shown = capture(_window);
  EXPECT_TRUE(nearColour(shown.at(5 + 24, 5 + 30), BAR_LEFT, 40)) << std::hex << shown.at(29, 35);
  EXPECT_EQ(shown.at(4, 4), BACKGROUND);
}

TEST_F(ProgressWindow, EachStateShowsTheLineOfItsMessage) {
  ASSERT_EQ(tr(10002), L"Installing...");
  ASSERT_EQ(tr(10003), L"Launching...");
  expectPictureWithoutBar(StateRedistDownloaded, nullptr, tr(10002));
  expectPictureWithoutBar(StateRedistInstall, nullptr, tr(10002));
  expectPictureWithoutBar(StateRedistInstalled, nullptr, tr(10003));
  expectPictureWithoutBar(StateLaunchInstalled, nullptr, tr(10003));
  expectPictureWithoutBar(StateLaunchExtracted, nullptr, tr(10003));
  ExtractionThread extraction(_window);  // not started: nothing done yet
  expectPictureWithoutBar(StateExtracting, &extraction, L"Extracting... 0%");
  DownloadThread download(nullptr, L"", L"", L"");
  expectPictureWithoutBar(StateRedistDownload, &download, L"Loading... 0%");
}

TEST_F(ProgressWindow, BarAndLineFollowTheDownload) {
  struct Case {
    int32_t total, received;
    const wchar_t* line;
    int barEnd;  // exclusive; 5 is no bar
  };
  const Case cases[] = {
      {1000, 0, L"Loading... 0%", 5},
      {INT32_MAX, 1, L"Loading... 1%", 6},  // the smallest fraction: one pixel
      {100, 42, L"Loading... 42%", 148},    // 5 + ceil(0.42 * 340)
      {5000, 5000, L"Loading... 100%", WIDTH - 5},
      // No announced length: the size received, and no bar.
      {DOWNLOAD_LENGTH_UNKNOWN, 340 * 1024 - 5, L"Loading... 340 KB", 5},
      {DOWNLOAD_LENGTH_UNKNOWN, 5 * 1024 * 1024 + 300 * 1024, L"Loading... 5.3 MB", 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing_support::toUtf8(c.line));
    Image shown = paintDownload(c.total, c.received);
    expectBarUpTo(shown, c.barEnd);
    std::string where;
    EXPECT_EQ(differences(shown, expectedPicture(windowIcon(), c.line, SHIPPED_TEXT), 0, 0, WIDTH, BAR_TOP, &where), 0)
        << where;
  }
}

// Every status line of the ten tables (the download's at its longest) lies whole between the icon and the margin.
TEST_F(ProgressWindow, EveryLanguagesLinesStayBetweenTheIconAndTheRightMargin) {
  DownloadThread download(nullptr, L"", L"", L"");
  download.counters().total = DOWNLOAD_LENGTH_UNKNOWN, download.counters().received = 1000 * 1024 * 1024;  // "1000.0 MB"
  Image blank = expectedPicture(windowIcon(), L"", SHIPPED_TEXT);
  for (LANGID language : {0x0409, 0x0407, 0x040A, 0x040C, 0x0410, 0x0416, 0x0419, 0x041E, 0x042A, 0x0804}) {
    for (int id : {10001, 10002, 10003, 10007}) {
      auto* entry = static_cast<const WCHAR*>(LockResource(LoadResource(
          _instance, FindResourceExW(_instance, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language))));
      for (int i = 0; i < id % 16; ++i) entry += 1 + *entry;
      translations[id] = std::wstring(entry + 1, *entry);
    }
    for (ApplicationState state : {StateRedistDownload, StateRedistInstall, StateLaunchExtracted, StateExtracting}) {
      paintIn(state, state == StateRedistDownload ? &download : nullptr);
      Image shown = capture(_window);  // nothing in the gap right of the icon nor in the right margin
      EXPECT_EQ(differences(shown, blank, 53, 0, 61, BAR_TOP) + differences(shown, blank, WIDTH - 5, 0, WIDTH, BAR_TOP), 0)
          << std::hex << language << " " << state;
    }
  }
  translations.clear();
}

TEST_F(ProgressWindow, BarRunsFromTheLeftToTheRightColour) {
  Image shown = paintDownload(5000, 5000);
  for (int y = BAR_TOP; y < BAR_BOTTOM; ++y) {
    EXPECT_TRUE(nearColour(shown.at(5, y), BAR_LEFT, 2)) << std::hex << shown.at(5, y);
    EXPECT_TRUE(nearColour(shown.at(WIDTH - 6, y), BAR_RIGHT, 2)) << std::hex << shown.at(WIDTH - 6, y);
  }
  COLORREF middle = shown.at(WIDTH / 2, BAR_TOP);
  EXPECT_GT(GetGValue(middle), GetGValue(BAR_LEFT));
  EXPECT_LT(GetGValue(middle), GetGValue(BAR_RIGHT));
  // A part-filled bar still ends in the light colour: the gradient spans the filled part.
  shown = paintDownload(100, 42);
  EXPECT_TRUE(nearColour(shown.at(147, BAR_TOP), BAR_RIGHT, 3)) << std::hex << shown.at(147, BAR_TOP);
}

TEST_F(ProgressWindow, OnlyThePaintAfterFocusDrawsDirectly) {
  paintIn(StateRedistInstall, nullptr);
  ASSERT_TRUE(_double_buffering);
  SendMessageW(_window, WM_SETFOCUS, 0, 0);
  EXPECT_FALSE(_double_buffering);
  // The direct paint must cover every pixel of the previous picture by itself.
  expectPictureWithoutBar(StateLaunchExtracted, nullptr, tr(10003));
  EXPECT_TRUE(_double_buffering);
  expectPictureWithoutBar(StateRedistInstall, nullptr, tr(10002));
  EXPECT_TRUE(_double_buffering);
}

TEST_F(ProgressWindow, ManyPaintsLeakNoGdiObjects) {
  DownloadThread download(nullptr, L"", L"", L"");
  download.counters().total = 1000;
  paintIn(StateRedistDownload, &download);  // the icon and colour are loaded by now
  long before = gdiObjectsInUse();
  for (int i = 0; i < 400; ++i) {
    download.counters().received = i;
    if (i % 10 == 0) SendMessageW(_window, WM_SETFOCUS, 0, 0);  // some direct paints too
    paintIn(StateRedistDownload, &download);
  }
  EXPECT_EQ(gdiObjectsInUse(), before);
}

TEST_F(ProgressWindow, SavesAScreenshotOfTheExtraction) {
  ExtractionThread extraction(_window);
  paintIn(StateExtracting, &extraction);
  std::wstring folder = testing_support::buildDir() + L"\\screenshots";
  CreateDirectoryW(folder.c_str(), nullptr);
  EXPECT_TRUE(saveBmp(capture(_window), folder + L"\\extracting.bmp"));
  Image loading = paintDownload(100, 42);
  EXPECT_TRUE(saveBmp(loading, folder + L"\\loading.bmp"));
}

}  // namespace
