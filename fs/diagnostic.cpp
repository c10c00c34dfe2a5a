#include "fs/diagnostic.h"

#include <cstdarg>
#include <cstdio>

#include "fs/run_log.h"

namespace {
const size_t LINE_CHARS = 2048;
}  // namespace

bool diagnose(const wchar_t* format, ...) {
  wchar_t text[LINE_CHARS];
  va_list values;
  va_start(values, format);
  vswprintf(text, LINE_CHARS, format, values);
  va_end(values);
  text[LINE_CHARS - 1] = L'\0';
  fputws(text, stderr);
  fflush(stderr);
  logText(text);
  return false;
}
