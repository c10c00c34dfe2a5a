#include "tasks/request_events.h"

#include <cwchar>

#include "tasks/winhttp_api.h"

namespace {
void CALLBACK onRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
  RequestEvents* events = reinterpret_cast<RequestEvents*>(context);
  if (events == nullptr) return;
  DWORD error = 0;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      releaseRequestEvents(events);  // the last call WinHTTP makes for this handle
      return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      events->bytes = *static_cast<DWORD*>(info);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      events->bytes = length;
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      error = static_cast<WINHTTP_ASYNC_RESULT*>(info)->dwError;
      break;
    case WINHTTP_CALLBACK_STATUS_REDIRECT:  // no completion: noted for the lines
      wcsncpy(events->redirect, static_cast<const wchar_t*>(info), sizeof(events->redirect) / sizeof(wchar_t) - 1);
      return;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      break;
    default:
      return;
  }
  events->error = error;
  SetEvent(events->completed);
}
}  // namespace

RequestEvents* watchRequest(HINTERNET request) {
  RequestEvents* events = new RequestEvents();
  events->owners = 1;
  events->completed = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  DWORD_PTR context = requestContext(events);
  const DWORD notifications = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES | WINHTTP_CALLBACK_FLAG_REDIRECT;
  if (events->completed == nullptr ||
      winHttp().setStatusCallback(request, onRequestStatus, notifications, 0) == WINHTTP_INVALID_STATUS_CALLBACK ||
      !winHttp().setOption(request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof(context))) {
    DWORD error = GetLastError();
    releaseRequestEvents(events);
    SetLastError(error);
    return nullptr;
  }
  // From here WinHTTP holds its side until it reports the handle closing;
  // only the worker closes it, later.
  events->owners.fetch_add(1);
  return events;
}

DWORD_PTR requestContext(RequestEvents* events) { return reinterpret_cast<DWORD_PTR>(events); }

Completion awaitCompletion(RequestEvents* events, HANDLE stop, DWORD silenceMs) {
  HANDLE handles[] = {stop, events->completed};
  switch (WaitForMultipleObjects(2, handles, FALSE, silenceMs)) {
    case WAIT_OBJECT_0:
      return Completion::Stopped;
    case WAIT_OBJECT_0 + 1:
      return events->error == 0 ? Completion::Done : Completion::Failed;
    case WAIT_TIMEOUT:
      return Completion::Silent;
    default:
      events->error = GetLastError();
      return Completion::Failed;
  }
}

void releaseRequestEvents(RequestEvents* events) {
  if (events->owners.fetch_sub(1) != 1) return;
  if (events->completed != nullptr) CloseHandle(events->completed);
  delete events;
}
