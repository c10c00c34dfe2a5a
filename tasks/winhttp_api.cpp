#include "tasks/winhttp_api.h"

#include "fs/system_library.h"

bool WinHttp::complete() const {
  return open && connect && openRequest && setTimeouts && setStatusCallback && setOption && sendRequest &&
         receiveResponse && queryHeaders && queryDataAvailable && readData && closeHandle &&
         getIEProxyConfigForCurrentUser && getProxyForUrl;
}

const WinHttp& winHttp() {
  static const WinHttp api = [] {
    HMODULE module = loadSystemLibrary(L"winhttp.dll", L"crypt32.dll");
    WinHttp functions;
    functions.open = systemFunction<decltype(&::WinHttpOpen)>(module, "WinHttpOpen");
    functions.connect = systemFunction<decltype(&::WinHttpConnect)>(module, "WinHttpConnect");
    functions.openRequest = systemFunction<decltype(&::WinHttpOpenRequest)>(module, "WinHttpOpenRequest");
    functions.setTimeouts = systemFunction<decltype(&::WinHttpSetTimeouts)>(module, "WinHttpSetTimeouts");
    functions.setStatusCallback =
        systemFunction<decltype(&::WinHttpSetStatusCallback)>(module, "WinHttpSetStatusCallback");
    functions.setOption = systemFunction<decltype(&::WinHttpSetOption)>(module, "WinHttpSetOption");
    functions.sendRequest = systemFunction<decltype(&::WinHttpSendRequest)>(module, "WinHttpSendRequest");
    functions.receiveResponse = systemFunction<decltype(&::WinHttpReceiveResponse)>(module, "WinHttpReceiveResponse");
    functions.queryHeaders = systemFunction<decltype(&::WinHttpQueryHeaders)>(module, "WinHttpQueryHeaders");
    functions.queryDataAvailable =
        systemFunction<decltype(&::WinHttpQueryDataAvailable)>(module, "WinHttpQueryDataAvailable");
    functions.readData = systemFunction<decltype(&::WinHttpReadData)>(module, "WinHttpReadData");
    functions.closeHandle = systemFunction<decltype(&::WinHttpCloseHandle)>(module, "WinHttpCloseHandle");
    functions.getIEProxyConfigForCurrentUser = systemFunction<decltype(&::WinHttpGetIEProxyConfigForCurrentUser)>(
        module, "WinHttpGetIEProxyConfigForCurrentUser");
    functions.getProxyForUrl = systemFunction<decltype(&::WinHttpGetProxyForUrl)>(module, "WinHttpGetProxyForUrl");
    return functions;
  }();
  return api;
}
