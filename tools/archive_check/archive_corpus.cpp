// archive_corpus: a deterministic run of the in-memory extraction over mutants
// of 7z archives, for a build with the address and undefined-behaviour
// sanitizers (which stop the run at the first fault).
//   archive_corpus [--count N] [--seed S] [BASE.7z...]   run N mutants, print figures
//   archive_corpus --isolate ...                          each mutant in a child process: count the
//                                                         ones that fail (for an unpatched SDK)
//   archive_corpus --write DIR [--seed S] INDEX...        write those mutants of the built-in archive
//                                                         ("base": the archive itself)
// Mutants: header bytes changed, inserted or removed with both header CRCs
// made valid again; packed bytes changed; or both. Mutant i depends only on
// the seed, i and the base archives. A mutant running past WATCHDOG_SECONDS is
// reported as a hang.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "archive_check.h"
extern "C" {
#include "7zCrc.h"
}

namespace {
const uint64_t MEMORY_LIMIT = 64ull << 20;  // mutated sizes ask for anything; decoding small archives needs little
const unsigned WATCHDOG_SECONDS = 10;
volatile sig_atomic_t current = -1;
// How the figures group the refusals, by a phrase of the problem.
const std::pair<const char*, const char*> KINDS[] = {
    {"CRC", "refused: CRC mismatch"}, {"lacks", "refused: method or arrangement the decoder lacks"},
    {"memory", "refused: more memory than allowed"}, {"outside", "refused: entry outside the folder"},
    {"no name", "refused: entry without a name"}, {"not a 7z", "refused: not a 7z archive"}};

void onHang(int) {
  char text[96];
  int n = snprintf(text, sizeof text, "HANG: mutant %d ran past %u s\n", static_cast<int>(current), WATCHDOG_SECONDS);
  if (write(2, text, n) < 0) {}
  _exit(3);
}

struct Rng {  // splitmix64
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t below(size_t n) { return n ? static_cast<size_t>(next() % n) : 0; }
};

void put32(std::string& s, size_t at, uint32_t v) { memcpy(&s[at], &v, 4); }
void put64(std::string& s, size_t at, uint64_t v) { memcpy(&s[at], &v, 8); }
uint64_t get64(const std::string& s, size_t at) {
  uint64_t v;
  memcpy(&v, &s[at], 8);
  return v;
}
std::string number(uint64_t n) {  // 7z's numbers below 2^14, enough for the built-in archive
  if (n < 0x80) return std::string(1, static_cast<char>(n));
  return {static_cast<char>(0x80 | (n >> 8)), static_cast<char>(n & 0xFF)};
}
uint32_t crc(const std::string& s) { return CrcCalc(s.data(), s.size()); }

// A folder, an empty file and two files in one copy block, with a plain header:
// every kind of entry and every header section the bootstrap's archives use.
std::string builtinArchive() {
  const std::string one = "first file\n", two = "second, a little longer\n";
  std::string h = "\x01\x04";
  h += "\x06" + number(0) + number(1) + "\x09" + number(one.size() + two.size()) + std::string(1, 0);
  h += std::string("\x07\x0b\x01\x00\x01\x01\x00\x0c", 8) + number(one.size() + two.size()) + std::string(1, 0);
  h += "\x08\x0d\x02\x09" + number(one.size()) + "\x0a\x01";
  std::string crcs(8, 0);
  put32(crcs, 0, crc(one));
  put32(crcs, 4, crc(two));
  h += crcs + std::string("\x00\x00", 2);
  h += "\x05\x04";                                        // four entries: dir, dir/a.txt, empty.txt, b.txt
  h += std::string("\x0e\x01\xa0\x0f\x01\x40", 6);        // entries 0 and 2 without data; entry 2 a file
  const char16_t names[] = u"dir\0dir/a.txt\0empty.txt\0b.txt";  // with its last terminator
  std::string bytes(1, 0);                                       // names inline
  for (char16_t c : names) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  h += "\x11" + number(bytes.size()) + bytes + std::string("\x00\x00", 2);
  std::string a(32, 0);
  memcpy(&a[0], "7z\xbc\xaf\x27\x1c\x00\x04", 8);
  a += one + two;
  put64(a, 12, one.size() + two.size());
  put64(a, 20, h.size());
  put32(a, 28, crc(h));
  put32(a, 8, CrcCalc(a.data() + 12, 20));
  return a + h;
}

void editBytes(std::string& s, size_t from, size_t to, Rng& rng) {
  if (from >= to) return;
  for (size_t n = 1 + rng.below(3); n > 0; --n) {
    char& b = s[from + rng.below(to - from)];
    switch (rng.below(4)) {
      case 0: b = static_cast<char>(rng.next()); break;
      case 1: b = static_cast<char>(rng.below(0x20)); break;
      case 2: b ^= static_cast<char>(1 << rng.below(8)); break;
      default: b = static_cast<char>(b + (rng.below(2) ? 1 : -1)); break;
    }
  }
}

std::string mutate(const std::string& base, Rng& rng) {
  std::string a = base;
  uint64_t offset = get64(a, 12), size = get64(a, 20);
  size_t header = 32 + offset;
  size_t kind = rng.below(4);
  if (kind != 2 && size > 0) {
    if (kind == 1 && rng.below(2)) {
      a.erase(header + rng.below(size), 1);
      --size;
    } else if (kind == 1) {
      a.insert(header + rng.below(size + 1), 1, static_cast<char>(rng.below(0x20)));
      ++size;
    }
    editBytes(a, header, header + size, rng);
    put64(a, 20, size);
    put32(a, 28, CrcCalc(a.data() + header, size));
    put32(a, 8, CrcCalc(a.data() + 12, 20));
  }
  if (kind >= 2) editBytes(a, 32, header, rng);
  return a;
}

std::string readFile(const char* path) {
  std::ifstream f(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}
}  // namespace

int main(int argc, char** argv) {
  CrcGenerateTable();
  long count = 1000;
  uint64_t seed = 1;
  const char* writeDir = nullptr;
  bool isolate = false;
  std::vector<long> failed;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--count" && i + 1 < argc) count = atol(argv[++i]);
    else if (arg == "--seed" && i + 1 < argc) seed = strtoull(argv[++i], nullptr, 0);
    else if (arg == "--write" && i + 1 < argc) writeDir = argv[++i];
    else if (arg == "--isolate") isolate = true;
    else args.push_back(arg);
  }
  std::vector<std::string> bases{builtinArchive()};
  if (writeDir) {
    std::filesystem::create_directories(writeDir);
    for (const std::string& index : args) {
      Rng rng{seed * 1000003 + strtoull(index.c_str(), nullptr, 10)};
      std::string mutant = index == "base" ? bases[0] : mutate(bases[0], rng);
      std::ofstream(std::string(writeDir) + "/mutant-" + index + ".7z", std::ios::binary) << mutant;
    }
    return 0;
  }
  for (const std::string& path : args) bases.push_back(readFile(path.c_str()));
  for (size_t i = 0; i < bases.size(); ++i) {
    std::string problem = bases[i].size() < 32 ? "too short" : checkArchive(bases[i].data(), bases[i].size(), MEMORY_LIMIT);
    if (!problem.empty()) {
      fprintf(stderr, "base archive %zu does not extract: %s\n", i, problem.c_str());
      return 2;
    }
  }
  signal(SIGALRM, onHang);
  std::map<std::string, long> outcomes;
  double slowest = 0;
  auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < count; ++i) {
    Rng rng{seed * 1000003 + static_cast<uint64_t>(i)};
    std::string mutant = mutate(bases[i % bases.size()], rng);
    current = static_cast<int>(i);
    alarm(WATCHDOG_SECONDS);
    if (isolate) {
      pid_t child = fork();
      if (child == 0) _exit(checkArchive(mutant.data(), mutant.size(), MEMORY_LIMIT).size() * 0);
      int status = 0;
      waitpid(child, &status, 0);
      alarm(0);
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failed.push_back(i);
      continue;
    }
    auto t0 = std::chrono::steady_clock::now();
    std::string problem = checkArchive(mutant.data(), mutant.size(), MEMORY_LIMIT);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    alarm(0);
    if (ms > slowest) slowest = ms;
    const char* what = "refused: damaged";
    for (const auto& kind : KINDS)
      if (problem.find(kind.first) != std::string::npos) what = kind.second;
    ++outcomes[problem.empty() ? "extracted whole" : what];
  }
  double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (isolate) {
    printf("%ld mutants of %zu base archives (seed %llu) in %.1f s: %zu failed:", count, bases.size(),
           static_cast<unsigned long long>(seed), total, failed.size());
    for (long i : failed) printf(" %ld", i);
    printf("\n");
    return failed.empty() ? 0 : 1;
  }
  printf("%ld mutants of %zu base archives (seed %llu) in %.1f s, slowest %.1f ms; no sanitizer error, no hang\n",
         count, bases.size(), static_cast<unsigned long long>(seed), total, slowest);
  for (const auto& o : outcomes) printf("  %6ld  %s\n", o.second, o.first.c_str());
  return 0;
}
