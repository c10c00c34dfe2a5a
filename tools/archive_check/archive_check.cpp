#include "archive_check.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tasks/entry_name.h"
#include "tasks/mem_in_stream.h"
extern "C" {
#include "7z.h"
#include "7zCrc.h"
}

namespace {
// Counts the decoder's live bytes and refuses what would pass the limit, so
// that a block too large fails here the way it would in a 32-bit process.
struct CountingAlloc {
  ISzAlloc alloc;
  uint64_t limit;
  uint64_t live;
  uint64_t peak;
  bool refused;
};
const size_t HEADER = 16;  // keeps the block's alignment; holds its size

void* countedAlloc(void* p, size_t size) {
  auto* self = static_cast<CountingAlloc*>(p);
  if (size == 0) return nullptr;
  if (size > self->limit - self->live) {
    self->refused = true;
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(malloc(size + HEADER));
  if (!block) return nullptr;
  memcpy(block, &size, sizeof size);
  self->live += size;
  if (self->live > self->peak) self->peak = self->live;
  return block + HEADER;
}

void countedFree(void* p, void* address) {
  if (!address) return;
  auto* self = static_cast<CountingAlloc*>(p);
  unsigned char* block = static_cast<unsigned char*>(address) - HEADER;
  size_t size;
  memcpy(&size, block, sizeof size);
  self->live -= size;
  free(block);
}

struct Method {
  UInt64 id;
  const char* name;
  bool decoded;  // by the bootstrap's decoder
};
const Method METHODS[] = {
    {0x00, "Copy", true}, {0x21, "LZMA2", true}, {0x030101, "LZMA", true},
    {0x03030103, "BCJ", true}, {0x0303011B, "BCJ2", true}, {0x03030501, "ARM", true},
    {0x03, "Delta", false}, {0x04, "x86", false}, {0x05, "PPC", false}, {0x06, "IA64", false},
    {0x07, "ARM", false}, {0x08, "ARMT", false}, {0x09, "SPARC", false}, {0x0A, "ARM64", false},
    {0x03030205, "PPC", false}, {0x03030401, "IA64", false}, {0x03030701, "ARMT", false},
    {0x03030805, "SPARC", false}, {0x030401, "PPMd", false}, {0x040108, "Deflate", false},
    {0x040109, "Deflate64", false}, {0x040202, "BZip2", false}, {0x06F10701, "AES", false}};
const UInt64 AES = 0x06F10701;

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
  char text[512];
  va_list args;
  va_start(args, pattern);
  vsnprintf(text, sizeof text, pattern, args);
  va_end(args);
  return text;
}

std::string methodProblem(const CSzArEx& db) {
  for (UInt32 f = 0; f < db.db.NumFolders; ++f) {
    const CSzFolder& folder = db.db.Folders[f];
    for (UInt32 c = 0; c < folder.NumCoders; ++c) {
      UInt64 id = folder.Coders[c].MethodID;
      if (id == AES) return "it is encrypted (AES); the bootstrap cannot decrypt";
      const Method* known = nullptr;
      for (const Method& m : METHODS)
        if (m.id == id) known = &m;
      if (known && known->decoded) continue;
      if (known) return format("block %u uses %s, which the bootstrap's decoder lacks", f, known->name);
      return format("block %u uses method 0x%llX, which the bootstrap's decoder lacks", f,
                    static_cast<unsigned long long>(id));
    }
  }
  return "";
}

// The header itself may be encrypted (7zz -mhe): its packed header then names AES.
bool headerNamesAes(const unsigned char* data, size_t size) {
  const unsigned char aes[] = {0x06, 0xF1, 0x07, 0x01};
  if (size < 32) return false;
  uint64_t offset = 0, length = 0;
  memcpy(&offset, data + 12, 8);
  memcpy(&length, data + 20, 8);
  if (offset > size - 32 || length > size - 32 - offset) return false;
  const unsigned char* header = data + 32 + offset;
  for (uint64_t i = 0; i + sizeof aes <= length; ++i)
    if (memcmp(header + i, aes, sizeof aes) == 0) return true;
  return false;
}

std::string resultProblem(SRes res, const CountingAlloc& counter, const char* where) {
  if (res == SZ_ERROR_MEM && counter.refused)
    return format("%s: decoding its block whole needs more than %llu MiB of memory, more than a 32-bit process "
                  "can count on", where, static_cast<unsigned long long>(counter.limit >> 20));
  switch (res) {
    case SZ_ERROR_CRC: return format("it is damaged: a CRC does not match (%s)", where);
    case SZ_ERROR_UNSUPPORTED: return format("%s uses a method, filter or arrangement the bootstrap's decoder lacks", where);
    case SZ_ERROR_NO_ARCHIVE: return "it is not a 7z archive";
    case SZ_ERROR_DATA: return format("it is damaged: its packed data does not decode (%s)", where);
    case SZ_ERROR_INPUT_EOF: return format("it is damaged: it ends before its data does (%s)", where);
    default: return format("it is damaged: error %d in %s", res, where);
  }
}
}  // namespace

std::string checkArchive(const void* data, size_t size, uint64_t memoryLimit) {
  CountingAlloc counter = {{countedAlloc, countedFree}, memoryLimit, 0, 0, false};
  ISzAlloc* alloc = &counter.alloc;
  MemInStream memStream;
  MemInStream_Init(&memStream, data, size);
  ILookInStream* stream = reinterpret_cast<ILookInStream*>(&memStream);
  CrcGenerateTable();
  CSzArEx db;
  SzArEx_Init(&db);
  SRes res = SzArEx_Open(&db, stream, alloc, alloc);
  if (res != SZ_OK) {
    if (res == SZ_ERROR_UNSUPPORTED && headerNamesAes(static_cast<const unsigned char*>(data), size))
      return "its header is encrypted (AES); the bootstrap cannot decrypt";
    return resultProblem(res, counter, "the header");
  }
  std::string problem = methodProblem(db);
  UInt32 blockIndex = 0xFFFFFFFF;
  Byte* block = nullptr;
  size_t blockSize = 0;
  for (UInt32 i = 0; problem.empty() && i < db.db.NumFiles; ++i) {
    size_t offset = 0, processed = 0;
    res = SzArEx_Extract(&db, stream, i, &blockIndex, &block, &blockSize, &offset, &processed, alloc, alloc);
    if (res != SZ_OK) {
      problem = resultProblem(res, counter, format("entry %u", i).c_str());
      break;
    }
    size_t length = SzArEx_GetFileNameUtf16(&db, i, nullptr);
    if (length == 0) {
      problem = format("it is damaged: entry %u has no name", i);
      break;
    }
    std::basic_string<UInt16> name(length, 0);
    SzArEx_GetFileNameUtf16(&db, i, &name[0]);
    std::wstring wide(name.begin(), name.end() - 1);
    if (!isSafeEntryName(wide)) {
      std::string shown(wide.begin(), wide.end());  // enough to recognise it
      problem = format("entry %u (\"%s\") would land outside the extraction folder", i, shown.c_str());
    }
  }
  IAlloc_Free(alloc, block);
  SzArEx_Free(&db, alloc);
  return problem;
}
