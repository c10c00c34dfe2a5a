// libFuzzer's entry: the in-memory extraction of one archive (bench/fuzz_archive.sh).
#include <cstddef>
#include <cstdint>

#include "archive_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  checkArchive(data, size, 64ull << 20);
  return 0;
}
