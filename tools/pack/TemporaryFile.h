// A file of PendrixPack's own in the temporary folder, written whole and removed on every way out.
#pragma once
#include <windows.h>

#include <string>

class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile() {
    if (!m_path.empty()) DeleteFileA(m_path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Returns 0 or a Windows error code; a file written in part is removed.
  DWORD Write(const void* bytes, DWORD size) {
    char folder[MAX_PATH] = {};
    char file[MAX_PATH] = {};
    if (GetTempPathA(sizeof(folder), folder) == 0 || GetTempFileNameA(folder, "pxk", 0, file) == 0)
      return GetLastError();
    m_path = file;
    HANDLE handle = CreateFileA(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    DWORD result = WriteFile(handle, bytes, size, &written, nullptr) ? 0 : GetLastError();
    if (result == 0 && written != size) result = ERROR_WRITE_FAULT;
    CloseHandle(handle);
    return result;
  }
  const std::string& path() const { return m_path; }

 private:
  std::string m_path;
};
