/* Times command lines from their start: to their end, or, for a line written
   "window:LINE", to a visible bootstrap window of the new process (which is
   then ended). The lines are started in turn, RUNS rounds, each from DIR, so
   that every one meets the same warm Wine. Prints one line per command line:
   "ms=<median> min=<fastest> <line>".
   usage: start_time.exe RUNS DIR LINE... */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define MAX_LINES 10
#define MAX_RUNS 101
#define LIMIT_MS 60000
#define WINDOW_PREFIX L"window:"

typedef struct {
  DWORD pid;
  BOOL shown;
} Search;

static BOOL CALLBACK findWindow(HWND window, LPARAM context) {
  Search *search = (Search *)context;
  DWORD owner = 0;
  wchar_t name[64];
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->pid && IsWindowVisible(window) && GetClassNameW(window, name, 64) &&
      wcscmp(name, L"VelmorBootstrapWindow") == 0) {
    search->shown = TRUE;
    return FALSE;
  }
  return TRUE;
}

static double since(LARGE_INTEGER started) {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return 1000.0 * (double)(now.QuadPart - started.QuadPart) / (double)frequency.QuadPart;
}

/* Milliseconds from the start of line to its end or window; negative on failure. */
static double timeLine(const wchar_t *asked, const wchar_t *dir) {
  size_t prefix = wcslen(WINDOW_PREFIX);
  BOOL toWindow = wcsncmp(asked, WINDOW_PREFIX, prefix) == 0;
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION child;
  wchar_t line[4096];
  Search search = {0, FALSE};
  LARGE_INTEGER started;
  double ms = -1.0;
  wcsncpy(line, toWindow ? asked + prefix : asked, 4095);
  line[4095] = 0;
  QueryPerformanceCounter(&started);
  if (!CreateProcessW(NULL, line, NULL, NULL, FALSE, 0, NULL, dir, &startup, &child)) return -1.0;
  search.pid = child.dwProcessId;
  if (!toWindow) {
    if (WaitForSingleObject(child.hProcess, LIMIT_MS) == WAIT_OBJECT_0) ms = since(started);
  } else {
    for (;;) {
      EnumWindows(findWindow, (LPARAM)&search);
      ms = since(started);
      if (search.shown) break;
      if (ms > LIMIT_MS || WaitForSingleObject(child.hProcess, 1) == WAIT_OBJECT_0) {
        ms = -1.0;
        break;
      }
    }
    TerminateProcess(child.hProcess, 0);
  }
  WaitForSingleObject(child.hProcess, INFINITE);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return ms;
}

static int compareDoubles(const void *a, const void *b) {
  double x = *(const double *)a, y = *(const double *)b;
  return (x > y) - (x < y);
}

int wmain(int argc, wchar_t **argv) {
  static double times[MAX_LINES][MAX_RUNS];
  int runs, lines, run, i;
  if (argc < 4) {
    fwprintf(stderr, L"usage: start_time.exe RUNS DIR LINE...\n");
    return 2;
  }
  runs = _wtoi(argv[1]);
  lines = argc - 3;
  if (runs < 1 || runs > MAX_RUNS || lines > MAX_LINES) return 2;
  for (run = 0; run < runs; ++run) {
    for (i = 0; i < lines; ++i) {
      times[i][run] = timeLine(argv[3 + i], argv[2]);
      if (times[i][run] < 0) {
        fwprintf(stderr, L"no end or window from %ls\n", argv[3 + i]);
        return 1;
      }
    }
  }
  for (i = 0; i < lines; ++i) {
    qsort(times[i], runs, sizeof(double), compareDoubles);
    wprintf(L"ms=%.1f min=%.1f %ls\n", times[i][runs / 2], times[i][0], argv[3 + i]);
  }
  return 0;
}
