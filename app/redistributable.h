#pragma once
// The Visual C++ 2008 SP1 ATL redistributable: where to get it, how to run it,
// and how Windows Installer knows it.

#include "launch/signature_check.h"

// Set by the build, per program (app/redist_server.cpp).
extern const wchar_t* const VC_REDIST_URL_DOMAIN;
extern const unsigned short VC_REDIST_URL_PORT;
extern const bool VC_REDIST_BRANCH;  // whether a missing runtime is fetched at all
extern const InstallerPolicy VC_REDIST_POLICY;  // who must have signed the installer
extern const unsigned long VC_REDIST_SILENCE_MS;  // how long the download waits for a silent server
extern const unsigned long VC_REDIST_FLOOR_WINDOW_MS;  // the window of its speed floor

extern const wchar_t* const VC_REDIST_URL_PATH;
extern const wchar_t* const VC_REDIST_ARGS;
// Product codes, ending with a null entry.
extern const wchar_t* const VC_REDIST_2008_SP1_ATL_GUIDS[];

// True when Windows Installer reports one of the product codes as installed.
bool isRedistInstalled();
