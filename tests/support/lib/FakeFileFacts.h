// Stands in, for its scope, for what a handle to one file or folder tells, which Wine cannot
// show: a link's reparse tag, more names than one, another owner. Unit tests only.
#pragma once
#include <windows.h>

#include <string>

#include "core/HeldPath.h"

namespace test {

class FakeFileFacts {
 public:
  struct Change {
    DWORD reparseTag = 0;  // with the reparse-point attribute
    DWORD links = 0;
    bool foreignOwner = false;
  };
  FakeFileFacts(const std::string& path, Change change) : m_change(change), m_real(g_ReadFileFacts) {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(path.c_str(), 0, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    known = GetFileInformationByHandle(file, &m_identity) != FALSE;
    CloseHandle(file);
    s_active = this;
    g_ReadFileFacts = Read;
  }
  ~FakeFileFacts() { g_ReadFileFacts = m_real; }
  bool known = false;

 private:
  static DWORD Read(HANDLE file, FileFacts& facts) {
    const FakeFileFacts& self = *s_active;
    BY_HANDLE_FILE_INFORMATION seen = {};
    DWORD error = self.m_real(file, facts);
    if (error != ERROR_SUCCESS || !GetFileInformationByHandle(file, &seen) ||
        seen.dwVolumeSerialNumber != self.m_identity.dwVolumeSerialNumber ||
        seen.nFileIndexHigh != self.m_identity.nFileIndexHigh || seen.nFileIndexLow != self.m_identity.nFileIndexLow)
      return error;
    if (self.m_change.reparseTag != 0) facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (self.m_change.reparseTag != 0) facts.reparseTag = self.m_change.reparseTag;
    if (self.m_change.links != 0) facts.links = self.m_change.links;
    facts.trustedOwner = facts.trustedOwner && !self.m_change.foreignOwner;
    return ERROR_SUCCESS;
  }
  inline static FakeFileFacts* s_active = nullptr;
  Change m_change;
  ReadFileFactsFn m_real;
  BY_HANDLE_FILE_INFORMATION m_identity = {};
};

}  // namespace test
