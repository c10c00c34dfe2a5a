#include <gtest/gtest.h>

#include "fs/file_path.h"

TEST(FilePathSmoke, StoresBackslashes) { EXPECT_EQ(FilePath(L"C:/x/y").str(), L"C:\\x\\y"); }
