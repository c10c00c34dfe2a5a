#pragma once
// WinHTTP, loaded from the system folder once and kept: it is not one of the
// DLLs that Windows always takes from there, so it is never imported. The
// table's entries are null when the library or a function is missing
// (complete() then says false). Any thread.
#include <windows.h>
#include <winhttp.h>

struct WinHttp {
  decltype(&::WinHttpOpen) open;
  decltype(&::WinHttpConnect) connect;
  decltype(&::WinHttpOpenRequest) openRequest;
  decltype(&::WinHttpSetTimeouts) setTimeouts;
  decltype(&::WinHttpSetStatusCallback) setStatusCallback;
  decltype(&::WinHttpSetOption) setOption;
  decltype(&::WinHttpSendRequest) sendRequest;
  decltype(&::WinHttpReceiveResponse) receiveResponse;
  decltype(&::WinHttpQueryHeaders) queryHeaders;
  decltype(&::WinHttpQueryDataAvailable) queryDataAvailable;
  decltype(&::WinHttpReadData) readData;
  decltype(&::WinHttpCloseHandle) closeHandle;
  decltype(&::WinHttpGetIEProxyConfigForCurrentUser) getIEProxyConfigForCurrentUser;
  decltype(&::WinHttpGetProxyForUrl) getProxyForUrl;

  bool complete() const;
};

const WinHttp& winHttp();

// One WinHTTP handle, closed when it goes out of scope; declared session,
// connection, request, they close in the reverse order. Owned by one thread.
class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : _handle(handle) {}
  ~InternetHandle() { reset(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return _handle; }
  void reset(HINTERNET handle = nullptr) {
    if (_handle != nullptr) winHttp().closeHandle(_handle);
    _handle = handle;
  }

 private:
  HINTERNET _handle;
};
