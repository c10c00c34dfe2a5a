/* The floor of a game's start: a windowless program that imports what the
   bootstrap imports (one function of each of its DLLs, so that the loader does
   the same work), starts the program named by its first argument and waits
   for it; its exit code is the program's.
   usage: bare_launcher.exe PROGRAM */
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

/* Referenced, never called: keeps each DLL in the import table. */
static const void *volatile imports[] = {
    (const void *)IsWindow, (const void *)GetStockObject, (const void *)RegCloseKey,
    (const void *)PathIsDirectoryEmptyW,
};

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION child;
  DWORD exitCode = 1;
  int argc = 0;
  wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  (void)instance, (void)previous, (void)commandLine, (void)show, (void)imports;
  if (argv == NULL || argc < 2) return 2;
  if (!CreateProcessW(argv[1], NULL, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &child)) return 3;
  WaitForSingleObject(child.hProcess, INFINITE);
  GetExitCodeProcess(child.hProcess, &exitCode);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  LocalFree(argv);
  return (int)exitCode;
}
