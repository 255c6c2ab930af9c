// The system folders behind the path variables, found once at start-up, and the expansion of a
// path written with them.
#include <shlwapi.h>

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

// The value ProgramFilesDir of the registry view given, into a 260-byte field: empty when the
// value is no text, "<drive>\Program Files" when the key cannot be opened.
template <size_t N>
void ReadProgramFiles(REGSAM view, const char* winDrive, char (&field)[N]) {
  memset(field, 0, N);
  RegKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ | view, key.put()) !=
      ERROR_SUCCESS) {
    FormatCut(field, "%s\\Program Files", winDrive);
    return;
  }
  DWORD type = 0, size = N;
  LONG read = RegQueryValueExA(key.get(), "ProgramFilesDir", nullptr, &type, reinterpret_cast<BYTE*>(field), &size);
  // A value that is no text is no folder; one stored without its terminator is cut to 259.
  if (read != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) memset(field, 0, N);
  field[N - 1] = '\0';
}

}  // namespace

void Bootstrapper::SetSystemFolders() {
  char windows[260];
  ReadFolder(GetWindowsDirectoryA, windows);
  DrivePart(windows, m_szWinDrive, sizeof(m_szWinDrive));
  if (m_szWinDrive[0] == '\0') CopyCut(m_szWinDrive, "C:");

  ReadProgramFiles(0, m_szWinDrive, m_szProgramFiles);

  ReadFolder(GetWindowsDirectoryA, m_szWindowsDir);
  if (m_szWindowsDir[0] == '\0') FormatCut(m_szWindowsDir, "%s\\Windows", m_szWinDrive);
  ReadFolder(GetSystemDirectoryA, m_szSystemDir);
  if (m_szSystemDir[0] == '\0') FormatCut(m_szSystemDir, "%s\\Windows\\System32", m_szWinDrive);

  // On 64-bit Windows this 32-bit program reads the 32-bit registry view, whose Program Files is
  // the (x86) one, and its System32 is redirected to SysWOW64; Sysnative, beside System32, is the
  // name under which it reaches the 64-bit system folder. 32-bit Windows has only the one of each.
  if (!IsX64()) {
    CopyCut(m_szProgramFiles64, m_szProgramFiles);
    CopyCut(m_szSystem64Dir, m_szSystemDir);
    return;
  }
  ReadProgramFiles(KEY_WOW64_64KEY, m_szWinDrive, m_szProgramFiles64);
  char windowsOfSystem[260] = {};
  CopyCut(windowsOfSystem, m_szSystemDir);
  PathRemoveFileSpecA(windowsOfSystem);
  FormatCut(m_szSystem64Dir, "%s\\Sysnative", windowsOfSystem);
}

void Bootstrapper::ReplaceVarPaths(const char* path, char* buffer, DWORD size) {
  if (path == nullptr || path[0] == '\0' || buffer == nullptr || size == 0) return;
  LogMessage(this, "ReplaceVarPaths - Checking the path %s.", path);
  const PathFolders folders = {m_szWinDrive,  m_szProgramFiles,  m_szWindowsDir,
                               m_szSystemDir, m_szProgramFiles64, m_szSystem64Dir};
  if (ExpandPathVariables(path, folders, buffer, size))
    LogMessage(this, "ReplaceVarPaths - Converted path: %s.", buffer);
}
