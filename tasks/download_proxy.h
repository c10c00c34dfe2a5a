#pragma once
// How the download reaches its server: as the player's own Internet settings
// say. Windows users set their proxy per user (a named proxy with the hosts
// that bypass it, an automatic configuration script, automatic detection);
// WinHTTP's default mode reads only its own machine-wide setting, which is
// rarely set. The setting is read on the UI thread before the download's files
// are made, the session opened on the worker thread. Failure: a null session,
// GetLastError set.
#include <string>

#include "tasks/winhttp_api.h"

struct DownloadRoute {
  HINTERNET session;   // asynchronous; the caller closes it
  std::wstring way;    // how it goes, for the lines: "directly", "through the proxy ..."
  bool automatic;      // the system chooses the proxy, and way cannot say which: see automaticWay()
};

// The player's setting as WinHTTP read it; its texts are freed with it.
struct PlayerProxy {
  PlayerProxy() = default;
  PlayerProxy(const PlayerProxy&) = delete;
  PlayerProxy& operator=(const PlayerProxy&) = delete;
  ~PlayerProxy();
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  bool read = false;  // false: none could be read, WinHTTP's own setting applies
};

// proxy as the lines and the log name it: without the credentials of any
// entry. A password may hold any character, a list's separators and "@"
// among them, so no boundary between entries can be trusted before the last
// "@": all of it goes, and a list whose entries carry credentials is named by
// its last host and port alone (fewer names, never a secret).
inline std::wstring proxyName(const std::wstring& proxy) {
  size_t at = proxy.rfind(L'@');
  return at == std::wstring::npos ? proxy : proxy.substr(at + 1);
}

// Reads the player's setting into proxy (once).
void readPlayerProxy(PlayerProxy& proxy);

// Opens a session for userAgent that fetches url through the player's proxy, or directly where there is none.
DownloadRoute openPlayerSession(const wchar_t* userAgent, const std::wstring& url, const PlayerProxy& proxy);

// Which way the player's automatic configuration takes for url, for a line
// about an automatic session: found out only when a line needs it, since the
// lookup may take seconds. Worker thread.
std::wstring automaticWay(const wchar_t* userAgent, const std::wstring& url, const PlayerProxy& proxy);
