// The window values (RCDATA 10, the icon group; RCDATA 11, the text colour)
// missing, short or pointing nowhere, in copies of the built bootstrap. Runs as
// its own CTest entry: the paint keeps a loaded icon for the process's life, and
// none of these loads one.
#include <gtest/gtest.h>

#include "app/globals.h"
#include "app/messages.h"
#include "tests/support/test_support.h"
#include "tests/ui/window_fixture.h"

using namespace testing_support;
using namespace ui_testing;

namespace {

const WORD VALUES_LANGUAGE = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// A copy of the built bootstrap with RCDATA 10 and 11 replaced, loaded as _instance.
void useCopyWithValues(ScratchDir& scratch, const std::string& icon, const std::string& colour) {
  static int copies = 0;
  std::wstring copy = scratch / (L"VorakSetup" + std::to_wstring(++copies) + L".exe");
  ASSERT_TRUE(copyFileTo(builtSetupPath(), copy));
  HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  const std::string* values[] = {&icon, &colour};
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(10 + i), VALUES_LANGUAGE,
                                const_cast<char*>(values[i]->data()), static_cast<DWORD>(values[i]->size())));
  }
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  _instance = loadResourceModule(copy);
  ASSERT_NE(_instance, nullptr);
  for (int i = 0; i < 2; ++i) {
    HRSRC value = FindResourceW(_instance, MAKEINTRESOURCEW(10 + i), RT_RCDATA);
    ASSERT_NE(value, nullptr);
    ASSERT_EQ(SizeofResource(_instance, value), values[i]->size());
  }
  theWindow();
}

void expectInstallingLine(COLORREF colour) {
  paintIn(StateRedistInstall, nullptr);
  std::string where;
  EXPECT_EQ(differences(capture(_window), expectedPicture(nullptr, tr(10002), colour), 0, 0, WIDTH, HEIGHT, &where),
            0)
      << where;
}

TEST(WindowValues, MissingValuesPaintWithoutIconInTheShippedColour) {
  // The test program has no resources at all; the line comes from the cache.
  _instance = GetModuleHandleW(nullptr);
  ASSERT_EQ(FindResourceW(_instance, MAKEINTRESOURCEW(10), RT_RCDATA), nullptr);
  translations[10002] = L"Installing...";
  theWindow();
  expectInstallingLine(SHIPPED_TEXT);
  translations.clear();
}

TEST(WindowValues, ShortValuesAreNotRead) {
  ScratchDir scratch;
  std::string icon("\x05", 1), colour("\x56\x34\x12", 3);
  ASSERT_NO_FATAL_FAILURE(useCopyWithValues(scratch, icon, colour));
  expectInstallingLine(SHIPPED_TEXT);
}

TEST(WindowValues, IconGroupThatDoesNotExistDrawsNoIconAndColourIsSwapped) {
  ScratchDir scratch;
  std::string icon("\x63\x00", 2), colour("\x56\x34\x12\x00", 4);  // group 99; 0x00123456
  ASSERT_NO_FATAL_FAILURE(useCopyWithValues(scratch, icon, colour));
  expectInstallingLine(RGB(0x12, 0x34, 0x56));
}

}  // namespace
