#include "launch/file_digest.h"

#include <wincrypt.h>

#include <vector>

namespace {
const DWORD READ_CHUNK = 64 * 1024;
const DWORD SHA256_BYTES = 32;

// A hash object and its provider, released in that order.
class Sha256 {
 public:
  Sha256() {
    if (CryptAcquireContextW(&_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
      CryptCreateHash(_provider, CALG_SHA_256, 0, 0, &_hash);
  }
  ~Sha256() {
    if (_hash) CryptDestroyHash(_hash);
    if (_provider) CryptReleaseContext(_provider, 0);
  }
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;
  HCRYPTHASH get() const { return _hash; }

 private:
  HCRYPTPROV _provider = 0;
  HCRYPTHASH _hash = 0;
};
}  // namespace

std::wstring sha256Hex(HANDLE file) {
  Sha256 sha;
  LARGE_INTEGER start = {};
  if (!sha.get() || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return std::wstring();
  std::vector<BYTE> chunk(READ_CHUNK);
  DWORD read = 0;
  do {
    if (!ReadFile(file, chunk.data(), READ_CHUNK, &read, nullptr) || !CryptHashData(sha.get(), chunk.data(), read, 0))
      return std::wstring();
  } while (read != 0);
  BYTE digest[SHA256_BYTES];
  DWORD size = sizeof(digest);
  if (!CryptGetHashParam(sha.get(), HP_HASHVAL, digest, &size, 0) || size != SHA256_BYTES) return std::wstring();
  static const wchar_t HEX[] = L"0123456789abcdef";
  std::wstring text;
  for (BYTE b : digest) text.append({HEX[b >> 4], HEX[b & 15]});
  return text;
}
