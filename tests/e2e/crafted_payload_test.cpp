// Whole runs of the built bootstrap under Wine with payloads that crashed the
// LZMA SDK's header parser before our patches to it: mutants of the host
// corpus tool's built-in archive, which the crafted_payloads step writes.
#include <gtest/gtest.h>

#include "tests/support/bootstrap_run.h"

using namespace testing_support;

namespace {

struct CraftedPayload {
  const wchar_t* file;  // under build/<arch>/tests/crafted
  const char* fault;    // what the unpatched parser did with it
};

const CraftedPayload kPayloads[] = {
    {L"mutant-520.7z", "no names: SzArEx_GetFileNameUtf16 read through a null offset table"},
    {L"mutant-546.7z", "no unpack sizes: SzReadHeader2 read through a null table"},
    {L"mutant-1508.7z", "more files with data than sizes: SzReadHeader2 read past the table"},
};

class CraftedPayloadTest : public ::testing::TestWithParam<CraftedPayload> {};

TEST_P(CraftedPayloadTest, ReportsDamagedInstallationExitsOneAndLeavesNothing) {
  std::string bytes = readFile(buildDir() + L"\\tests\\crafted\\" + GetParam().file);
  ASSERT_FALSE(bytes.empty()) << "the crafted_payloads step writes it";
  BootstrapFixture f;
  ASSERT_TRUE(f.replacePayload(bytes));
  BootstrapOutcome outcome = f.run(L"", f.environment());
  ASSERT_TRUE(outcome.ended) << GetParam().fault;
  EXPECT_EQ(outcome.exitCode, 1u) << GetParam().fault;
  ASSERT_TRUE(outcome.box.shown) << GetParam().fault;
  EXPECT_EQ(outcome.box.text, f.message(10004));
  EXPECT_TRUE(f.updaterRuns().empty());
  EXPECT_TRUE(f.leftInTemp().empty());
}

INSTANTIATE_TEST_SUITE_P(UnpatchedParserFaults, CraftedPayloadTest, ::testing::ValuesIn(kPayloads));

}  // namespace
