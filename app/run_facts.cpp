#include "app/run_facts.h"

#include <windows.h>

#include "app/globals.h"
#include "fs/run_log.h"
#include "version.h"

namespace {

// The string table block that holds the messages from 10001: the language the
// platform chooses for it is the players' language of the messages.
const WORD MESSAGE_BLOCK = 10001 / 16 + 1;

// Without a manifest entry for its version, Windows tells a program an older
// version than it runs: the real one comes from the kernel's own call.
typedef LONG(WINAPI* RtlGetVersionFunction)(OSVERSIONINFOW*);

struct LanguageSearch {
  HRSRC chosen;
  WORD language;
};

BOOL CALLBACK matchLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR search) {
  LanguageSearch* wanted = reinterpret_cast<LanguageSearch*>(search);
  if (FindResourceExW(module, type, name, language) != wanted->chosen) return TRUE;
  wanted->language = language;
  return FALSE;
}

}  // namespace

void logRunFacts() {
  logLine(L"VorakSetup %ls (%ls).", L"" VORAK_VERSION_TEXT, sizeof(void*) == 4 ? L"i686" : L"x86_64");
  OSVERSIONINFOW told = {}, real = {};
  told.dwOSVersionInfoSize = real.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  GetVersionExW(&told);
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (rtlGetVersion == nullptr || rtlGetVersion(&real) != 0) real = told;
  logLine(L"Windows %lu.%lu.%lu as told, %lu.%lu.%lu really.", told.dwMajorVersion, told.dwMinorVersion,
          told.dwBuildNumber, real.dwMajorVersion, real.dwMinorVersion, real.dwBuildNumber);
  LanguageSearch search = {FindResourceW(_instance, MAKEINTRESOURCEW(MESSAGE_BLOCK), MAKEINTRESOURCEW(6)), 0};
  if (search.chosen != nullptr)
    EnumResourceLanguagesW(_instance, MAKEINTRESOURCEW(6), MAKEINTRESOURCEW(MESSAGE_BLOCK), matchLanguage,
                           reinterpret_cast<LONG_PTR>(&search));
  logLine(L"Messages in language %04x (the player's interface: %04x).", search.language, GetUserDefaultUILanguage());
  logLine(L"Command line: %ls", GetCommandLineW());
}
