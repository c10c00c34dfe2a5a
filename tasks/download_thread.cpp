#include "tasks/download_thread.h"

#include <cstdio>
#include <vector>

#include "fs/system_library.h"
#include "launch/temp_locations.h"
#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

namespace {
const wchar_t* const USER_AGENT = L"Velmor Bootstrap/1.0";
const wchar_t* const VERB = L"GET";
const wchar_t* const TEMP_NAME_PREFIX = L"dwl_";
const wchar_t* const TARGET_SUFFIX = L".exe";
const DWORD HTTP_OK = 200;

// WinHTTP, loaded from the system folder once and kept: it is not one of the
// DLLs that Windows always takes from there, so it is never imported.
struct WinHttp {
  decltype(&::WinHttpOpen) open;
  decltype(&::WinHttpConnect) connect;
  decltype(&::WinHttpOpenRequest) openRequest;
  decltype(&::WinHttpSendRequest) sendRequest;
  decltype(&::WinHttpReceiveResponse) receiveResponse;
  decltype(&::WinHttpQueryHeaders) queryHeaders;
  decltype(&::WinHttpQueryDataAvailable) queryDataAvailable;
  decltype(&::WinHttpReadData) readData;
  decltype(&::WinHttpCloseHandle) closeHandle;

  bool complete() const {
    return open && connect && openRequest && sendRequest && receiveResponse && queryHeaders && queryDataAvailable &&
           readData && closeHandle;
  }
};

const WinHttp& winHttp() {
  static const WinHttp api = [] {
    HMODULE module = loadSystemLibrary(L"winhttp.dll", L"crypt32.dll");
    WinHttp functions;
    functions.open = systemFunction<decltype(&::WinHttpOpen)>(module, "WinHttpOpen");
    functions.connect = systemFunction<decltype(&::WinHttpConnect)>(module, "WinHttpConnect");
    functions.openRequest = systemFunction<decltype(&::WinHttpOpenRequest)>(module, "WinHttpOpenRequest");
    functions.sendRequest = systemFunction<decltype(&::WinHttpSendRequest)>(module, "WinHttpSendRequest");
    functions.receiveResponse = systemFunction<decltype(&::WinHttpReceiveResponse)>(module, "WinHttpReceiveResponse");
    functions.queryHeaders = systemFunction<decltype(&::WinHttpQueryHeaders)>(module, "WinHttpQueryHeaders");
    functions.queryDataAvailable =
        systemFunction<decltype(&::WinHttpQueryDataAvailable)>(module, "WinHttpQueryDataAvailable");
    functions.readData = systemFunction<decltype(&::WinHttpReadData)>(module, "WinHttpReadData");
    functions.closeHandle = systemFunction<decltype(&::WinHttpCloseHandle)>(module, "WinHttpCloseHandle");
    return functions;
  }();
  return api;
}

// One WinHTTP handle, closed when it goes out of scope; declared session,
// connection, request, they close in the reverse order.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle) : _handle(handle) {}
  ~InternetHandle() {
    if (_handle != nullptr) winHttp().closeHandle(_handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return _handle; }

 private:
  HINTERNET _handle;
};

void reportError(const wchar_t* where) {
  // No blank between the code and "in": the line reads as it always has.
  fwprintf(stderr, L"Error %luin %ls.\n", static_cast<unsigned long>(GetLastError()), where);
  fflush(stderr);
}

// A number header of the answer (WINHTTP_QUERY_* level); false when it is absent.
bool numberHeader(HINTERNET request, DWORD level, DWORD& value) {
  DWORD size = sizeof(value);
  return winHttp().queryHeaders(request, level | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &value,
                                &size, WINHTTP_NO_HEADER_INDEX) != FALSE;
}
}  // namespace

DownloadThread::DownloadThread(HWND hwnd, const std::wstring& domain, const std::wstring& path,
                               const std::wstring& file, INTERNET_PORT port)
    : _success(false),
      _finished(false),
      _stopped(false),
      _domain(domain),
      _path(path),
      _filepath(file),
      _thread(INVALID_HANDLE_VALUE),
      _hwnd(hwnd),
      _port(port),
      _stopRequested(false) {}

bool DownloadThread::start() {
  std::wstring reservation;
  if (_filepath.empty()) {
    // A folder of its own, so that no file planted beside the installer in
    // TEMP (a DLL it may load) is found there, and so that one removal takes all.
    _folder = create_temp_directory();
    if (_folder.empty()) return false;
    wchar_t name[MAX_PATH];
    if (GetTempFileNameW(_folder.c_str(), TEMP_NAME_PREFIX, 0, name) == 0) {
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
  if (_file.valid() && startWorkerThread(DownloadThreadRoutine, this, _thread)) return true;
  // Nothing will run: leave nothing behind that this call made.
  _file.reset();
  if (!_folder.empty()) {
    DeleteFileW(_filepath.c_str());
    DeleteFileW(reservation.c_str());
    RemoveDirectoryW(_folder.c_str());
  }
  return false;
}

bool DownloadThread::transfer(HINTERNET request) {
  const WinHttp& http = winHttp();
  DWORD status = 0;
  if (!numberHeader(request, WINHTTP_QUERY_STATUS_CODE, status) || status != HTTP_OK) {
    // An error page must never become the installer; its body is not read.
    fwprintf(stderr, L"Error: HTTP status %lu.\n", static_cast<unsigned long>(status));
    fflush(stderr);
    return false;
  }
  std::vector<BYTE> buffer;
  DWORD available = 0;
  do {
    if (_stopRequested.load(std::memory_order_relaxed)) {
      _stopped = true;
      return false;
    }
    if (!http.queryDataAvailable(request, &available)) {
      reportError(L"WinHttpQueryDataAvailable");
      return false;
    }
    buffer.resize(available);
    DWORD read = 0;
    if (!http.readData(request, buffer.data(), available, &read)) {
      reportError(L"WinHttpReadData");
      return false;
    }
    DWORD written = 0;
    if (read != 0 && (!WriteFile(_file.get(), buffer.data(), read, &written, nullptr) || written != read)) {
      fwprintf(stderr, L"Error in _file.write()\n");
      fflush(stderr);
      return false;
    }
    int32_t received = _counters.receivedBytes();
    if (read > static_cast<DWORD>(INT32_MAX - received)) {
      fwprintf(stderr, L"Error: the download is larger than 2 GB.\n");
      fflush(stderr);
      return false;
    }
    _counters.received.store(received + static_cast<int32_t>(read), std::memory_order_relaxed);
    notifyWindow(_hwnd, WM_WORKER_PROGRESS, this);
  } while (available != 0);
  int32_t total = _counters.total.load(std::memory_order_relaxed);
  if (total != DOWNLOAD_LENGTH_UNKNOWN && total != _counters.receivedBytes()) {
    fwprintf(stderr, L"Error: received %ld of %ld bytes.\n", static_cast<long>(_counters.receivedBytes()),
             static_cast<long>(total));
    fflush(stderr);
    return false;
  }
  return true;
}

void DownloadThread::doDownload() {
  _counters.total.store(0, std::memory_order_relaxed);
  _counters.received.store(0, std::memory_order_relaxed);
  bool complete = false;
  if (winHttp().complete()) {
    const WinHttp& http = winHttp();
    InternetHandle session(
        http.open(USER_AGENT, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    InternetHandle connection(session.get() ? http.connect(session.get(), _domain.c_str(), _port, 0) : nullptr);
    InternetHandle request(connection.get() ? http.openRequest(connection.get(), VERB, _path.c_str(), nullptr,
                                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                                            : nullptr);
    bool answered = request.get() &&
                    http.sendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                                     0) &&
                    http.receiveResponse(request.get(), nullptr);
    DWORD length = 0;
    // A length beyond what the counters hold is as good as none announced.
    bool announced = answered && numberHeader(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, length) &&
                     length <= static_cast<DWORD>(INT32_MAX);
    _counters.total.store(announced ? static_cast<int32_t>(length) : DOWNLOAD_LENGTH_UNKNOWN,
                          std::memory_order_relaxed);
    complete = answered && transfer(request.get());
  } else {
    fwprintf(stderr, L"Error: WinHTTP is not available.\n");
    fflush(stderr);
  }
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
