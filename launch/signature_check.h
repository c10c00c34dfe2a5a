#pragma once
// Whether a file may run with administrator rights: the runtime's installer,
// fetched over plain HTTP, where anyone on the way may serve another file.
// Any thread; no window is ever shown. Every refusal is a false result and one
// line on the wide error stream that names its cause.
#include <windows.h>

#include <string>

// Who must have signed the installer, and how it is recognised.
struct InstallerPolicy {
  // The signer certificate's common name, and its organisation where it names one.
  const wchar_t* publisher;
  // Whether the chain must end at one of Microsoft's own roots.
  bool microsoftRoot;
  // Lower-case hex SHA-256 digests of the accepted files, ending with a null
  // entry; a list with no entry accepts any file that passes the rest.
  const wchar_t* const* sha256;
};

// True when file (a handle open for reading on path, through which the file is
// read) carries an intact Authenticode signature that the system trusts,
// made with a code-signing certificate of policy.publisher, and passes the
// policy's root and digest rules. An expired signer certificate passes when the
// signature was time-stamped while it was valid, as the system judges it.
bool isTrustedInstaller(HANDLE file, const std::wstring& path, const InstallerPolicy& policy);
