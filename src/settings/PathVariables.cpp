// The four system folders behind the path variables, found once at start-up, and the expansion
// of a path written with them.
#include <cstring>

#include "core/Bootstrapper.h"
#include "core/BoundedString.h"
#include "core/HandleOwner.h"
#include "settings/PathExpansion.h"

namespace {

// GetWindowsDirectoryA or GetSystemDirectoryA into a 260-byte field with the size 259. A folder
// that does not fit is reported by its length and leaves the field undefined: it is then empty.
template <size_t N>
void ReadFolder(UINT (WINAPI* read)(LPSTR, UINT), char (&field)[N]) {
  memset(field, 0, N);
  UINT length = read(field, 259);
  if (length == 0 || length >= 259) memset(field, 0, N);
}

}  // namespace

void Bootstrapper::SetSystemFolders() {
  char windows[260];
  ReadFolder(GetWindowsDirectoryA, windows);
  DrivePart(windows, m_szWinDrive, sizeof(m_szWinDrive));
  if (m_szWinDrive[0] == '\0') CopyCut(m_szWinDrive, "C:");

  memset(m_szProgramFiles, 0, sizeof(m_szProgramFiles));
  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ, key.put()) ==
      ERROR_SUCCESS) {
    DWORD type = 0, size = sizeof(m_szProgramFiles);
    LONG read = RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type,
                                 reinterpret_cast<BYTE*>(m_szProgramFiles), &size);
    // A value that is no text is no folder; one stored without its terminator is cut to 259.
    if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
      memset(m_szProgramFiles, 0, sizeof(m_szProgramFiles));
    m_szProgramFiles[sizeof(m_szProgramFiles) - 1] = '\0';
  } else {
    FormatCut(m_szProgramFiles, "%s\\Program Files", m_szWinDrive);
  }

  ReadFolder(GetWindowsDirectoryA, m_szWindowsDir);
  if (m_szWindowsDir[0] == '\0') FormatCut(m_szWindowsDir, "%s\\Windows", m_szWinDrive);
  ReadFolder(GetSystemDirectoryA, m_szSystemDir);
  if (m_szSystemDir[0] == '\0') FormatCut(m_szSystemDir, "%s\\Windows\\System32", m_szWinDrive);
}

void Bootstrapper::ReplaceVarPaths(const char* path, char* buffer, DWORD size) {
  if (path == nullptr || path[0] == '\0' || buffer == nullptr || size == 0) return;
  LogMessage(this, "ReplaceVarPaths - Checking the path %s.", path);
  const PathFolders folders = {m_szWinDrive, m_szProgramFiles, m_szWindowsDir, m_szSystemDir};
  if (ExpandPathVariables(path, folders, buffer, size))
    LogMessage(this, "ReplaceVarPaths - Converted path: %s.", buffer);
}
