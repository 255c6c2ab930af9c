// Stands in, for its scope, for what a handle to a file (not a folder) tells, which Wine cannot
// show: a link's reparse tag, more names than one, another owner. Unit tests only.
#pragma once
#include <windows.h>

#include "trust/HeldPath.h"

namespace test {

struct FakeFileFacts {
  struct Change {
    DWORD reparseTag;  // with the reparse-point attribute; 0 for none
    DWORD links;       // 0: as the file has
    bool foreignOwner;
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
    return ERROR_SUCCESS;
  }
  inline static Change s_change = {};
  inline static const ReadFileFactsFn s_real = g_ReadFileFacts;
};

}  // namespace test
