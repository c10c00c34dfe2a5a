// The check against files signed at test time (support/test_signing.sh samples); only the tests' prefix trusts the one root.
#include <gtest/gtest.h>

#include "launch/signature_check.h"
#include "tests/support/bootstrap_run.h"

TEST(SignatureCheck, PassesOnlyAnIntactFileSignedUnderATrustedRoot) {
  // Wine's WinVerifyTrust alone passes both untrusted files: it checks the hash, not the root.
  for (auto row : std::initializer_list<std::pair<const wchar_t*, bool>>{{L"signed.exe", true}, {L"unsigned.exe", false},
       {L"altered.exe", false}, {L"untrusted.exe", false}, {L"untrusted_root.exe", false}, {L"missing.exe", false}}) {
    std::wstring path = testing_support::buildDir() + L"\\tests\\signing\\" + row.first;
    EXPECT_EQ(hasValidSignature(path), row.second) << testing_support::toUtf8(row.first);
  }
}

// The built programs signed by support/../launch/signed_programs.sh: WinVerifyTrust and our chain check pass them,
// and refuse them with one byte changed; the signed program still installs the demo payload.
TEST(SignedProgram, VerifiesAndStillInstalls) {
  std::wstring dir = testing_support::buildDir() + L"\\tests\\signing\\";
  int programs = 0;
  for (const std::wstring& name : testing_support::listDir(dir)) {
    if (name.compare(0, 6, L"setup_") != 0) continue;
    bool altered = name.find(L"_altered") != std::wstring::npos;
    programs += !altered;
    EXPECT_EQ(hasValidSignature(dir + name), !altered) << testing_support::toUtf8(name);
  }
  EXPECT_GE(programs, 1);
  std::wstring build = testing_support::buildDir();
  testing_support::BootstrapFixture f(dir + L"setup_" + build.substr(build.find_last_of(L'\\') + 1) + L".exe");
  testing_support::BootstrapOutcome outcome = f.run(L"", f.environment());
  EXPECT_TRUE(outcome.ended && outcome.exitCode == 0 && !outcome.box.shown);
  EXPECT_EQ(f.updaterRuns().size(), 1u);
  EXPECT_TRUE(f.leftInTemp().empty());
}
