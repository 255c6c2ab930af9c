// Stands in for what the file system tells of one file or folder through a handle, which Wine
// cannot show: a link's reparse tag, more names than one, another owner. For the scope, every
// handle to that file reads as changed. Header-only: only unit tests, which link the engine,
// include it.
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
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    m_known = file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &m_identity);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    s_active = this;
    g_ReadFileFacts = Read;
  }
  ~FakeFileFacts() {
    g_ReadFileFacts = m_real;
    s_active = nullptr;
  }
  FakeFileFacts(const FakeFileFacts&) = delete;
  FakeFileFacts& operator=(const FakeFileFacts&) = delete;
  bool known() const { return m_known; }

 private:
  static DWORD Read(HANDLE file, FileFacts& facts) {
    const FakeFileFacts& self = *s_active;
    DWORD error = self.m_real(file, facts);
    BY_HANDLE_FILE_INFORMATION information = {};
    if (error != ERROR_SUCCESS || !GetFileInformationByHandle(file, &information) ||
        information.dwVolumeSerialNumber != self.m_identity.dwVolumeSerialNumber ||
        information.nFileIndexHigh != self.m_identity.nFileIndexHigh ||
        information.nFileIndexLow != self.m_identity.nFileIndexLow)
      return error;
    if (self.m_change.reparseTag != 0) {
      facts.attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
      facts.reparseTag = self.m_change.reparseTag;
    }
    if (self.m_change.links != 0) facts.links = self.m_change.links;
    if (self.m_change.foreignOwner) facts.trustedOwner = false;
    return ERROR_SUCCESS;
  }

  inline static FakeFileFacts* s_active = nullptr;
  Change m_change;
  ReadFileFactsFn m_real;
  BY_HANDLE_FILE_INFORMATION m_identity = {};
  bool m_known = false;
};

}  // namespace test
