// Stands in, for its scope, for what a handle to a file (not a folder) tells, which Wine cannot
// show: a link's reparse tag, more names than one, another owner, a volume without owners; and
// for the owner and DACL of one file or folder. Unit tests only.
#pragma once
#include <windows.h>

#include <string>

#include "trust/HeldPath.h"
#include "trust/OthersMayChange.h"

namespace test {

struct FakeFileFacts {
  struct Change {
    DWORD reparseTag;  // with the reparse-point attribute; 0 for none
    DWORD links;       // 0: as the file has
    bool foreignOwner;
    bool noOwners = false;  // a volume that keeps none (FAT)
  };
  explicit FakeFileFacts(Change change) {
    s_change = change;
    g_ReadFileFacts = Read;
  }
  ~FakeFileFacts() { g_ReadFileFacts = s_real; }
  static DWORD Read(HANDLE file, FileFacts& facts) {
    DWORD error = s_real(file, facts);
    if (error != ERROR_SUCCESS || (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return error;
    if (s_change.reparseTag != 0) facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (s_change.reparseTag != 0) facts.reparseTag = s_change.reparseTag;
    if (s_change.links != 0) facts.links = s_change.links;
    facts.trustedOwner = facts.trustedOwner && !s_change.foreignOwner;
    facts.ownersKept = !s_change.noOwners;
    return ERROR_SUCCESS;
  }
  inline static Change s_change = {0, 0, false, false};
  inline static const ReadFileFactsFn s_real = g_ReadFileFacts;
};

// The file or folder at `path` reads back with this owner and DACL (or, when `kept` is false, as
// on a volume that keeps none); every other one as Wine makes it up.
struct FakeSecurity {
  FakeSecurity(const std::string& path, const ObjectSecurity& security, bool kept = true) {
    s_path = path;
    s_security = security;
    s_kept = kept;
    g_ReadObjectSecurity = Read;
  }
  ~FakeSecurity() { g_ReadObjectSecurity = s_real; }
  static DWORD Read(HANDLE object, ObjectSecurity& security, bool& kept) {
    char path[MAX_PATH] = {};
    if (PathOfHandle(object, path) != ERROR_SUCCESS || lstrcmpiA(path, s_path.c_str()) != 0)
      return s_real(object, security, kept);
    security = s_security;
    kept = s_kept;
    return ERROR_SUCCESS;
  }
  inline static std::string s_path;
  inline static ObjectSecurity s_security;
  inline static bool s_kept = true;
  inline static const ReadObjectSecurityFn s_real = g_ReadObjectSecurity;
};

}  // namespace test
