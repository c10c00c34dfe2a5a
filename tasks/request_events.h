#pragma once
// RequestEvents: where the download worker meets WinHTTP's asynchronous
// completions of one request. The worker starts one call at a time and waits
// here for its completion, for its stop event, or until the silence limit;
// WinHTTP's callback (on WinHTTP's own threads) records the completion.
//
// Why asynchronous: a synchronous call blocks until the server answers or a
// timeout ends it, and closing its handle from another thread does not end it
// under Wine (the call holds its own reference), so a close of the window
// would wait for the server. Here the worker alone calls WinHTTP and never
// blocks in it; to stop, it closes the request itself and leaves.
//
// Shared by the two sides, freed by whichever lets go last: the worker after
// closing the request, WinHTTP when it reports that request's handle closing.
// So a call that the worker abandoned may still complete into it (into its
// buffer too) after the worker has gone. Failures: null from watchRequest.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <vector>

enum class Completion { Done, Failed, Stopped, Silent };

struct RequestEvents {
  HANDLE completed;          // auto-reset; set by the callback at each completion
  DWORD bytes;               // of the last completion: bytes available, or read
  DWORD error;               // of the last completion: 0, or why it failed
  std::vector<BYTE> buffer;  // WinHttpReadData's target
  wchar_t redirect[2048];    // where the server sent the request last, or empty; always terminated
  std::atomic<int> owners;
};

// Watches request, on which no call has begun; null when WinHTTP takes no callback (GetLastError set).
RequestEvents* watchRequest(HINTERNET request);

// The context to give WinHttpSendRequest, which sets it again for the request.
DWORD_PTR requestContext(RequestEvents* events);

// Waits for the call begun last; a stop outranks a completion that came at the same time.
Completion awaitCompletion(RequestEvents* events, HANDLE stop, DWORD silenceMs);

// The worker's side lets go, once it has closed the request.
void releaseRequestEvents(RequestEvents* events);
