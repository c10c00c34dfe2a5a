// Where the runtime's installer is fetched from, whether this build fetches it
// at all, whose installer it accepts, and how long it waits on a silent or slow
// server: set by the build (VORAK_REDIST_HOST, VORAK_REDIST_PORT,
// VORAK_REDIST_BRANCH, VORAK_REDIST_PUBLISHER, VORAK_REDIST_MICROSOFT_ROOT,
// VORAK_REDIST_SHA256, VORAK_REDIST_SILENCE_MS, VORAK_REDIST_FLOOR_WINDOW_MS),
// so that the tests can build a twin that fetches from a server of their own
// and trusts their signer. Compiled into each program, not into the core library.
#include "app/redistributable.h"

#include "tasks/download_thread.h"

#ifndef VORAK_REDIST_HOST
#define VORAK_REDIST_HOST L"download.microsoft.com"
#endif
#ifndef VORAK_REDIST_PORT
#define VORAK_REDIST_PORT 80
#endif
#ifndef VORAK_REDIST_BRANCH
#define VORAK_REDIST_BRANCH 1
#endif
#ifndef VORAK_REDIST_PUBLISHER
#define VORAK_REDIST_PUBLISHER L"Microsoft Corporation"
#endif
#ifndef VORAK_REDIST_MICROSOFT_ROOT
#define VORAK_REDIST_MICROSOFT_ROOT 1
#endif
// Wide strings, each followed by a comma; none by default.
#ifndef VORAK_REDIST_SHA256
#define VORAK_REDIST_SHA256
#endif
#ifndef VORAK_REDIST_SILENCE_MS
#define VORAK_REDIST_SILENCE_MS DOWNLOAD_SILENCE_MS
#endif
#ifndef VORAK_REDIST_FLOOR_WINDOW_MS
#define VORAK_REDIST_FLOOR_WINDOW_MS DOWNLOAD_FLOOR_WINDOW_MS
#endif

const wchar_t* const VC_REDIST_URL_DOMAIN = VORAK_REDIST_HOST;
const unsigned short VC_REDIST_URL_PORT = VORAK_REDIST_PORT;
const bool VC_REDIST_BRANCH = VORAK_REDIST_BRANCH != 0;

namespace {
const wchar_t* const PINNED_SHA256[] = {VORAK_REDIST_SHA256 nullptr};
}  // namespace
const InstallerPolicy VC_REDIST_POLICY = {VORAK_REDIST_PUBLISHER, VORAK_REDIST_MICROSOFT_ROOT != 0, PINNED_SHA256};
const unsigned long VC_REDIST_SILENCE_MS = VORAK_REDIST_SILENCE_MS;
const unsigned long VC_REDIST_FLOOR_WINDOW_MS = VORAK_REDIST_FLOOR_WINDOW_MS;
