// payload_check ARCHIVE.7z: refuses (exit 1, one line on stderr saying why) an
// archive that the bootstrap could not extract; quiet when it could.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "archive_check.h"

// A 32-bit process has 2 GiB of address space, shared by Windows' DLLs, the
// program image (which holds the archive) and the heap, and fragmented by
// them: the archive and the decoder's memory at its peak (the whole largest
// block, plus BCJ2's side streams) must fit in 768 MiB.
const uint64_t MEMORY_BUDGET = 768ull << 20;

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: payload_check ARCHIVE.7z\n");
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string problem;
  if (!file.good() && !file.eof())
    problem = "it cannot be read";
  else if (data.size() >= MEMORY_BUDGET)
    problem = "it is larger than the 768 MiB a 32-bit process can count on";
  else
    problem = checkArchive(data.data(), data.size(), MEMORY_BUDGET - data.size());
  if (problem.empty()) return 0;
  fprintf(stderr, "Payload %s refused: %s.\n", argv[1], problem.c_str());
  return 1;
}
