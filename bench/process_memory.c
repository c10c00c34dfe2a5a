#include "process_memory.h"

#include <windows.h>
#include <psapi.h>
#include <stdio.h>

void printPeakMemory(void)
{
  PROCESS_MEMORY_COUNTERS counters;
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
    return;
  /* %lu: the C runtime of the older Windows knows no %llu; a 32-bit count is enough here. */
  printf("peak_working_set=%lu peak_private=%lu\n", (unsigned long)counters.PeakWorkingSetSize,
         (unsigned long)counters.PeakPagefileUsage);
  fflush(stdout);
}
