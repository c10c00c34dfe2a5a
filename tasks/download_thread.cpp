#include "tasks/download_thread.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>

#include "fs/diagnostic.h"
#include "fs/run_log.h"
#include "launch/temp_locations.h"
#include "tasks/download_proxy.h"
#include "tasks/request_events.h"
#include "tasks/winhttp_api.h"
#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

namespace {
const wchar_t* const USER_AGENT = L"Velmor Bootstrap/1.0";
const wchar_t* const VERB = L"GET";
const wchar_t* const TEMP_NAME_PREFIX = L"dwl_";
const wchar_t* const TARGET_SUFFIX = L".exe";
const DWORD HTTP_OK = 200;
// WinHTTP's own limits for finding the server, connecting and sending; its
// receive limit comes after the download's own silence limit, which is then
// always the one that reports.
const int RESOLVE_TIMEOUT_MS = 30000, CONNECT_TIMEOUT_MS = 30000, SEND_TIMEOUT_MS = 30000;
const DWORD RECEIVE_TIMEOUT_MARGIN_MS = 10000;
// Digits of a Content-Length that the query may hold; more are refused as too large.
const DWORD LENGTH_DIGITS = 40;

// A number header of the answer (WINHTTP_QUERY_* level); false when it is absent.
bool numberHeader(HINTERNET request, DWORD level, DWORD& value) {
  DWORD size = sizeof(value);
  return winHttp().queryHeaders(request, level | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value,
                                &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
}

// The announced length read as text: WinHTTP's number form holds 32 bits and
// cuts a larger one short. text gets the header; DOWNLOAD_LENGTH_UNKNOWN when
// there is none (or it is no number), DOWNLOAD_MAX_BYTES + 1 for anything longer.
int64_t announcedLength(HINTERNET request, wchar_t (&text)[LENGTH_DIGITS + 1]) {
  DWORD size = sizeof(text);
  if (!winHttp().queryHeaders(request, WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, text, &size,
                              WINHTTP_NO_HEADER_INDEX)) {
    wcscpy(text, L"too many");
    return GetLastError() == ERROR_INSUFFICIENT_BUFFER ? int64_t(DOWNLOAD_MAX_BYTES) + 1 : DOWNLOAD_LENGTH_UNKNOWN;
  }
  int64_t length = 0;
  for (const wchar_t* digit = text; *digit != L'\0'; ++digit) {
    if (*digit < L'0' || *digit > L'9') return DOWNLOAD_LENGTH_UNKNOWN;
    length = std::min<int64_t>(length * 10 + (*digit - L'0'), int64_t(DOWNLOAD_MAX_BYTES) + 1);
  }
  return text[0] == L'\0' ? DOWNLOAD_LENGTH_UNKNOWN : length;
}
}  // namespace

DownloadThread::DownloadThread(HWND hwnd, const std::wstring& domain, const std::wstring& path,
                               const std::wstring& file, INTERNET_PORT port, DWORD silenceMs, DWORD floorWindowMs)
    : _success(false),
      _finished(false),
      _stopped(false),
      _domain(domain),
      _path(path),
      _filepath(file),
      _thread(INVALID_HANDLE_VALUE),
      _hwnd(hwnd),
      _port(port),
      _silenceMs(silenceMs),
      _floorWindowMs(floorWindowMs),
      _windowStart(0),
      _windowBytes(0) {}

bool DownloadThread::start() {
  std::wstring reservation;
  if (winHttp().complete()) readPlayerProxy(_proxy);
  if (_filepath.empty()) {
    // A folder of its own, so that no file planted beside the installer in
    // TEMP (a DLL it may load) is found there, and so that one removal takes all.
    _folder = create_temp_directory();
    if (_folder.empty()) {
      diagnose(L"Error: cannot make the download's folder.\n");
      return false;
    }
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(_folder.c_str(), TEMP_NAME_PREFIX, 0, name) == 0) {
      diagnose(L"Error %luin GetTempFileNameW.\n", static_cast<unsigned long>(GetLastError()));
      releaseTempDirectory(_folder);
      RemoveDirectoryW(_folder.c_str());
      _folder.clear();
      return false;
    }
    reservation = name;
    _filepath = reservation + TARGET_SUFFIX;
  }
  // Others may only read it: it cannot be changed, renamed or deleted while it
  // arrives, and the hold that takes over after it needs to open it meanwhile.
  _file.reset(CreateFileW(_filepath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  _stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!_file.valid()) diagnose(L"Error %luin CreateFileW for the download.\n", static_cast<unsigned long>(GetLastError()));
  else if (!_stopEvent.valid()) diagnose(L"Error %luin CreateEventW.\n", static_cast<unsigned long>(GetLastError()));
  else if (startWorkerThread(DownloadThreadRoutine, this, _thread)) return true;
  else diagnose(L"Error %luin CreateThread for the download.\n", static_cast<unsigned long>(GetLastError()));
  // Nothing will run: leave nothing behind that this call made.
  _file.reset();
  if (!_folder.empty()) {
    DeleteFileW(_filepath.c_str());
    DeleteFileW(reservation.c_str());
    releaseTempDirectory(_folder);
    RemoveDirectoryW(_folder.c_str());
  }
  return false;
}

const std::wstring& DownloadThread::way() {
  if (_automatic) _way = automaticWay(USER_AGENT, _url, _proxy);
  _automatic = false;
  return _way;
}

std::wstring DownloadThread::triedHost() const {
  // After a redirect the request goes elsewhere: the line names where.
  if (_events == nullptr || _events->redirect[0] == L'\0') return _domain;
  std::wstring url = _events->redirect;
  size_t scheme = url.find(L"://"), start = scheme == std::wstring::npos ? 0 : scheme + 3;
  size_t end = url[start] == L'[' ? url.find(L']', start) + 1 : url.find_first_of(L":/", start);
  return url.substr(start, end == std::wstring::npos || end == 0 ? std::wstring::npos : end - start);
}

bool DownloadThread::failed(const wchar_t* call, DWORD error) {
  unsigned long code = error;
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
      diagnose(L"Error: timed out in %ls.\n", call);
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
    case ERROR_WINHTTP_CANNOT_CONNECT:
      diagnose(L"Error %lu: cannot connect to %ls %ls.\n", code, triedHost().c_str(), way().c_str());
      break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
      diagnose(L"Error %lu: the server's redirect cannot be followed.\n", code);
      break;
    default:
      // No blank between the code and "in": the line reads as it always has.
      diagnose(L"Error %luin %ls.\n", code, call);
  }
  return false;
}

bool DownloadThread::await(RequestEvents* events, BOOL begun, const wchar_t* call) {
  if (!begun) return failed(call, GetLastError());
  const DWORD since = GetTickCount();
  for (;;) {
    DWORD now = GetTickCount(), silent = now - since;
    if (silent >= _silenceMs) {
      diagnose(L"Error: nothing received for %lu s in %ls from %ls %ls.\n", static_cast<unsigned long>(_silenceMs / 1000),
               call, triedHost().c_str(), way().c_str());
      return false;
    }
    if (now - _windowStart >= _floorWindowMs) {
      if (_counters.receivedBytes() - _windowBytes < DOWNLOAD_FLOOR_BYTES) {
        diagnose(L"Error: less than %ld bytes received in %lu s from %ls %ls.\n", static_cast<long>(DOWNLOAD_FLOOR_BYTES),
                 static_cast<unsigned long>(_floorWindowMs / 1000), triedHost().c_str(), way().c_str());
        return false;
      }
      _windowStart = now;
      _windowBytes = _counters.receivedBytes();
    }
    DWORD wait = std::min(_silenceMs - silent, _floorWindowMs - (now - _windowStart));
    switch (awaitCompletion(events, _stopEvent.get(), wait)) {
      case Completion::Done:
        return true;
      case Completion::Stopped:
        _stopped = true;  // the player's close: no line
        return false;
      case Completion::Silent:
        break;  // a limit is due: judged above
      default:
        return failed(call, events->error);
    }
  }
}

bool DownloadThread::exchange(HINTERNET request, RequestEvents* events) {
  const WinHttp& http = winHttp();
  _windowStart = GetTickCount();
  _windowBytes = 0;
  if (!await(events,
             http.sendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                              requestContext(events)),
             L"WinHttpSendRequest") ||
      !await(events, http.receiveResponse(request, nullptr), L"WinHttpReceiveResponse"))
    return false;
  DWORD status = 0;
  if (!numberHeader(request, WINHTTP_QUERY_STATUS_CODE, status) || status != HTTP_OK) {
    // An error page must never become the installer; its body is not read.
    diagnose(L"Error: HTTP status %lu.\n", static_cast<unsigned long>(status));
    return false;
  }
  wchar_t text[LENGTH_DIGITS + 1] = {};
  int64_t length = announcedLength(request, text);
  if (length > DOWNLOAD_MAX_BYTES) {
    diagnose(L"Error: the server announces %ls bytes, more than %lu.\n", text,
              static_cast<unsigned long>(DOWNLOAD_MAX_BYTES));
    return false;
  }
  logLine(L"Download: HTTP status %lu, announced length %ls.", static_cast<unsigned long>(status),
          length == DOWNLOAD_LENGTH_UNKNOWN ? L"none" : text);
  _counters.total.store(static_cast<int32_t>(length), std::memory_order_relaxed);
  DWORD available = 0;
  do {
    if (!await(events, http.queryDataAvailable(request, nullptr), L"WinHttpQueryDataAvailable")) return false;
    available = events->bytes;
    DWORD read = 0;
    if (available != 0) {
      if (available > DOWNLOAD_MAX_BYTES - static_cast<DWORD>(_counters.receivedBytes())) {
        diagnose(L"Error: more than %lu bytes received.\n", static_cast<unsigned long>(DOWNLOAD_MAX_BYTES));
        return false;
      }
      events->buffer.resize(available);
      if (!await(events, http.readData(request, events->buffer.data(), available, nullptr), L"WinHttpReadData"))
        return false;
      read = events->bytes;
    }
    DWORD written = 0;
    if (read != 0 && (!WriteFile(_file.get(), events->buffer.data(), read, &written, nullptr) || written != read)) {
      diagnose(L"Error in _file.write()\n");
      return false;
    }
    _counters.received.store(_counters.receivedBytes() + static_cast<int32_t>(read), std::memory_order_relaxed);
    notifyWindow(_hwnd, WM_WORKER_PROGRESS, this);
  } while (available != 0);
  int32_t total = _counters.total.load(std::memory_order_relaxed);
  if (total != DOWNLOAD_LENGTH_UNKNOWN && total != _counters.receivedBytes()) {
    diagnose(L"Error: received %ld of %ld bytes.\n", static_cast<long>(_counters.receivedBytes()),
              static_cast<long>(total));
    return false;
  }
  return true;
}

bool DownloadThread::fetch() {
  const WinHttp& http = winHttp();
  _url = L"http://" + _domain + L":" + std::to_wstring(_port) + L"/" + _path;
  DownloadRoute route = openPlayerSession(USER_AGENT, _url, _proxy);
  _way = route.way;
  _automatic = route.automatic;
  logLine(L"Download: %ls %ls.", _url.c_str(), _way.c_str());
  InternetHandle session(route.session);
  if (session.get() == nullptr) return failed(L"WinHttpOpen", GetLastError());
  http.setTimeouts(session.get(), RESOLVE_TIMEOUT_MS, CONNECT_TIMEOUT_MS, SEND_TIMEOUT_MS,
                   static_cast<int>(_silenceMs + RECEIVE_TIMEOUT_MARGIN_MS));
  InternetHandle connection(http.connect(session.get(), _domain.c_str(), _port, 0));
  if (connection.get() == nullptr) return failed(L"WinHttpConnect", GetLastError());
  InternetHandle request(http.openRequest(connection.get(), VERB, _path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                          WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
  if (request.get() == nullptr) return failed(L"WinHttpOpenRequest", GetLastError());
  RequestEvents* events = watchRequest(request.get());
  if (events == nullptr) return failed(L"WinHttpSetStatusCallback", GetLastError());
  _events = events;
  bool complete = exchange(request.get(), events);
  _events = nullptr;
  // Closed by this thread, which alone uses it; a call still pending ends
  // into the events, which WinHTTP lets go of when it reports the closing.
  request.reset();
  releaseRequestEvents(events);
  return complete;
}

void DownloadThread::doDownload() {
  _counters.total.store(0, std::memory_order_relaxed);
  _counters.received.store(0, std::memory_order_relaxed);
  bool complete = false;
  DWORD begun = GetTickCount();
  if (winHttp().complete()) {
    complete = fetch();
  } else {
    diagnose(L"Error: WinHTTP is not available.\n");
  }
  logLine(L"Download %ls: %ld bytes received in %lu ms.", complete ? L"complete" : _stopped ? L"stopped" : L"failed",
          static_cast<long>(_counters.receivedBytes()), static_cast<unsigned long>(GetTickCount() - begun));
  // A complete download stays open for the hold that takes it over.
  if (!complete) _file.reset();
  _success = complete;
  _finished = true;
  notifyWindow(_hwnd, WM_DOWNLOAD_FINISHED, this);
}

DWORD WINAPI DownloadThreadRoutine(LPVOID worker) {
  static_cast<DownloadThread*>(worker)->doDownload();
  return 0;
}
