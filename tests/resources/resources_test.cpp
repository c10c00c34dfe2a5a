// The built executables' resources, read back as Windows reads them: every
// string table, icon group, window value, the manifest, the version block and
// the game definition, for both architectures (each one that is built).
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "version.h"

using namespace testing_support;

namespace {

const wchar_t* const WEB_SITE = L"www.vorak-game.com";
const int FIRST_MESSAGE = 10001;
const int LAST_MESSAGE = 10007;

std::wstring builtFor(const std::wstring& arch) {
  std::wstring root = buildDir();
  return root.substr(0, root.find_last_of(L'\\') + 1) + arch + L"\\VorakSetup.exe";
}

std::string bytesOf(HMODULE module, const wchar_t* type, const wchar_t* name, WORD language) {
  HRSRC info = FindResourceExW(module, type, name, language);
  if (info == nullptr) return std::string("<missing>");
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
  return std::string(data, SizeofResource(module, info));
}

// The ids of one language's string block 10000..10015 that hold a text, with their texts.
std::map<int, std::wstring> messagesOf(HMODULE module, WORD language) {
  std::map<int, std::wstring> texts;
  const int block = FIRST_MESSAGE / 16 + 1;
  std::string bytes = bytesOf(module, RT_STRING, MAKEINTRESOURCEW(block), language);
  if (bytes == "<missing>") return texts;
  const wchar_t* p = reinterpret_cast<const wchar_t*>(bytes.data());
  const wchar_t* end = p + bytes.size() / 2;
  for (int id = (block - 1) * 16; id < block * 16 && p < end; ++id) {
    size_t length = *p++;
    if (length > 0) texts[id] = std::wstring(p, length);
    p += length;
  }
  return texts;
}

std::vector<std::wstring> linesOf(const std::wstring& text) {
  std::vector<std::wstring> lines(1);
  for (wchar_t c : text) {
    if (c == L'\n') lines.emplace_back();
    else lines.back() += c;
  }
  return lines;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
  reinterpret_cast<std::set<WORD>*>(found)->insert(language);
  return TRUE;
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  if (IS_INTRESOURCE(name)) reinterpret_cast<std::set<int>*>(found)->insert(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
  return TRUE;
}

class BuiltResources : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    _path = builtFor(GetParam());
    if (!pathExists(_path)) GTEST_SKIP() << toUtf8(_path) << " is not built";
    _module = LoadLibraryExW(_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(_module, nullptr);
  }
  void TearDown() override {
    if (_module) FreeLibrary(_module);
  }
  std::wstring _path;
  HMODULE _module = nullptr;
};

// Each language and the ids its table holds a text for.
const std::map<WORD, std::set<int>>& tables() {
  static const std::set<int> all = {10001, 10002, 10003, 10004, 10005, 10006, 10007};
  static const std::map<WORD, std::set<int>> tables = {
      {1031, all}, {1033, all}, {1034, all}, {1036, {10001, 10002, 10003, 10004, 10005, 10006}},
      {1040, all}, {1046, all}, {1049, all}, {1054, all}, {1066, {10001, 10004, 10006}},
      {2052, {10001, 10002, 10003, 10004, 10005, 10006}},
  };
  return tables;
}

TEST_P(BuiltResources, StringTablesHoldExactlyTheirIdsInTenLanguages) {
  std::set<WORD> languages;
  EnumResourceLanguagesW(_module, RT_STRING, MAKEINTRESOURCEW(FIRST_MESSAGE / 16 + 1), collectLanguage,
                         reinterpret_cast<LONG_PTR>(&languages));
  std::set<WORD> expected;
  for (const auto& table : tables()) expected.insert(table.first);
  EXPECT_EQ(languages, expected);

  std::map<int, std::wstring> english = messagesOf(_module, 1033);
  for (const auto& table : tables()) {
    SCOPED_TRACE(table.first);
    std::map<int, std::wstring> texts = messagesOf(_module, table.first);
    std::set<int> ids;
    for (const auto& entry : texts) ids.insert(entry.first);
    EXPECT_EQ(ids, table.second);
    if (texts.count(10005)) {
      EXPECT_EQ(texts[10005], L"Vorak");
    }
    // The error messages say what the English ones say, line for line, with the site on line two.
    for (int id : {10004, 10006}) {
      if (!texts.count(id)) continue;
      std::vector<std::wstring> lines = linesOf(texts[id]);
      EXPECT_EQ(lines.size(), linesOf(english[id]).size()) << id;
      ASSERT_GE(lines.size(), 2u);
      EXPECT_NE(lines[1].find(WEB_SITE), std::wstring::npos) << id;
      EXPECT_NE(lines[0].find(id == 10006 ? L"Visual Studio Redistributable 2008 SP1 - ATL" : L""), std::wstring::npos);
      for (const std::wstring& line : lines) EXPECT_FALSE(line.empty()) << id;
    }
  }
  EXPECT_EQ(english[10004],
            std::wstring(L"This installation seems to be corrupted !\nPlease download the installer again from ") +
                WEB_SITE + L"\nYou can also contact our customer service.");
  EXPECT_EQ(english[10006],
            std::wstring(L"Unable to install 'Visual Studio Redistributable 2008 SP1 - ATL'.\n"
                         L"Please consult the FAQ at ") +
                WEB_SITE + L" for a solution to this issue.");
}

TEST_P(BuiltResources, FourIconGroupsAndTheWindowsOneHolds64And48At32Bits) {
  std::set<int> groups;
  EnumResourceNamesW(_module, RT_GROUP_ICON, collectName, reinterpret_cast<LONG_PTR>(&groups));
  EXPECT_EQ(groups, (std::set<int>{2, 3, 4, 5}));

  std::string group = bytesOf(_module, RT_GROUP_ICON, MAKEINTRESOURCEW(5), 1033);
  ASSERT_GE(group.size(), 6u);
  const BYTE* p = reinterpret_cast<const BYTE*>(group.data());
  int count = p[4] | (p[5] << 8);
  ASSERT_EQ(group.size(), 6u + 14u * count);
  std::set<int> sizes;
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = p + 6 + 14 * i;  // width, height, colours, reserved, planes, bit count, bytes, id
    int bits = entry[6] | (entry[7] << 8);
    int id = entry[12] | (entry[13] << 8);
    EXPECT_EQ(entry[0], entry[1]);
    EXPECT_EQ(bits, 32);
    sizes.insert(entry[0]);
    std::string image = bytesOf(_module, RT_ICON, MAKEINTRESOURCEW(id), 1033);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
    EXPECT_EQ(header->biWidth, entry[0]);
    EXPECT_EQ(header->biBitCount, 32);
  }
  EXPECT_EQ(sizes, (std::set<int>{64, 48}));
}

TEST_P(BuiltResources, WindowValuesAreTheIconGroupAndTheTextColourLittleEndian) {
  EXPECT_EQ(bytesOf(_module, RT_RCDATA, MAKEINTRESOURCEW(10), 1033), std::string("\x05\x00", 2));
  EXPECT_EQ(bytesOf(_module, RT_RCDATA, MAKEINTRESOURCEW(11), 1033), std::string("\x26\xB0\xA0\x00", 4));
}

TEST_P(BuiltResources, ManifestRunsAsInvokerOnVistaSevenAndEight) {
  std::string manifest = bytesOf(_module, RT_MANIFEST, MAKEINTRESOURCEW(1), 1033);
  EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"), std::string::npos);
  for (const char* os : {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                         "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"}) {
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + os + "\"/>"), std::string::npos) << os;
  }
  std::set<int> manifests;
  EnumResourceNamesW(_module, RT_MANIFEST, collectName, reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_EQ(manifests, std::set<int>{1});
}

TEST_P(BuiltResources, VersionBlockNamesTheProductAndTheBuildsVersion) {
  DWORD size = GetFileVersionInfoSizeW(_path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(_path.c_str(), 0, size, block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  DWORD high = MAKELONG(VORAK_VERSION_MINOR, VORAK_VERSION_MAJOR);
  DWORD low = MAKELONG(VORAK_VERSION_BUILD, VORAK_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT chars = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &chars)) return std::wstring();
    return std::wstring(text);
  };
  std::wstring version = fromUtf8(VORAK_VERSION_TEXT);
  EXPECT_EQ(value(L"FileVersion"), version);
  EXPECT_EQ(value(L"ProductVersion"), version);
  EXPECT_EQ(value(L"CompanyName"), L"Velmor Studios");
  EXPECT_FALSE(value(L"FileDescription").empty());
  EXPECT_EQ(value(L"OriginalFilename"), L"VorakSetup.exe");
  EXPECT_EQ(value(L"ProductName"), L"Vorak");
}

TEST_P(BuiltResources, GameDefinitionIsTheSameInBothLanguages) {
  std::set<WORD> languages;
  EnumResourceLanguagesW(_module, L"DATA", L"__GDF_XML", collectLanguage, reinterpret_cast<LONG_PTR>(&languages));
  EXPECT_EQ(languages, (std::set<WORD>{1024, 1033}));
  std::string neutral = bytesOf(_module, L"DATA", L"__GDF_XML", 1024);
  EXPECT_EQ(neutral, bytesOf(_module, L"DATA", L"__GDF_XML", 1033));
  for (const std::string& part :
       {std::string("<GameDefinition gameID=\"{"), std::string("<Name>Vorak</Name>"),
        std::string("<VersionNumber versionNumber=\"") + VORAK_VERSION_TEXT + "\"/>",
        std::string("<WindowsSystemPerformanceRating minimum=\"2.0\" recommended=\"3.0\"/>"),
        std::string("<Developer "), std::string("<Publisher "), std::string("<GameExecutable path=\"Vorak.exe\"/>"),
        std::string("<Play>"), std::string("<FileTask path=\"Vorak.exe\"")}) {
    EXPECT_NE(neutral.find(part), std::string::npos) << part;
  }
}

INSTANTIATE_TEST_SUITE_P(Architectures, BuiltResources, ::testing::Values(L"i686", L"x86_64"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& info) { return toUtf8(info.param); });

}  // namespace
