#pragma once
// The bootstrap's extraction, done in memory on the build host: opens a 7z
// archive with the same LZMA SDK files and MemInStream the program links, reads
// every name, checks it with the program's own name rule and decodes every
// entry, as ExtractionThread does, but writes nothing. Used before a payload is
// embedded and by the fuzzing harness. Allocates nothing beyond memoryLimit
// (the decoder's allocations, at their peak). One call at a time per thread.
#include <cstddef>
#include <cstdint>
#include <string>

// What is wrong with the archive for the bootstrap, or an empty string when the
// bootstrap would extract all of it.
std::string checkArchive(const void* data, size_t size, uint64_t memoryLimit);
