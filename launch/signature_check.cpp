#include "launch/signature_check.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cwchar>
#include <vector>

#include "fs/diagnostic.h"
#include "fs/run_log.h"
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
  decltype(&::CertGetEnhancedKeyUsage) keyUsage;
  decltype(&::CryptDecodeObjectEx) decode;
  decltype(&::CertFindExtension) extension;
  decltype(&::CertGetIntendedKeyUsage) intendedUsage;
  bool complete() const {
    return verifyTrust && providerData && signer && chainPolicy && keyUsage && decode && extension && intendedUsage;
  }
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
        systemFunction<decltype(&::CertGetEnhancedKeyUsage)>(crypt32, "CertGetEnhancedKeyUsage"),
        systemFunction<decltype(&::CryptDecodeObjectEx)>(crypt32, "CryptDecodeObjectEx"),
        systemFunction<decltype(&::CertFindExtension)>(crypt32, "CertFindExtension"),
        systemFunction<decltype(&::CertGetIntendedKeyUsage)>(crypt32, "CertGetIntendedKeyUsage")};
  }();
  return api;
}

// What the system decodes as type from data, in memory it allocates (LocalFree); null when it cannot.
template <typename T>
T* decoded(const Trust& api, const char* type, const BYTE* data, DWORD size) {
  T* value = nullptr;
  DWORD length = 0;
  if (!api.decode(X509_ASN_ENCODING, type, data, size, CRYPT_DECODE_ALLOC_FLAG, nullptr, &value, &length)) return nullptr;
  return value;
}

// An attribute's value over its whole length. The plain decoding gives BMP and
// UTF-8 strings as wide characters and the 8-bit string types as they are
// encoded (the Unicode one counts a NUL more for UTF-8 under Wine). Any other
// type, read byte by byte, never equals a name.
std::wstring valueText(const CERT_RDN_ATTR& attribute) {
  const CERT_RDN_VALUE_BLOB& value = attribute.Value;
  if (attribute.dwValueType == CERT_RDN_BMP_STRING || attribute.dwValueType == CERT_RDN_UTF8_STRING)
    return std::wstring(reinterpret_cast<const wchar_t*>(value.pbData), value.cbData / sizeof(wchar_t));
  return std::wstring(value.pbData, value.pbData + value.cbData);
}

// Every value of one attribute of the certificate's subject (szOID_COMMON_NAME,
// ...), over its whole length: a NUL inside one, or a second one, stays visible.
std::vector<std::wstring> subjectAttributes(const Trust& api, PCCERT_CONTEXT certificate, const char* oid) {
  std::vector<std::wstring> values;
  const CERT_NAME_BLOB& subject = certificate->pCertInfo->Subject;
  CERT_NAME_INFO* name = decoded<CERT_NAME_INFO>(api, X509_NAME, subject.pbData, subject.cbData);
  for (DWORD i = 0; name != nullptr && i < name->cRDN; ++i)
    for (DWORD j = 0; j < name->rgRDN[i].cRDNAttr; ++j) {
      const CERT_RDN_ATTR& attribute = name->rgRDN[i].rgRDNAttr[j];
      if (strcmp(attribute.pszObjId, oid) == 0) values.push_back(valueText(attribute));
    }
  LocalFree(name);
  return values;
}

// A name as a line can show it: a NUL as "\0".
std::wstring shown(std::wstring text) {
  for (size_t at = text.find(L'\0'); at != std::wstring::npos; at = text.find(L'\0', at))
    text.replace(at, 1, L"\\0");
  return text;
}

// Whether the certificate says it is an authority's (basic constraints CA:TRUE).
bool isAuthority(const Trust& api, PCCERT_CONTEXT certificate) {
  const CERT_INFO* info = certificate->pCertInfo;
  CERT_EXTENSION* found = api.extension(szOID_BASIC_CONSTRAINTS2, info->cExtension, info->rgExtension);
  if (found == nullptr) return false;
  CERT_BASIC_CONSTRAINTS2_INFO* constraints = decoded<CERT_BASIC_CONSTRAINTS2_INFO>(
      api, X509_BASIC_CONSTRAINTS2, found->Value.pbData, found->Value.cbData);
  // One that cannot be read counts as an authority's.
  bool authority = constraints == nullptr || constraints->fCA;
  LocalFree(constraints);
  return authority;
}

// Whether the certificate's key may sign: true without a key usage extension.
bool maySign(const Trust& api, PCCERT_CONTEXT certificate) {
  BYTE usage = 0;
  if (!api.intendedUsage(X509_ASN_ENCODING, certificate->pCertInfo, &usage, 1)) return GetLastError() == 0;
  return (usage & CERT_DIGITAL_SIGNATURE_KEY_USAGE) != 0;
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
  std::vector<std::wstring> names = subjectAttributes(api, certificate, szOID_COMMON_NAME);
  std::vector<std::wstring> organisations = subjectAttributes(api, certificate, szOID_ORGANIZATION_NAME);
  logLine(L"The installer's signer: \"%ls\" (%lu common names, %lu organisations), chain status %08lx.",
          names.empty() ? L"" : shown(names[0]).c_str(), static_cast<unsigned long>(names.size()),
          static_cast<unsigned long>(organisations.size()), static_cast<unsigned long>(chain->TrustStatus.dwErrorStatus));
  if (names.size() != 1)
    return diagnose(L"Error: the installer's signer has %lu common names, not one.\n",
                    static_cast<unsigned long>(names.size()));
  if (organisations.size() > 1)
    return diagnose(L"Error: the installer's signer has %lu organisations, not one at most.\n",
                    static_cast<unsigned long>(organisations.size()));
  if (names[0] != policy.publisher)
    return diagnose(L"Error: the installer is signed by \"%ls\", not by \"%ls\".\n", shown(names[0]).c_str(),
                    policy.publisher);
  if (!organisations.empty() && organisations[0] != policy.publisher)
    return diagnose(L"Error: the installer's signer belongs to \"%ls\", not to \"%ls\".\n",
                    shown(organisations[0]).c_str(), policy.publisher);
  if (isAuthority(api, certificate))
    return diagnose(L"Error: the installer's signer certificate is an authority's.\n");
  if (!maySign(api, certificate))
    return diagnose(L"Error: the installer's signer certificate's key usage lacks digital signature.\n");
  if (!meantForCodeSigning(api, certificate))
    return diagnose(L"Error: the installer's signer certificate is not meant for code signing.\n");
  return true;
}

bool digestPinned(HANDLE file, const InstallerPolicy& policy) {
  if (policy.sha256 == nullptr || policy.sha256[0] == nullptr) return true;
  std::wstring digest = sha256Hex(file);
  logLine(L"The installer's SHA-256 digest: %ls.", digest.c_str());
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
  accepted = accepted && digestPinned(file, policy);
  logLine(L"The installer %ls.", accepted ? L"passed its check" : L"is refused");
  return accepted;
}
