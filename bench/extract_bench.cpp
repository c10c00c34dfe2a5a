// Extracts one archive file through ExtractionThread, the way the bootstrap does
// it: the archive read in place from mapped memory, a real window that repaints
// a bar on every progress notification, and a message loop. Prints the time of
// the extraction, its outcome, the extraction directory and the peak memory.
// usage: extract_bench.exe ARCHIVE  (the directory lands under TMP)
#include <windows.h>

#include <cstdio>

#include "bench/process_memory.h"
#include "tasks/extraction_thread.h"
#include "tasks/worker_messages.h"

namespace {
ExtractionThread* _worker = nullptr;
bool _success = false;
std::wstring _path;

void paintBar(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  double fraction = _worker != nullptr ? _worker->progress() : 1.0;
  RECT bar = client;
  bar.right = client.left + static_cast<LONG>((client.right - client.left) * fraction);
  FillRect(dc, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK benchWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paintBar(hwnd);
      return 0;
    case WM_WORKER_PROGRESS:
      InvalidateRect(hwnd, nullptr, TRUE);
      UpdateWindow(hwnd);
      return 0;
    case WM_EXTRACTION_FINISHED:
      _success = _worker->success();
      _path = _worker->extractionPath();
      delete _worker;
      _worker = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: extract_bench ARCHIVE\n");
    return 2;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  DWORD size = GetFileSize(file, nullptr);
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const void* data = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0) : nullptr;
  if (data == nullptr) return 2;

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = benchWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = L"VorakExtractBench";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"extract_bench", WS_POPUP | WS_VISIBLE, 100, 100,
                                400, 60, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 2;

  LARGE_INTEGER frequency, started, ended;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  _worker = new ExtractionThread(window);
  if (!_worker->start(data, size)) return 2;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  QueryPerformanceCounter(&ended);

  double ms = 1000.0 * static_cast<double>(ended.QuadPart - started.QuadPart) / static_cast<double>(frequency.QuadPart);
  std::printf("extract_ms=%.1f success=%d\n", ms, _success ? 1 : 0);
  std::wprintf(L"path=%ls\n", _path.c_str());
  std::fflush(stdout);
  printPeakMemory();
  DestroyWindow(window);
  UnmapViewOfFile(data);
  CloseHandle(mapping);
  CloseHandle(file);
  return _success ? 0 : 1;
}
