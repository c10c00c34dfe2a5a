// Where the runtime's installer is fetched from, and whether this build
// fetches it at all: set by the build (VORAK_REDIST_HOST, VORAK_REDIST_PORT,
// VORAK_REDIST_BRANCH), so that the tests can build a twin that fetches from
// a server of their own (and gives up on a silent one sooner:
// VORAK_REDIST_SILENCE_MS). Compiled into each program, not into the core library.
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
#ifndef VORAK_REDIST_SILENCE_MS
#define VORAK_REDIST_SILENCE_MS DOWNLOAD_SILENCE_MS
#endif

const wchar_t* const VC_REDIST_URL_DOMAIN = VORAK_REDIST_HOST;
const unsigned short VC_REDIST_URL_PORT = VORAK_REDIST_PORT;
const bool VC_REDIST_BRANCH = VORAK_REDIST_BRANCH != 0;
const unsigned long VC_REDIST_SILENCE_MS = VORAK_REDIST_SILENCE_MS;
