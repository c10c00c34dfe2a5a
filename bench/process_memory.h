#pragma once
// Prints this process's peak memory as Windows reports it, one line on standard
// output: "peak_working_set=<bytes> peak_private=<bytes>". Any thread.
#ifdef __cplusplus
extern "C" {
#endif
void printPeakMemory(void);
#ifdef __cplusplus
}
#endif
