#include "trust/FileHash.h"

#include <wincrypt.h>

#include <cstring>

namespace {

constexpr DWORD kReadChunk = 1 << 20;

class CryptProvider {
 public:
  CryptProvider() {
    if (!CryptAcquireContextA(&m_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) m_provider = 0;
  }
  ~CryptProvider() {
    if (m_provider != 0) CryptReleaseContext(m_provider, 0);
  }
  CryptProvider(const CryptProvider&) = delete;
  CryptProvider& operator=(const CryptProvider&) = delete;
  HCRYPTPROV get() const { return m_provider; }

 private:
  HCRYPTPROV m_provider = 0;
};

class CryptHash {
 public:
  explicit CryptHash(HCRYPTPROV provider) {
    if (provider == 0 || !CryptCreateHash(provider, CALG_SHA_256, 0, 0, &m_hash)) m_hash = 0;
  }
  ~CryptHash() {
    if (m_hash != 0) CryptDestroyHash(m_hash);
  }
  CryptHash(const CryptHash&) = delete;
  CryptHash& operator=(const CryptHash&) = delete;
  HCRYPTHASH get() const { return m_hash; }

 private:
  HCRYPTHASH m_hash = 0;
};

DWORD LastErrorOr(DWORD fallback) {
  DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : fallback;
}

}  // namespace

DWORD Sha256OfFile(HANDLE file, Sha256Digest& digest) {
  CryptProvider provider;
  if (provider.get() == 0) return LastErrorOr(NTE_PROV_TYPE_NOT_DEF);
  CryptHash hash(provider.get());
  if (hash.get() == 0) return LastErrorOr(NTE_BAD_ALGID);
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return LastErrorOr(ERROR_SEEK);

  HANDLE heap = GetProcessHeap();
  BYTE* buffer = static_cast<BYTE*>(HeapAlloc(heap, 0, kReadChunk));
  if (buffer == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD result = ERROR_SUCCESS;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file, buffer, kReadChunk, &read, nullptr)) {
      result = LastErrorOr(ERROR_READ_FAULT);
      break;
    }
    if (read == 0) break;
    if (!CryptHashData(hash.get(), buffer, read, 0)) {
      result = LastErrorOr(NTE_BAD_HASH);
      break;
    }
  }
  HeapFree(heap, 0, buffer);
  if (result != ERROR_SUCCESS) return result;
  DWORD size = sizeof(digest.bytes);
  if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest.bytes, &size, 0) || size != sizeof(digest.bytes))
    return LastErrorOr(NTE_BAD_HASH);
  return ERROR_SUCCESS;
}

RecordedHash CheckRecordedHash(const char* resourceName, HANDLE file, DWORD& error) {
  HRSRC found = FindResourceA(nullptr, resourceName, kInstallerHashResourceType);
  if (found == nullptr) return RecordedHash::kNotRecorded;
  const void* recorded = LockResource(LoadResource(nullptr, found));
  if (recorded == nullptr || SizeofResource(nullptr, found) != kInstallerHashSize) return RecordedHash::kDiffers;
  Sha256Digest digest = {};
  error = Sha256OfFile(file, digest);
  if (error != ERROR_SUCCESS) return RecordedHash::kUnreadable;
  return memcmp(digest.bytes, recorded, kInstallerHashSize) == 0 ? RecordedHash::kMatches : RecordedHash::kDiffers;
}
