#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "launch/access_check.h"
#include "tests/support/test_support.h"

using namespace testing_support;

namespace {

// Gives dir a protected access list that lets everyone read and list it but
// not write, for the life of the object; the default security comes back after.
class ReadOnlyAccessList {
 public:
  explicit ReadOnlyAccessList(const std::wstring& dir) : _dir(dir) {
    DWORD sidSize = SECURITY_MAX_SID_SIZE;
    CreateWellKnownSid(WinWorldSid, nullptr, _everyone, &sidSize);
    _acl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + sidSize);
    PACL acl = reinterpret_cast<PACL>(_acl.data());
    SECURITY_DESCRIPTOR descriptor;
    _applied = InitializeAcl(acl, static_cast<DWORD>(_acl.size()), ACL_REVISION) &&
               AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, _everyone) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) &&
               SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
               SetFileSecurityW(_dir.c_str(), DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                &descriptor);
  }
  ~ReadOnlyAccessList() {
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);  // a null list grants everything
    SetFileSecurityW(_dir.c_str(), DACL_SECURITY_INFORMATION, &open);
  }
  bool applied() const { return _applied; }

 private:
  std::wstring _dir;
  BYTE _everyone[SECURITY_MAX_SID_SIZE] = {};
  std::vector<BYTE> _acl;
  bool _applied = false;
};

std::wstring temporaryFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
  return std::wstring(buffer, n);
}

}  // namespace

TEST(CanWriteIn, TrueForTheTemporaryFolder) {
  EXPECT_TRUE(canWriteIn(temporaryFolder()));
  ScratchDir scratch;
  EXPECT_TRUE(canWriteIn(scratch.path()));
}

TEST(CanWriteIn, FalseForAMissingFolder) {
  ScratchDir scratch;
  EXPECT_FALSE(canWriteIn(scratch / L"missing"));
  EXPECT_FALSE(canWriteIn(L""));
}

TEST(CanWriteIn, FalseForAFolderWhoseAccessListGrantsOnlyReading) {
  ScratchDir scratch;
  std::wstring dir = scratch / L"readonly";
  CreateDirectoryW(dir.c_str(), nullptr);
  ReadOnlyAccessList readOnly(dir);
  if (!readOnly.applied()) GTEST_SKIP() << "this Wine does not store access lists on folders";
  // The descriptor stays readable, so the "no" comes from the access check itself.
  DWORD needed = 0;
  EXPECT_FALSE(GetFileSecurityW(dir.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_FALSE(canWriteIn(dir));
}

TEST(CanWriteIn, ReadOnlyAttributeDoesNotMakeAFolderUnwritable) {
  // As on Windows, the attribute on a folder is no access rule; only the
  // access list decides.
  ScratchDir scratch;
  std::wstring dir = scratch / L"flagged";
  CreateDirectoryW(dir.c_str(), nullptr);
  ASSERT_TRUE(SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(canWriteIn(dir));
  SetFileAttributesW(dir.c_str(), FILE_ATTRIBUTE_NORMAL);
}
