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
  std::wstring way;    // how it goes, for failure lines: "directly", "through the proxy ..."
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

// Reads the player's setting into proxy (once).
void readPlayerProxy(PlayerProxy& proxy);

// Opens a session for userAgent that fetches url through the player's proxy, or directly where there is none.
DownloadRoute openPlayerSession(const wchar_t* userAgent, const std::wstring& url, const PlayerProxy& proxy);
