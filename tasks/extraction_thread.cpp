#include "tasks/extraction_thread.h"

#include <vector>

#include "7z.h"
#include "7zCrc.h"
extern "C" {
#include "7zAlloc.h"
}
#include "fs/diagnostic.h"
#include "fs/directories.h"
#include "fs/file_path.h"
#include "fs/run_log.h"
#include "launch/leftover_sweep.h"
#include "launch/temp_locations.h"
#include "tasks/entry_name.h"
#include "tasks/mem_in_stream.h"
#include "tasks/worker_messages.h"
#include "tasks/worker_thread.h"

namespace {
ISzAlloc SDK_ALLOC_MAIN = {SzAlloc, SzFree};
ISzAlloc SDK_ALLOC_TEMP = {SzAllocTemp, SzFreeTemp};
const UInt32 NO_BLOCK = 0xFFFFFFFF;

// The decoded solid block, kept across entries so that it is decoded once.
struct BlockCache {
  UInt32 blockIndex = NO_BLOCK;
  Byte* outBuffer = nullptr;
  size_t outBufferSize = 0;
};

void reportText(const wchar_t* text) { diagnose(L"%ls", text); }
void reportCode(const wchar_t* text, unsigned long code) { diagnose(L"%ls%lu\n", text, code); }
void reportResult(const wchar_t* text, SRes res) { diagnose(L"%ls%d\n", text, static_cast<int>(res)); }

enum EntryResult { EntryFile, EntryDirectory, EntryFailed, EntryStop };

// Writes entry index of db below root. On EntryFile, *size is the bytes written.
EntryResult writeEntry(const CSzArEx& db, ILookInStream* stream, UInt32 index, BlockCache& cache,
                       ISzAlloc* allocMain, ISzAlloc* allocTemp, const std::wstring& root, size_t* size) {
  size_t offset = 0;
  size_t outSizeProcessed = 0;
  SRes res = SzArEx_Extract(&db, stream, index, &cache.blockIndex, &cache.outBuffer, &cache.outBufferSize, &offset,
                            &outSizeProcessed, allocMain, allocTemp);
  if (res != SZ_OK) {
    reportResult(L"Error returned by SzExtract: ", res);
    return EntryStop;
  }

  size_t nameLength = SzArEx_GetFileNameUtf16(&db, index, nullptr);
  if (nameLength == 0) {
    reportText(L"Couldn't get file name");
    return EntryStop;
  }
  std::vector<UInt16> name(nameLength);
  SzArEx_GetFileNameUtf16(&db, index, name.data());
  std::wstring relative(name.begin(), name.end() - 1);
  // The archive is our own resource, but a damaged or substituted one must not
  // write anywhere but below the extraction directory.
  if (!isSafeEntryName(relative)) {
    reportCode(L"Entry name outside the extraction directory, entry ", index);
    return EntryStop;
  }
  FilePath target(root);
  target.append(relative);

  if (db.db.Files[index].IsDir) return create_directories(target) ? EntryDirectory : EntryFailed;

  if (!create_directories(target.parent())) reportText(L"Can't create directory");
  HANDLE file = CreateFileW(target.str().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    reportCode(L"Error returned by CreateFile: ", GetLastError());
    return EntryStop;
  }
  // One write per file, straight from the decoded block. The size fits a DWORD:
  // a 32-bit process cannot hold a larger block, and the 64-bit twin ships the same archive.
  DWORD written = 0;
  if (!WriteFile(file, cache.outBuffer + offset, static_cast<DWORD>(outSizeProcessed), &written, nullptr) ||
      written != outSizeProcessed) {
    DWORD error = GetLastError();
    CloseHandle(file);
    reportCode(L"Error returned by WriteFile: ", error);
    return EntryStop;
  }
  if (!CloseHandle(file)) {
    reportCode(L"Error returned by CloseHandle: ", GetLastError());
    return EntryStop;
  }
  *size = outSizeProcessed;
  return EntryFile;
}
}  // namespace

ExtractionThread::ExtractionThread(HWND hwnd)
    : _thread(INVALID_HANDLE_VALUE), _hwnd(hwnd), _data(nullptr), _size(0), _finished(false), _progress(0.0),
      _success(false), _stopRequested(false), _stopped(false), _allocMain(&SDK_ALLOC_MAIN), _allocTemp(&SDK_ALLOC_TEMP) {}

bool ExtractionThread::start(const void* data, uint32_t size) {
  _data = data;
  _size = size;
  return startWorkerThread(ExtractionThreadRoutine, this, _thread);
}

void ExtractionThread::doExtract() {
  // Before this run writes: what killed runs left goes first.
  sweepLeftovers();
  MemInStream memStream;
  MemInStream_Init(&memStream, _data, _size);
  ILookInStream* stream = reinterpret_cast<ILookInStream*>(&memStream);
  CrcGenerateTable();
  CSzArEx db;
  SzArEx_Init(&db);

  DWORD begun = GetTickCount();
  bool ok = true;
  SRes res = SzArEx_Open(&db, stream, _allocMain, _allocTemp);
  if (res != SZ_OK) {
    // Go on with the empty database: the directory is made, nothing is written.
    reportResult(L"Error returned by SzArchiveOpen: ", res);
    ok = false;
  }
  BlockCache cache;

  _extractionPath = create_temp_directory();
  if (_extractionPath.empty()) {
    // No directory to write below: finish at once.
    reportText(L"Can't create the extraction directory\n");
    ok = false;
  } else {
    UInt64 total = 0;
    for (UInt32 i = 0; i < db.db.NumFiles; ++i)
      if (!db.db.Files[i].IsDir) total += db.db.Files[i].Size;
    notifyWindow(_hwnd, WM_WORKER_PROGRESS, this);

    logLine(L"Extracting %lu entries (%llu bytes) into %ls.", static_cast<unsigned long>(db.db.NumFiles),
            static_cast<unsigned long long>(total), _extractionPath.c_str());
    UInt64 written = 0;
    for (UInt32 i = 0; i < db.db.NumFiles; ++i) {
      // Between entries no file is open: the one safe point to give up.
      if (_stopRequested.load(std::memory_order_relaxed)) {
        _stopped = true;
        ok = false;
        break;
      }
      size_t size = 0;
      EntryResult result = writeEntry(db, stream, i, cache, _allocMain, _allocTemp, _extractionPath, &size);
      if (result == EntryStop) {
        ok = false;
        break;
      }
      if (result == EntryFailed) ok = false;
      if (result != EntryFile) continue;
      written += size;
      // An archive of empty files has nothing to divide by: each file completes it.
      double fraction = total == 0 ? 1.0 : static_cast<double>(written) / static_cast<double>(total);
      _progress.store(fraction, std::memory_order_relaxed);
      notifyWindow(_hwnd, WM_WORKER_PROGRESS, this);
    }
    logLine(L"Extraction %ls: %llu bytes written in %lu ms.", ok ? L"complete" : _stopped ? L"cancelled" : L"failed",
            static_cast<unsigned long long>(written), static_cast<unsigned long>(GetTickCount() - begun));
  }

  IAlloc_Free(_allocMain, cache.outBuffer);
  SzArEx_Free(&db, _allocMain);
  _success = ok;
  _finished = true;
  // The window deletes this object while handling the message: touch nothing after it.
  notifyWindow(_hwnd, WM_EXTRACTION_FINISHED, this);
}

DWORD WINAPI ExtractionThreadRoutine(LPVOID worker) {
  static_cast<ExtractionThread*>(worker)->doExtract();
  return 0;
}
