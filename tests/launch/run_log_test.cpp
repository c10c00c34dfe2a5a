// The run's log, written by this test program as by a run: it stops at 1 MiB with a line that says so.
#include <gtest/gtest.h>

#include "fs/run_log.h"
#include "tests/support/test_support.h"

using namespace testing_support;

TEST(RunLog, EndsWithItsLineAtOneMebibyte) {
  ScratchDir temp;
  wchar_t before[MAX_PATH + 1] = {};
  GetEnvironmentVariableW(L"TMP", before, MAX_PATH + 1);
  SetEnvironmentVariableW(L"TMP", temp.path.c_str());
  startRunLog();
  keepRunLog();
  SetEnvironmentVariableW(L"TMP", before);
  std::wstring line(1000, L'\x44f');  // two bytes each
  for (int i = 0; i < 600; ++i) logLine(L"%d %ls", i, line.c_str());
  closeRunLog();
  std::vector<std::wstring> logs = listDir(temp.path);
  ASSERT_EQ(logs.size(), 1u);
  std::string log = readFile(temp / logs[0]), last = "it has reached its limit of 1 MiB.\r\n";
  EXPECT_LE(log.size(), 1u << 20);
  EXPECT_GT(log.size(), (1u << 20) - 2100) << "as full as whole lines make it";
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
  EXPECT_EQ(log.find("1 MiB"), log.size() - last.size() + 28) << "said once, at the end";
}
