#include <gtest/gtest.h>

#include "launch/signature_check.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Files made by signed_samples.sh before this runs; only the tests' prefix trusts the one root.
TEST(SignatureCheck, OnlyAnIntactFileSignedUnderATrustedRootPasses) {
  struct Row {
    const wchar_t* file;
    bool valid;
  };
  const Row rows[] = {
      {L"signed.exe", true},
      {L"unsigned.exe", false},
      {L"untrusted.exe", false},       // no root: Wine's WinVerifyTrust alone passes it
      {L"untrusted_root.exe", false},  // an untrusted root: likewise
      {L"altered.exe", false},
      {L"missing.exe", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(hasValidSignature(buildDir() + L"\\tests\\signing\\" + row.file), row.valid) << toUtf8(row.file);
  }
}

}  // namespace
