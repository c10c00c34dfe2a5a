#pragma once
// The Visual C++ 2008 SP1 ATL redistributable: where to get it, how to run it,
// and how Windows Installer knows it.

extern const wchar_t* const VC_REDIST_URL_DOMAIN;
extern const wchar_t* const VC_REDIST_URL_PATH;
extern const wchar_t* const VC_REDIST_ARGS;
// Product codes, ending with a null entry.
extern const wchar_t* const VC_REDIST_2008_SP1_ATL_GUIDS[];

// True when Windows Installer reports one of the product codes as installed.
bool isRedistInstalled();
