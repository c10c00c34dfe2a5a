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

// Each character a reader could take for a line's end or a reordering, class by class, becomes "?" and the rest
// stays; the rotation takes only names of the log's shape in ASCII digits, not their lookalikes in other scripts.
TEST(RunLog, ForgesNoLineAndRotatesOnlyItsOwnNames) {
  for (wchar_t c : {L'\n', L'\r', L'\t', L'\x1f', L'\x7f', L'\x80', L'\x85', L'\x9f', L'\x2028', L'\x2029', L'\x200e',
                    L'\x200f', L'\x202a', L'\x202e', L'\x2066', L'\x2069'})
    EXPECT_EQ(logSafeText(std::wstring(L"a") + c + L"b"), L"a?b") << int(c);
  EXPECT_EQ(logSafeText(L"~ \xa0\x44f\x6f4\x200d\x2030\x206a\xff14"), L"~ \xa0\x44f\x6f4\x200d\x2030\x206a\xff14");
  for (const wchar_t* name : {L"VorakSetup_2020011\x0660_120000_4.log", L"VorakSetup_20200110_12\x06f0\x06f0\x06f0\x06f0_4.log",
                              L"VorakSetup_20200110_120000_\xff14.log", L"VorakSetup_20200110_120000_.log"})
    EXPECT_FALSE(isLogName(name)) << name;
}
