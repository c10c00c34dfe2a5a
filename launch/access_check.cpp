#include "launch/access_check.h"

#include <windows.h>

#include <vector>

#include "fs/safe_handle.h"

bool canWriteIn(std::wstring directory, bool unelevated) {
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY | STANDARD_RIGHTS_READ,
                        &rawToken)) {
    return false;
  }
  SafeKernelHandle token(rawToken);
  HANDLE rawImpersonation = nullptr;
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  TOKEN_LINKED_TOKEN linked = {};
  DWORD size = 0;
  if (unelevated) {
    // Windows 5 knows no such split, and a token that is not elevated is the player's own.
    if (!GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size) ||
        type != TokenElevationTypeFull)
      return true;
    if (!GetTokenInformation(token.get(), TokenLinkedToken, &linked, sizeof(linked), &size)) return false;
    rawImpersonation = linked.LinkedToken;  // an identification token, enough to ask
  } else if (!DuplicateToken(token.get(), SecurityImpersonation, &rawImpersonation)) {
    return false;
  }
  SafeKernelHandle impersonation(rawImpersonation);

  const SECURITY_INFORMATION wanted =
      OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  if (GetFileSecurityW(directory.c_str(), wanted, nullptr, 0, &needed) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) {
    return false;
  }
  std::vector<BYTE> descriptor(needed);
  if (!GetFileSecurityW(directory.c_str(), wanted, descriptor.data(), needed, &needed)) return false;

  GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  DWORD access = GENERIC_WRITE;
  MapGenericMask(&access, &mapping);
  PRIVILEGE_SET privileges = {};
  DWORD privilegesLength = sizeof(privileges);
  DWORD granted = 0;
  BOOL status = FALSE;
  BOOL ok = AccessCheck(descriptor.data(), impersonation.get(), access, &mapping, &privileges, &privilegesLength,
                        &granted, &status);
  return ok && status == TRUE;
}
