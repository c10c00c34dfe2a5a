// tr against the built bootstrap's string tables, in the language Wine takes
// from LANG. The Language* suites run as their own CTest entries, one per LANG;
// each skips when LANG asks for another language.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/globals.h"
#include "app/messages.h"
#include "tasks/extraction_thread.h"
#include "tests/support/test_support.h"
#include "tests/ui/window_fixture.h"

using namespace ui_testing;

namespace {

class Messages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { useBuiltResources(); }
};

TEST_F(Messages, IdsOutsideTheTableGiveTheEmptyString) {
  for (int id : {0, 1, 10000, 10008, 10015, 10016, 65535, -1}) EXPECT_EQ(tr(id), L"") << id;
}

TEST_F(Messages, SecondCallIsServedFromTheCache) {
  translations.clear();
  std::wstring first = tr(10003);
  ASSERT_FALSE(first.empty());
  ASSERT_EQ(translations.count(10003), 1u);
  EXPECT_EQ(tr(10003), first);
  translations[10003] = L"from the cache";
  EXPECT_EQ(tr(10003), L"from the cache");
  tr(10008);
  EXPECT_EQ(translations.count(10008), 1u) << "an empty answer is cached too";
  translations.clear();
  EXPECT_EQ(tr(10003), first);
}

// Runs the test only when LANG asks for language; Wine must then have chosen it.
#define REQUIRE_LANGUAGE(prefix, id)                                                                    \
  do {                                                                                                  \
    wchar_t lang[64] = {};                                                                              \
    GetEnvironmentVariableW(L"LANG", lang, 64);                                                         \
    if (wcsncmp(lang, prefix, wcslen(prefix)) != 0) GTEST_SKIP() << "LANG is not " << #prefix;          \
    ASSERT_EQ(GetUserDefaultUILanguage(), id) << "Wine did not take LANG: is the locale generated "     \
                                                 "(scripts/setup.sh)?";                                 \
  } while (0)

class Language : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    useBuiltResources();
    theWindow();
  }
  void TearDown() override { thread = nullptr; }
  static std::wstring title() {
    wchar_t text[64] = {};
    GetWindowTextW(_window, text, 64);
    return text;
  }
  static void expectExtractionLine(const std::wstring& line) {
    ExtractionThread extraction(_window);
    paintIn(StateExtracting, &extraction);
    HICON icon = static_cast<HICON>(LoadImageW(_instance, MAKEINTRESOURCEW(5), IMAGE_ICON, 48, 48, 0));
    std::string where;
    EXPECT_EQ(differences(capture(_window), expectedPicture(icon, line, SHIPPED_TEXT), 0, 0, WIDTH, HEIGHT, &where),
              0)
        << where;
    DestroyIcon(icon);
  }
};

using LanguageEnglish = Language;
using LanguageFrench = Language;
using LanguageGerman = Language;
using LanguageVietnamese = Language;

TEST_F(LanguageEnglish, ShowsTheEnglishTexts) {
  REQUIRE_LANGUAGE(L"en_US", 0x0409);
  EXPECT_EQ(tr(10007), L"Extracting...");
  EXPECT_EQ(tr(10001), L"Loading...");
  EXPECT_EQ(tr(10004),
            L"This installation seems to be corrupted !\n"
            L"Please download the installer again from www.vorak-game.com\n"
            L"You can also contact our customer service.");
  EXPECT_EQ(title(), L"Vorak");
  expectExtractionLine(L"Extracting... 0%");
}

TEST_F(LanguageFrench, HasNoExtractionTextSoTheLineIsOnlyBlankAndPercentage) {
  REQUIRE_LANGUAGE(L"fr_FR", 0x040C);
  EXPECT_EQ(tr(10007), L"");
  EXPECT_EQ(tr(10001), L"Chargement...");
  EXPECT_EQ(title(), L"Vorak");
  expectExtractionLine(L" 0%");
}

TEST_F(LanguageGerman, ShowsTheGermanTexts) {
  REQUIRE_LANGUAGE(L"de_DE", 0x0407);
  EXPECT_EQ(tr(10007), L"Wird extrahiert...");
  EXPECT_EQ(tr(10002), L"Wird installiert...");
  expectExtractionLine(L"Wird extrahiert... 0%");
}

TEST_F(LanguageVietnamese, HasAnEmptyTitle) {
  REQUIRE_LANGUAGE(L"vi_VN", 0x042A);
  EXPECT_EQ(tr(10005), L"");
  EXPECT_EQ(title(), L"");
  EXPECT_EQ(tr(10001), L"Đang tải...");
  EXPECT_EQ(tr(10007), L"");  // not the English text: the lookup works on whole tables
  expectExtractionLine(L" 0%");
}

}  // namespace
