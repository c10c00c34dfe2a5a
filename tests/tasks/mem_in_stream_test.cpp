// MemInStream as the decoder sees it: through the ILookInStream operations.
#include <gtest/gtest.h>

#include "tasks/mem_in_stream.h"

namespace {
const char DATA[] = "0123456789";
const size_t DATA_SIZE = 10;

struct Stream : ::testing::Test {
  MemInStream s;
  ILookInStream* look() { return reinterpret_cast<ILookInStream*>(&s); }
  void SetUp() override { MemInStream_Init(&s, DATA, DATA_SIZE); }
  size_t position() {
    Int64 pos = 0;
    EXPECT_EQ(look()->Seek(&s, &pos, SZ_SEEK_CUR), SZ_OK);
    return static_cast<size_t>(pos);
  }
};
}  // namespace

TEST_F(Stream, LookShortensToWhatIsLeftAndReportsEndWithZeroBytes) {
  const void* buf = nullptr;
  size_t size = 100;
  ASSERT_EQ(look()->Look(&s, &buf, &size), SZ_OK);
  EXPECT_EQ(size, DATA_SIZE);
  EXPECT_EQ(buf, DATA);
  EXPECT_EQ(position(), 0u);  // Look does not move
  ASSERT_EQ(look()->Skip(&s, DATA_SIZE), SZ_OK);
  size = 4;
  EXPECT_EQ(look()->Look(&s, &buf, &size), SZ_OK);
  EXPECT_EQ(size, 0u);
}

TEST_F(Stream, ReadCopiesWhatIsLeftThenNothing) {
  char out[8] = {};
  Int64 pos = 7;
  ASSERT_EQ(look()->Seek(&s, &pos, SZ_SEEK_SET), SZ_OK);
  size_t size = sizeof out;
  ASSERT_EQ(look()->Read(&s, out, &size), SZ_OK);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(std::string(out, 3), "789");
  size = sizeof out;
  EXPECT_EQ(look()->Read(&s, out, &size), SZ_OK);
  EXPECT_EQ(size, 0u);
}

TEST_F(Stream, SeekFromTheEndGivesTheLengthAndRelativeSeeksMove) {
  Int64 pos = 0;
  ASSERT_EQ(look()->Seek(&s, &pos, SZ_SEEK_END), SZ_OK);
  EXPECT_EQ(pos, static_cast<Int64>(DATA_SIZE));
  pos = -4;
  ASSERT_EQ(look()->Seek(&s, &pos, SZ_SEEK_CUR), SZ_OK);
  EXPECT_EQ(pos, 6);
  const void* buf = nullptr;
  size_t size = 1;
  look()->Look(&s, &buf, &size);
  EXPECT_EQ(*static_cast<const char*>(buf), '6');
}

TEST_F(Stream, RefusesPositionsOutsideTheBlockAndStaysPut) {
  ASSERT_EQ(look()->Skip(&s, 3), SZ_OK);
  Int64 pos = 11;
  EXPECT_NE(look()->Seek(&s, &pos, SZ_SEEK_SET), SZ_OK);
  pos = -1;
  EXPECT_NE(look()->Seek(&s, &pos, SZ_SEEK_SET), SZ_OK);
  pos = 1;
  EXPECT_NE(look()->Seek(&s, &pos, SZ_SEEK_END), SZ_OK);
  pos = -4;
  EXPECT_NE(look()->Seek(&s, &pos, SZ_SEEK_CUR), SZ_OK);
  pos = (Int64)1 << 32;  // would wrap a 32-bit pointer back into the block
  EXPECT_NE(look()->Seek(&s, &pos, SZ_SEEK_SET), SZ_OK);
  pos = 0;
  EXPECT_EQ(look()->Seek(&s, &pos, static_cast<ESzSeek>(3)), SZ_ERROR_DATA);
  EXPECT_NE(look()->Skip(&s, 8), SZ_OK);
  EXPECT_EQ(position(), 3u);
}
