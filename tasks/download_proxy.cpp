#include "tasks/download_proxy.h"

#include <cstring>
#include <vector>

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

// Whether the record that Windows' settings pages write (version, counter and
// flags; then the proxy, the bypass list and the script, each after its
// length) holds what its lengths say. Wine's WinHTTP reads it trusting them,
// and a damaged one crashes it. No record at all is sound.
bool soundRecord() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections", 0,
                    KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return true;
  DWORD size = 0;
  std::vector<BYTE> record;
  LONG found = RegQueryValueExW(key, L"DefaultConnectionSettings", nullptr, nullptr, nullptr, &size);
  if (found == ERROR_SUCCESS) {
    record.resize(size);
    found = RegQueryValueExW(key, L"DefaultConnectionSettings", nullptr, nullptr, record.data(), &size);
  }
  RegCloseKey(key);
  if (found != ERROR_SUCCESS) return true;
  size_t at = 3 * sizeof(DWORD);
  for (int text = 0; text < 3 && at < size; ++text) {
    DWORD length = 0;
    if (size - at < sizeof(length)) return false;
    memcpy(&length, &record[at], sizeof(length));
    at += sizeof(length);
    if (length > size - at) return false;
    at += length;
  }
  return true;
}

// What the automatic configuration names for url, found and run here (the
// system does so itself from Windows 8.1 on): a proxy and the hosts that
// bypass it, or an empty proxy for none.
struct ScriptedProxy {
  std::wstring proxy, bypass;
};

ScriptedProxy scriptedProxy(const wchar_t* userAgent, const std::wstring& url,
                            const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& config) {
  const WinHttp& http = winHttp();
  InternetHandle lookup(http.open(userAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0));
  if (lookup.get() == nullptr) return {};
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
  WINHTTP_PROXY_INFO info = {};
  if (!http.getProxyForUrl(lookup.get(), url.c_str(), &options, &info)) {
    // Detection that finds no script is the usual answer where there is no proxy: the download goes direct.
    DWORD error = GetLastError();
    if (error != ERROR_WINHTTP_AUTODETECTION_FAILED) {
      diagnose(L"Error %luin WinHttpGetProxyForUrl, going direct.\n", error);
    }
    return {};
  }
  GlobalText proxy{info.lpszProxy}, bypass{info.lpszProxyBypass};
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || proxy.text == nullptr) return {};
  return {proxy.text, bypass.text != nullptr ? bypass.text : L""};
}

// How the lines name the way through a proxy of the player's, or of the automatic configuration.
std::wstring manualWay(const std::wstring& proxy) { return L"through the proxy " + proxyName(proxy); }
std::wstring scriptedWay(const std::wstring& proxy) {
  return manualWay(proxy) + L" of the automatic configuration";
}
}  // namespace

PlayerProxy::~PlayerProxy() {
  for (wchar_t* text : {config.lpszProxy, config.lpszProxyBypass, config.lpszAutoConfigUrl})
    if (text != nullptr) GlobalFree(text);
}

void readPlayerProxy(PlayerProxy& proxy) {
  if (proxy.read) return;
  if (!soundRecord()) {
    diagnose(L"Error: the player's proxy record is damaged; WinHTTP's own setting applies.\n");
    return;
  }
  proxy.read = winHttp().getIEProxyConfigForCurrentUser(&proxy.config) != FALSE;
}

DownloadRoute openPlayerSession(const wchar_t* userAgent, const std::wstring& url, const PlayerProxy& player) {
  const WINHTTP_CURRENT_USER_IE_PROXY_CONFIG& config = player.config;
  if (player.read && (config.fAutoDetect || config.lpszAutoConfigUrl != nullptr)) {
    // Windows 8.1 and later detect and run the script themselves, with the
    // manual proxy as its fallback; older ones refuse the access type.
    HINTERNET automatic = openSession(userAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, nullptr, nullptr);
    if (automatic != nullptr) return {automatic, L"as the automatic configuration says", true};
    ScriptedProxy found = scriptedProxy(userAgent, url, config);
    if (!found.proxy.empty())
      return {openSession(userAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, found.proxy.c_str(),
                          found.bypass.empty() ? nullptr : found.bypass.c_str()),
              scriptedWay(found.proxy), false};
  }
  if (player.read && config.lpszProxy != nullptr)
    return {openSession(userAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, config.lpszProxy, config.lpszProxyBypass),
            manualWay(config.lpszProxy), false};
  // No proxy of the player's: WinHTTP's own setting, as it always was.
  return {openSession(userAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, nullptr, nullptr), L"directly", false};
}

std::wstring automaticWay(const wchar_t* userAgent, const std::wstring& url, const PlayerProxy& player) {
  ScriptedProxy found = scriptedProxy(userAgent, url, player.config);
  if (!found.proxy.empty()) return scriptedWay(found.proxy);
  // The system falls back on the player's manual proxy, else goes direct.
  if (player.config.lpszProxy != nullptr)
    return manualWay(player.config.lpszProxy) + L" (no automatic configuration found)";
  return L"directly (no automatic configuration found)";
}
