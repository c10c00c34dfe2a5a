#include "app/messages.h"

#include <windows.h>

#include "app/globals.h"

std::map<int, std::wstring> translations;

namespace {
// Room for a message of up to 999 UTF-16 units and its terminator.
const int TR_BUFFER_CHARS = 1000;
}  // namespace

std::wstring tr(int id) {
  auto cached = translations.find(id);
  if (cached != translations.end()) return cached->second;

  // The platform picks the table (user interface language, else its fallback);
  // an id that table lacks leaves the buffer empty.
  wchar_t buffer[TR_BUFFER_CHARS];
  buffer[0] = L'\0';
  LoadStringW(_instance, static_cast<UINT>(id), buffer, TR_BUFFER_CHARS);
  translations[id] = buffer;
  return buffer;
}
