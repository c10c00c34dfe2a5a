/* Times bootstrap programs from their start to their window being shown: the
   clock starts just before CreateProcessW and stops when a visible window of
   the bootstrap's class belongs to the new process, polled every millisecond.
   The programs are started in turn, RUNS times each, and ended once measured
   (their temporary files go to TEMP_DIR). Prints one line per program:
   "window_ms=<median> min=<fastest> <program>".
   usage: window_time.exe RUNS TEMP_DIR PROGRAM... */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#define MAX_PROGRAMS 4
#define MAX_RUNS 101
#define SHOWN_LIMIT_MS 60000

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

/* Milliseconds from the start of program to its window; negative on failure. */
static double timeToWindow(const wchar_t *program) {
  LARGE_INTEGER frequency, started, now;
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION child;
  wchar_t line[MAX_PATH + 3];
  Search search = {0, FALSE};
  double ms = -1.0;
  _snwprintf(line, MAX_PATH + 3, L"\"%ls\"", program);
  line[MAX_PATH + 2] = 0;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  if (!CreateProcessW(program, line, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) return -1.0;
  search.pid = child.dwProcessId;
  for (;;) {
    EnumWindows(findWindow, (LPARAM)&search);
    QueryPerformanceCounter(&now);
    ms = 1000.0 * (double)(now.QuadPart - started.QuadPart) / (double)frequency.QuadPart;
    if (search.shown) break;
    if (ms > SHOWN_LIMIT_MS || WaitForSingleObject(child.hProcess, 1) == WAIT_OBJECT_0) {
      ms = -1.0;
      break;
    }
  }
  TerminateProcess(child.hProcess, 0);
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
  static double times[MAX_PROGRAMS][MAX_RUNS];
  int runs, programs, run, i;
  if (argc < 4) {
    fwprintf(stderr, L"usage: window_time.exe RUNS TEMP_DIR PROGRAM...\n");
    return 2;
  }
  runs = _wtoi(argv[1]);
  programs = argc - 3;
  if (runs < 1 || runs > MAX_RUNS || programs > MAX_PROGRAMS) return 2;
  /* Inherited by the programs: their extraction folders land there. */
  SetEnvironmentVariableW(L"TMP", argv[2]);
  SetEnvironmentVariableW(L"TEMP", argv[2]);
  for (run = 0; run < runs; ++run) {
    for (i = 0; i < programs; ++i) {
      times[i][run] = timeToWindow(argv[3 + i]);
      if (times[i][run] < 0) {
        fwprintf(stderr, L"no window from %ls\n", argv[3 + i]);
        return 1;
      }
    }
  }
  for (i = 0; i < programs; ++i) {
    qsort(times[i], runs, sizeof(double), compareDoubles);
    wprintf(L"window_ms=%.1f min=%.1f %ls\n", times[i][runs / 2], times[i][0], argv[3 + i]);
  }
  return 0;
}
