// SHA-256 by Windows' own cryptography, for the installers that run beside a package: PendrixPack
// records the digest of each one it was given, and the engine checks it before the run.
#pragma once
#include <windows.h>

#include "install/InstallerResource.h"

struct Sha256Digest {
  BYTE bytes[kInstallerHashSize];
};

// The digest of a whole open file, read from its start through the handle (so that the bytes
// hashed are those of the file the caller holds). Returns 0 or a Windows error code.
DWORD Sha256OfFile(HANDLE file, Sha256Digest& digest);

enum class RecordedHash { kMatches, kNotRecorded, kDiffers, kUnreadable };

// Whether the held file beside the package is the one PendrixPack hashed when it built the
// running package, under the installer's resource name; `error` tells why it was unreadable.
RecordedHash CheckRecordedHash(const char* resourceName, HANDLE file, DWORD& error);
