#include "app/extraction_directory.h"

#include <windows.h>
#include <shellapi.h>

namespace {
const DWORD TEMP_PATH_CHARS = MAX_PATH + 1;
}  // namespace

void deleteExtractionDirectory(const std::wstring& directory) {
  // An empty source would name the working directory: never delete that.
  if (directory.empty()) return;

  wchar_t temp[TEMP_PATH_CHARS];
  if (GetTempPathW(TEMP_PATH_CHARS, temp) != 0) SetCurrentDirectoryW(temp);

  // A list of one path: the path and two terminating nulls.
  std::wstring from = directory;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation = {};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;
  SHFileOperationW(&operation);
}
