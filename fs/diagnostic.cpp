#include "fs/diagnostic.h"

#include <cstdarg>
#include <cstdio>

bool diagnose(const wchar_t* format, ...) {
  va_list values;
  va_start(values, format);
  vfwprintf(stderr, format, values);
  va_end(values);
  fflush(stderr);
  return false;
}
