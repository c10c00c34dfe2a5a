#include "fs/diagnostic.h"

#include <cstdarg>
#include <cstdio>

#include "fs/run_log.h"

bool diagnose(const wchar_t* format, ...) {
  wchar_t text[LOG_LINE_CHARS];
  va_list values;
  va_start(values, format);
  formatLine(text, format, values);
  va_end(values);
  fputws(text, stderr);
  fflush(stderr);
  logText(text);
  return false;
}
