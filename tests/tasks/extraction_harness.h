#pragma once
// Runs one ExtractionThread the way the program does: a window whose procedure
// counts the notifications and deletes the worker on WM_EXTRACTION_FINISHED,
// and a message loop on the test's thread. Used by the extraction tests.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "Types.h"

struct ExtractionRun {
  bool ended = false;               // the completion came within the time limit
  std::vector<double> progress;     // progress() at each WM_WORKER_PROGRESS
  int finishedMessages = 0;
  bool finishedFlag = false;
  bool success = false;
  std::wstring path;                // extractionPath() at completion
  std::wstring errors;              // what the worker wrote to standard error
};

// Extracts archive with the temporary folder pointed at tempDir (TMP and TEMP);
// allocMain, when given, replaces the decoder's main allocator.
ExtractionRun runExtraction(const std::string& archive, const std::wstring& tempDir, ISzAlloc* allocMain = nullptr);

// The test archives made by make_test_archives.sh.
std::wstring archivePath(const std::wstring& name);

// Every file and folder below root by relative path: a file's bytes, or "<dir>".
std::map<std::wstring, std::string> snapshotTree(const std::wstring& root);
