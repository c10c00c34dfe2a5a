/* The SDK's own 7zDec, compiled with -Dmain=sdk_7zdec_main and run unchanged,
   timed from its start to its end and followed by the same lines as
   extract_bench: "extract_ms=<ms>" and the peak memory. */
#include <windows.h>
#include <stdio.h>

#include "process_memory.h"

int sdk_7zdec_main(int numargs, char *args[]);

int main(int argc, char *argv[])
{
  LARGE_INTEGER frequency, started, ended;
  int rc;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&started);
  rc = sdk_7zdec_main(argc, argv);
  QueryPerformanceCounter(&ended);
  printf("\nextract_ms=%.1f\n", 1000.0 * (double)(ended.QuadPart - started.QuadPart) / (double)frequency.QuadPart);
  printPeakMemory();
  return rc;
}
