// The installer check against files signed at test time (support/test_signing.sh samples): only an intact file
// signed under the root that the tests' prefix trusts, by the named publisher, and pinned where digests are.
#include <gtest/gtest.h>

#include "launch/signature_check.h"
#include "tests/support/test_support.h"

TEST(SignatureCheck, PassesOnlyThePublishersIntactFile) {
  std::wstring dir = testing_support::buildDir() + L"\\tests\\signing\\";
  std::string digest = testing_support::readFile(dir + L"signed.sha256");
  std::wstring hex(digest.begin(), digest.end());
  const wchar_t *const any[] = {nullptr}, *const pinned[] = {L"00", hex.c_str(), nullptr};
  const InstallerPolicy ours = {L"Vorak Test Signer", false, any};
  struct { const wchar_t* file; InstallerPolicy policy; bool passes; } rows[] = {
      {L"signed.exe", ours, true},
      // Wine's WinVerifyTrust alone passes the untrusted file: it checks the hash, not the root (whole runs: the rest).
      {L"unsigned.exe", ours, false}, {L"altered.exe", ours, false}, {L"untrusted.exe", ours, false},
      {L"expired_stamped.exe", ours, true},  // a signer of 2010-2011, time-stamped in 2011: not refused for its age
      {L"..\\release\\VorakSetup.exe", ours, true},  // the release test's: a token's key, time-stamped on loopback
      {L"signed.exe", {L"Vorak Test", false, any}, false},               // names match whole
      {L"signed.exe", {L"Vorak Test Signer", true, any}, false},         // not under a Microsoft root
      {L"signed.exe", {L"Vorak Test Signer", false, pinned}, true},
  };
  for (const auto& row : rows) {
    std::wstring path = dir + row.file;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(isTrustedInstaller(file, path, row.policy), row.passes) << row.file << " " << row.policy.publisher;
    CloseHandle(file);
  }
}
