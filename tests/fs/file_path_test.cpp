#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "fs/file_path.h"

namespace {

std::wstring joined(const std::wstring& base, const std::wstring& part) {
  FilePath path(base);
  path.append(part);
  return path.str();
}

std::wstring component(const FilePath& path, FilePath::PartId id) {
  std::wstring out;
  path.append(out, path.split(), id);
  return out;
}

}  // namespace

TEST(FilePath, StoresEverySlashAsBackslash) {
  EXPECT_EQ(FilePath(L"C:/x/y").str(), L"C:\\x\\y");
  EXPECT_EQ(joined(L"C:/t", L"a/b/c.txt"), L"C:\\t\\a\\b\\c.txt");
}

TEST(FilePath, AppendPutsOneSeparatorAtTheSeam) {
  EXPECT_EQ(joined(L"C:\\t", L"a/b.txt"), L"C:\\t\\a\\b.txt");
  EXPECT_EQ(joined(L"C:\\t\\", L"\\x"), L"C:\\t\\x");
  EXPECT_EQ(joined(L"C:\\t\\", L"x"), L"C:\\t\\x");
  EXPECT_EQ(joined(L"C:\\t", L"\\x"), L"C:\\t\\x");
  EXPECT_EQ(joined(L"C:\\t", L""), L"C:\\t\\");
  // A leading forward slash is converted first and so keeps its separator.
  EXPECT_EQ(joined(L"C:\\t", L"/x"), L"C:\\t\\\\x");
}

TEST(FilePath, ParentSkipsOneTrailingSeparator) {
  EXPECT_EQ(FilePath(L"C:\\a\\b.txt").parent().str(), L"C:\\a");
  EXPECT_EQ(FilePath(L"C:\\a\\b\\").parent().str(), L"C:\\a");
  EXPECT_EQ(FilePath(L"C:\\a").parent().str(), L"C:");
  EXPECT_EQ(FilePath(L"C:\\").parent().str(), L"C:");
  EXPECT_EQ(FilePath(L"abc").parent().str(), L"abc");
  // Drive-less, rooted: the root's parent is the empty path.
  EXPECT_EQ(FilePath(L"\\a").parent().str(), L"");
}

TEST(FilePath, EmptyPathStaysHarmless) {
  EXPECT_EQ(FilePath().parent().str(), L"");
  // Joined to nothing a part is itself: no separator is invented in front of
  // it, so a relative part does not turn into the drive's root.
  EXPECT_EQ(joined(L"", L"wayspanner/wayspanner.exe"), L"wayspanner\\wayspanner.exe");
  EXPECT_EQ(joined(L"", L""), L"");
  EXPECT_EQ(FilePath().fileName().str(), L"");
}

TEST(FilePath, SplitGivesDriveDirectoryNameAndExtension) {
  FilePath path(L"C:\\a\\b.txt");
  EXPECT_EQ(component(path, FilePath::Drive), L"C:");
  EXPECT_EQ(component(path, FilePath::Directory), L"\\a\\");
  EXPECT_EQ(component(path, FilePath::Name), L"b");
  EXPECT_EQ(component(path, FilePath::Extension), L".txt");

  FilePath driveless(L"\\games\\vorak\\setup.exe");
  EXPECT_EQ(component(driveless, FilePath::Drive), L"");
  EXPECT_EQ(component(driveless, FilePath::Directory), L"\\games\\vorak\\");

  EXPECT_EQ(FilePath(L"C:\\a\\archive.tar.gz").fileName().str(), L"archive.tar.gz");
  EXPECT_EQ(FilePath(L"relative\\noext").fileName().str(), L"noext");
  EXPECT_EQ(FilePath(L"C:\\dotted.dir\\noext").fileName().str(), L"noext");

  FilePath::Parts parts = path.split();
  ASSERT_EQ(parts.size(), 4u);
  EXPECT_EQ(parts[FilePath::Drive].size(), 3u);
  EXPECT_EQ(parts[FilePath::Extension].size(), 256u);
  std::wstring out;
  EXPECT_THROW(path.append(out, parts, static_cast<FilePath::PartId>(4)), std::out_of_range);
}

TEST(FilePath, SplitRefusesComponentsTooLongForTheirBuffers) {
  const std::wstring longName(256, L'n');
  FilePath tooLong(L"C:\\a\\" + longName + L".txt");
  for (const auto& part : tooLong.split()) EXPECT_EQ(part.front(), L'\0');
  EXPECT_EQ(tooLong.fileName().str(), L"");

  // 255 characters still fit, and so does a path longer than any one buffer
  // whose components each fit.
  const std::wstring fits(255, L'n');
  EXPECT_EQ(FilePath(L"C:\\a\\" + fits + L".txt").fileName().str(), fits + L".txt");
  std::wstring deep = L"C:";
  for (int i = 0; i < 40; ++i) deep += L"\\abcd";
  const std::wstring name(100, L'f');
  FilePath longPath(deep + L"\\" + name + L".txt");
  ASSERT_GT(longPath.str().size(), 300u);
  EXPECT_EQ(longPath.fileName().str(), name + L".txt");
  EXPECT_EQ(component(longPath, FilePath::Directory), deep.substr(2) + L"\\");
}
