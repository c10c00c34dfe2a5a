#include "launch/signature_check.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cwchar>
#include <vector>

#include "fs/diagnostic.h"
#include "fs/system_library.h"
#include "launch/file_digest.h"

namespace {
// A signer chain with any of these is refused even when WinVerifyTrust
// answered success: Wine's answers success for a chain that ends at an
// untrusted root or at no root at all, and only checks the signature and the
// file's hash. On Windows a chain with these never passes in the first place.
// Expiry is not among them: WinTrust judges the chain at the signature's time
// stamp, which is how a long-expired publisher certificate still signs.
const DWORD CHAIN_FAULTS = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                           CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_CYCLIC |
                           CERT_TRUST_IS_EXPLICIT_DISTRUST | CERT_TRUST_IS_NOT_VALID_FOR_USAGE;

struct Trust {
  decltype(&::WinVerifyTrust) verifyTrust;
  decltype(&::WTHelperProvDataFromStateData) providerData;
  decltype(&::WTHelperGetProvSignerFromChain) signer;
  decltype(&::CertVerifyCertificateChainPolicy) chainPolicy;
  decltype(&::CertGetNameStringW) nameString;
  decltype(&::CertGetEnhancedKeyUsage) keyUsage;
  bool complete() const { return verifyTrust && providerData && signer && chainPolicy && nameString && keyUsage; }
};

// Loaded from the system folder once and kept; never imported.
const Trust& trust() {
  static const Trust api = [] {
    HMODULE wintrust = loadSystemLibrary(L"wintrust.dll", L"imagehlp.dll");
    HMODULE crypt32 = loadSystemLibrary(L"crypt32.dll");
    return Trust{
        systemFunction<decltype(&::WinVerifyTrust)>(wintrust, "WinVerifyTrust"),
        systemFunction<decltype(&::WTHelperProvDataFromStateData)>(wintrust, "WTHelperProvDataFromStateData"),
        systemFunction<decltype(&::WTHelperGetProvSignerFromChain)>(wintrust, "WTHelperGetProvSignerFromChain"),
        systemFunction<decltype(&::CertVerifyCertificateChainPolicy)>(crypt32, "CertVerifyCertificateChainPolicy"),
        systemFunction<decltype(&::CertGetNameStringW)>(crypt32, "CertGetNameStringW"),
        systemFunction<decltype(&::CertGetEnhancedKeyUsage)>(crypt32, "CertGetEnhancedKeyUsage")};
  }();
  return api;
}

// An attribute of the certificate's subject (szOID_COMMON_NAME, ...); empty when it has none.
std::wstring subjectAttribute(const Trust& api, PCCERT_CONTEXT certificate, const char* oid) {
  wchar_t text[256] = {};
  api.nameString(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), text, 256);
  return text;
}

// Whether the certificate names code signing among its uses. A certificate
// without the extension would be good for every use: not enough here.
bool meantForCodeSigning(const Trust& api, PCCERT_CONTEXT certificate) {
  DWORD size = 0;
  if (!api.keyUsage(certificate, 0, nullptr, &size) || size == 0) return false;
  std::vector<BYTE> buffer(size);
  CERT_ENHKEY_USAGE* usage = reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data());
  if (!api.keyUsage(certificate, 0, usage, &size)) return false;
  for (DWORD i = 0; i < usage->cUsageIdentifier; ++i)
    if (strcmp(usage->rgpszUsageIdentifier[i], szOID_PKIX_KP_CODE_SIGNING) == 0) return true;
  return false;
}

// The checks of the verified signature's signer, each refusal with its line.
bool signerAccepted(const Trust& api, HANDLE state, const InstallerPolicy& policy) {
  CRYPT_PROVIDER_DATA* provider = api.providerData(state);
  CRYPT_PROVIDER_SGNR* signer = provider ? api.signer(provider, 0, FALSE, 0) : nullptr;
  PCCERT_CHAIN_CONTEXT chain = signer ? signer->pChainContext : nullptr;
  if (chain == nullptr || chain->cChain == 0 || chain->rgpChain[0]->cElement == 0)
    return diagnose(L"Error: the installer's signature has no signer chain.\n");
  if (chain->TrustStatus.dwErrorStatus & CHAIN_FAULTS)
    return diagnose(L"Error: the installer's certificate chain is not trusted: %08lx.\n",
                  static_cast<unsigned long>(chain->TrustStatus.dwErrorStatus));
  if (policy.microsoftRoot) {
    CERT_CHAIN_POLICY_PARA para = {};
    para.cbSize = sizeof(para);
    CERT_CHAIN_POLICY_STATUS status = {};
    status.cbSize = sizeof(status);
    if (!api.chainPolicy(CERT_CHAIN_POLICY_MICROSOFT_ROOT, chain, &para, &status) || status.dwError != 0)
      return diagnose(L"Error: the installer's chain does not end at a Microsoft root: %08lx.\n",
                    static_cast<unsigned long>(status.dwError));
  }
  PCCERT_CONTEXT certificate = chain->rgpChain[0]->rgpElement[0]->pCertContext;
  std::wstring name = subjectAttribute(api, certificate, szOID_COMMON_NAME);
  std::wstring organisation = subjectAttribute(api, certificate, szOID_ORGANIZATION_NAME);
  if (name != policy.publisher)
    return diagnose(L"Error: the installer is signed by \"%ls\", not by \"%ls\".\n", name.c_str(), policy.publisher);
  if (!organisation.empty() && organisation != policy.publisher)
    return diagnose(L"Error: the installer's signer belongs to \"%ls\", not to \"%ls\".\n", organisation.c_str(),
                  policy.publisher);
  if (!meantForCodeSigning(api, certificate))
    return diagnose(L"Error: the installer's signer certificate is not meant for code signing.\n");
  return true;
}

bool digestPinned(HANDLE file, const InstallerPolicy& policy) {
  if (policy.sha256 == nullptr || policy.sha256[0] == nullptr) return true;
  std::wstring digest = sha256Hex(file);
  for (const wchar_t* const* pinned = policy.sha256; !digest.empty() && *pinned != nullptr; ++pinned)
    if (_wcsicmp(digest.c_str(), *pinned) == 0) return true;
  return diagnose(L"Error: the installer's SHA-256 digest is not a pinned one.\n");
}
}  // namespace

bool isTrustedInstaller(HANDLE file, const std::wstring& path, const InstallerPolicy& policy) {
  const Trust& api = trust();
  if (!api.complete()) return diagnose(L"Error: WinTrust is not available.\n");

  // The handle, not the path: the file checked is the one held for the start.
  WINTRUST_FILE_INFO fileInfo = {};
  fileInfo.cbStruct = sizeof(fileInfo);
  fileInfo.pcwszFilePath = path.c_str();
  fileInfo.hFile = file;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &fileInfo;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  // INVALID_HANDLE_VALUE as the window: no interaction with the user at all.
  HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  LONG verdict = api.verifyTrust(noWindow, &action, &data);
  bool accepted = verdict == ERROR_SUCCESS ? signerAccepted(api, data.hWVTStateData, policy)
                                           : diagnose(L"Error: the installer's signature did not verify: %08lx.\n",
                                                    static_cast<unsigned long>(verdict));
  // The verification keeps its state until it is closed, whatever it answered.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  api.verifyTrust(noWindow, &action, &data);
  return accepted && digestPinned(file, policy);
}
