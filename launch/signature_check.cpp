#include "launch/signature_check.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include "fs/system_library.h"

namespace {
// A signer chain with any of these is refused even when WinVerifyTrust
// answered success: Wine's answers success for a chain that ends at an
// untrusted root or at no root at all, and only checks the signature and the
// file's hash. On Windows a chain with these never passes in the first place.
const DWORD CHAIN_FAULTS = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                           CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED | CERT_TRUST_IS_CYCLIC |
                           CERT_TRUST_IS_EXPLICIT_DISTRUST | CERT_TRUST_IS_NOT_VALID_FOR_USAGE;

struct WinTrust {
  decltype(&::WinVerifyTrust) verifyTrust;
  decltype(&::WTHelperProvDataFromStateData) providerData;
  decltype(&::WTHelperGetProvSignerFromChain) signer;
};

// Loaded from the system folder once and kept; never imported.
const WinTrust& winTrust() {
  static const WinTrust api = [] {
    HMODULE module = loadSystemLibrary(L"wintrust.dll", L"imagehlp.dll");
    return WinTrust{
        systemFunction<decltype(&::WinVerifyTrust)>(module, "WinVerifyTrust"),
        systemFunction<decltype(&::WTHelperProvDataFromStateData)>(module, "WTHelperProvDataFromStateData"),
        systemFunction<decltype(&::WTHelperGetProvSignerFromChain)>(module, "WTHelperGetProvSignerFromChain")};
  }();
  return api;
}

// True when the first signer's chain reaches a trusted root without a fault.
bool signerChainSound(const WinTrust& api, HANDLE state) {
  CRYPT_PROVIDER_DATA* provider = api.providerData(state);
  CRYPT_PROVIDER_SGNR* signer = provider ? api.signer(provider, 0, FALSE, 0) : nullptr;
  if (signer == nullptr || signer->pChainContext == nullptr) return false;
  return (signer->pChainContext->TrustStatus.dwErrorStatus & CHAIN_FAULTS) == 0;
}
}  // namespace

bool hasValidSignature(const std::wstring& path) {
  const WinTrust& api = winTrust();
  if (api.verifyTrust == nullptr || api.providerData == nullptr || api.signer == nullptr) return false;

  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = path.c_str();
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  // INVALID_HANDLE_VALUE as the window: no interaction with the user at all.
  HWND noWindow = static_cast<HWND>(INVALID_HANDLE_VALUE);
  bool valid = api.verifyTrust(noWindow, &action, &data) == ERROR_SUCCESS &&
               signerChainSound(api, data.hWVTStateData);
  // The verification keeps its state until it is closed, whatever it answered.
  data.dwStateAction = WTD_STATEACTION_CLOSE;
  api.verifyTrust(noWindow, &action, &data);
  return valid;
}
