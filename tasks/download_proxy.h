#pragma once
// How the download reaches its server: as the player's own Internet settings
// say. Windows users set their proxy per user (a named proxy with the hosts
// that bypass it, an automatic configuration script, automatic detection);
// WinHTTP's default mode reads only its own machine-wide setting, which is
// rarely set. Worker thread. Failure: a null session, GetLastError set.
#include <string>

#include "tasks/winhttp_api.h"

struct DownloadRoute {
  HINTERNET session;   // asynchronous; the caller closes it
  std::wstring way;    // how it goes, for failure lines: "directly", "through the proxy ..."
};

// Opens a session for userAgent that fetches url through the player's proxy, or directly where there is none.
DownloadRoute openPlayerSession(const wchar_t* userAgent, const std::wstring& url);
