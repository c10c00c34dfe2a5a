// Planted under a library's name: when loaded, appends its own path to the file PLANTED_LOG names.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  char record[MAX_PATH], line[MAX_PATH + 2];
  DWORD length = GetModuleFileNameA(self, line, MAX_PATH), written;
  if (reason != DLL_PROCESS_ATTACH || !GetEnvironmentVariableA("PLANTED_LOG", record, MAX_PATH)) return TRUE;
  lstrcpyA(line + length, "\n");
  HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
  if (file != INVALID_HANDLE_VALUE) WriteFile(file, line, length + 1, &written, NULL), CloseHandle(file);
  return TRUE;
}
