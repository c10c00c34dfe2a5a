// The check against files signed at test time (support/test_signing.sh samples): only an intact file signed
// under the root that the tests' prefix trusts passes.
#include <gtest/gtest.h>

#include "launch/signature_check.h"
#include "tests/support/test_support.h"

TEST(SignatureCheck, PassesOnlyAnIntactFileSignedUnderATrustedRoot) {
  // Wine's WinVerifyTrust alone passes both untrusted files: it checks the hash, not the root.
  for (auto row : std::initializer_list<std::pair<const wchar_t*, bool>>{{L"signed.exe", true}, {L"unsigned.exe", false},
       {L"altered.exe", false}, {L"untrusted.exe", false}, {L"untrusted_root.exe", false}, {L"missing.exe", false}}) {
    std::wstring path = testing_support::buildDir() + L"\\tests\\signing\\" + row.first;
    EXPECT_EQ(hasValidSignature(path), row.second) << row.first;
  }
}
