#include "tasks/download_proxy.h"

#include "fs/diagnostic.h"

namespace {
// Each of the script's resolve, connect, send and receive: looking up the
// proxy must end as surely as the download.
const int LOOKUP_TIMEOUT_MS = 15000;

// A string that WinHTTP allocated for us.
struct GlobalText {
  wchar_t* text;
  ~GlobalText() {
    if (text != nullptr) GlobalFree(text);
  }
};

HINTERNET openSession(const wchar_t* userAgent, DWORD access, const wchar_t* proxy, const wchar_t* bypass) {
  return winHttp().open(userAgent, access, proxy ? proxy : WINHTTP_NO_PROXY_NAME,
                        bypass ? bypass : WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
}

// Before Windows 8.1: finds and runs the configuration script here. True
// when it names a proxy for url (info then holds it, the caller frees it).
bool scriptedProxy(const wchar_t* userAgent, const std::wstring& url, const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& config,
                   WINHTTP_PROXY_INFO& info) {
  const WinHttp& http = winHttp();
  InternetHandle lookup(http.open(userAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0));
  if (lookup.get() == nullptr) return false;
  http.setTimeouts(lookup.get(), LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS, LOOKUP_TIMEOUT_MS);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (config.fAutoDetect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (config.lpszAutoConfigUrl != nullptr) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = config.lpszAutoConfigUrl;
  }
  options.fAutoLogonIfChallenged = TRUE;
  if (!http.getProxyForUrl(lookup.get(), url.c_str(), &options, &info)) {
    // Detection that finds no script is the usual answer where there is no proxy: the download goes direct.
    DWORD error = GetLastError();
    if (error != ERROR_WINHTTP_AUTODETECTION_FAILED) {
      diagnose(L"Error %luin WinHttpGetProxyForUrl, going direct.\n", error);
    }
    return false;
  }
  return info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy != nullptr;
}
}  // namespace

DownloadRoute openPlayerSession(const wchar_t* userAgent, const std::wstring& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  bool read = winHttp().getIEProxyConfigForCurrentUser(&config) != FALSE;
  GlobalText proxy{config.lpszProxy}, bypass{config.lpszProxyBypass}, script{config.lpszAutoConfigUrl};
  if (read && (config.fAutoDetect || script.text != nullptr)) {
    // Windows 8.1 and later detect and run the script themselves, with the
    // manual proxy as its fallback; older ones refuse the access type.
    HINTERNET automatic = openSession(userAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, nullptr, nullptr);
    if (automatic != nullptr) return {automatic, L"as the automatic configuration says"};
    WINHTTP_PROXY_INFO info = {};
    bool named = scriptedProxy(userAgent, url, config, info);
    GlobalText found{info.lpszProxy}, skipped{info.lpszProxyBypass};
    if (named)
      return {openSession(userAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, found.text, skipped.text),
              std::wstring(L"through the proxy ") + found.text};
  }
  if (read && proxy.text != nullptr)
    return {openSession(userAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, proxy.text, bypass.text),
            std::wstring(L"through the proxy ") + proxy.text};
  // No proxy of the player's: WinHTTP's own setting, as it always was.
  return {openSession(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr), L"directly"};
}
