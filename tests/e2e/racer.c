// Another program of the player's, racing the bootstrap. "racer.exe race TEMP SCRATCH" keeps trying, until
// SCRATCH\stop exists (at most 2 minutes), to put itself in place of every "*.tmp.exe" in TEMP and in its
// folders: its copy renamed over the file, or the file renamed away and its copy put there. It starts on a
// file some moment after it could first read it (a check of the file may come first), a moment that differs
// from file to file. At the end it deletes what it put in place (where the bootstrap had let go of a name),
// and a folder of the bootstrap's ("vlm...") that only this kept. Started in any other way, it is an intruder
// that got in: it marks STANDIN_RECORD's file and ends.
// "racer.exe scan TEMP SCRATCH NAME" is a virus scanner instead: it opens each new file below TEMP, letting
// others read and write it but not delete it, and holds it 2 s, or until SCRATCH\stop if it is named NAME.
// "racer.exe relink TEMP SCRATCH" instead, once the bootstrap only reads such a file, puts its copy at the same
// place under SCRATCH\evil and has the link TEMP pointed there by the host's helper (on SCRATCH\relink); once.
#include <windows.h>
#include <shellapi.h>
#include <wchar.h>

#define LONG_PATH 1024
#define MOST 64

static wchar_t seen[MOST][LONG_PATH], placed[MOST][LONG_PATH];
static DWORD seen_at[MOST], seen_delay[MOST];
static int seen_count, placed_count, relinking;
static HANDLE held[MOST];

static int due(const wchar_t* target) {
  DWORD now = GetTickCount();
  for (int i = 0; i < seen_count; ++i)
    if (wcscmp(seen[i], target) == 0) return now - seen_at[i] >= seen_delay[i];
  if (seen_count == MOST) return 1;
  HANDLE readable = CreateFileW(target, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
  if (readable == INVALID_HANDLE_VALUE) return 0;
  CloseHandle(readable);
  wcscpy(seen[seen_count], target);
  seen_at[seen_count] = now;
  seen_delay[seen_count++] = relinking ? 5 : now % 80;
  return 0;
}

static void attack(const wchar_t* target, const wchar_t* scratch) {
  wchar_t spare[LONG_PATH], aside[LONG_PATH], self[LONG_PATH];
  swprintf(spare, LONG_PATH, L"%ls\\spare.exe", scratch);
  swprintf(aside, LONG_PATH, L"%ls\\aside.exe", scratch);
  GetModuleFileNameW(NULL, self, LONG_PATH);
  CopyFileW(self, spare, FALSE);
  if ((MoveFileExW(spare, target, MOVEFILE_REPLACE_EXISTING) ||
       (MoveFileExW(target, aside, MOVEFILE_REPLACE_EXISTING) && MoveFileExW(spare, target, 0))) &&
      placed_count < MOST)
    wcscpy(placed[placed_count++], target);
}

static void relink(const wchar_t* target, const wchar_t* dir, const wchar_t* temp, const wchar_t* scratch) {
  wchar_t twin[LONG_PATH], self[LONG_PATH];
  HANDLE written = relinking > 1 ? INVALID_HANDLE_VALUE : CreateFileW(target, GENERIC_READ, FILE_SHARE_READ |
                                                   FILE_SHARE_DELETE, NULL, OPEN_EXISTING, 0, NULL);
  if (written == INVALID_HANDLE_VALUE || !CloseHandle(written)) return;
  swprintf(twin, LONG_PATH, L"%ls\\evil%ls", scratch, dir + wcslen(temp));
  CreateDirectoryW(twin, NULL);
  wcscat(twin, target + wcslen(dir));
  if (!GetModuleFileNameW(NULL, self, LONG_PATH) || !CopyFileW(self, twin, FALSE)) return;
  wcscpy(placed[placed_count++], twin);
  swprintf(self, LONG_PATH, L"%ls\\relink", scratch);
  CloseHandle(CreateFileW(self, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
  relinking = 2;
}

static void hold(const wchar_t* path, const wchar_t* name, const wchar_t* forever) {
  for (int i = 0; i < seen_count; ++i)
    if (wcscmp(seen[i], path) == 0 || seen_count == MOST) return;
  held[seen_count] = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
  seen_at[seen_count] = GetTickCount();
  seen_delay[seen_count] = wcscmp(name, forever) ? 2000 : INFINITE;
  if (held[seen_count] != INVALID_HANDLE_VALUE) wcscpy(seen[seen_count++], path);  // else again next time
}

static void scan(const wchar_t* dir, int depth, const wchar_t* scratch, const wchar_t* root, const wchar_t* forever) {
  wchar_t path[LONG_PATH];
  WIN32_FIND_DATAW found;
  swprintf(path, LONG_PATH, L"%ls\\*", dir);
  HANDLE find = FindFirstFileW(path, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    size_t length = wcslen(found.cFileName);
    swprintf(path, LONG_PATH, L"%ls\\%ls", dir, found.cFileName);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if ((depth == 0 || forever) && found.cFileName[0] != L'.') scan(path, depth + 1, scratch, root, forever);
    } else if (forever) {
      hold(path, found.cFileName, forever);
    } else if (length > 8 && _wcsicmp(found.cFileName + length - 8, L".tmp.exe") == 0 && due(path)) {
      relinking ? relink(path, dir, root, scratch) : attack(path, scratch);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

int main(void) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  wchar_t stop[LONG_PATH];
  const wchar_t* scanner = argc == 5 && wcscmp(argv[1], L"scan") == 0 ? argv[4] : NULL;
  relinking = argc == 4 && wcscmp(argv[1], L"relink") == 0;
  if (!scanner && (argc != 4 || (wcscmp(argv[1], L"race") != 0 && !relinking))) {
    DWORD n = GetEnvironmentVariableW(L"STANDIN_RECORD", stop, LONG_PATH - 10);
    if (n > 0 && n < LONG_PATH - 10)
      CloseHandle(CreateFileW(wcscat(stop, L".intruded"), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    return 0;
  }
  swprintf(stop, LONG_PATH, L"%ls\\stop", argv[3]);
  for (DWORD begun = GetTickCount(); GetTickCount() - begun < 120000 && GetFileAttributesW(stop) == INVALID_FILE_ATTRIBUTES;) {
    scan(argv[2], 0, argv[3], argv[2], scanner);
    for (int i = 0; i < seen_count && scanner; ++i)
      if (held[i] && GetTickCount() - seen_at[i] >= seen_delay[i]) CloseHandle(held[i]), held[i] = NULL;
    Sleep(1);
  }
  while (placed_count > 0) {  // in its folder, or in the name that a sweep of the bootstrap's gave a folder of its shape
    wchar_t *path = placed[--placed_count], *file = wcsrchr(path, L'\\'), full[LONG_PATH];
    *file++ = 0;
    int ours = wcsncmp(wcsrchr(path, L'\\') + 1, L"vlm", 3) == 0;
    for (int renamed = 0; renamed <= ours; ++renamed) {
      swprintf(full, LONG_PATH, L"%ls%ls\\%ls", path, renamed ? L"_" : L"", file);
      DeleteFileW(full);
      *wcsrchr(full, L'\\') = 0;
      if (ours) RemoveDirectoryW(full);
    }
  }
  return 0;
}
