// The one owner of every path that other programs can write: the log and its folders, the
// Windows Installer log, the /ExtractSettings target, an installer beside the package, earlier
// runs' folders. It opens each folder from the path's root down, relative to the folder above,
// without following a reparse point; refuses a link; holds each folder without delete sharing
// until it is released, so that nobody can rename, delete or replace one meanwhile; and works on
// files only through the folder it holds. What was checked is what is used.
//
// A link is a name-surrogate reparse point: a junction, a mount point or a symbolic link. Other
// reparse points (cloud-file placeholders, deduplicated files) are ordinary files and folders.
// Wine follows links even through handles opened on the reparse point itself and shows a link to
// a folder only in the attributes of its path, so both are asked.
#pragma once
#include <windows.h>

#include <vector>

#include "core/HandleOwner.h"

// True when the attributes mark a junction, a symbolic link or another reparse point.
inline bool IsReparsePoint(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Why a path or an existing file is refused.
constexpr DWORD kErrorLinkOnPath = ERROR_REPARSE_ATTRIBUTE_CONFLICT;  // a link in place of a folder or file
constexpr DWORD kErrorSeveralNames = ERROR_TOO_MANY_LINKS;           // a file that hard links give more names
constexpr DWORD kErrorForeignOwner = ERROR_INVALID_OWNER;            // a file to write that others own
constexpr DWORD kErrorReparseTag = ERROR_BAD_FILE_TYPE;              // a file to run with another reparse tag

// What the file system tells of an open file or folder.
struct FileFacts {
  DWORD attributes = 0;
  DWORD reparseTag = 0;
  DWORD links = 0;            // the file's names (hard links)
  bool trustedOwner = false;  // owned by the Administrators, SYSTEM or the running user
  bool ownersKept = true;     // false where the volume keeps no owners (FAT)
  bool ownerWanted = false;   // set by the caller: the owner is read only when it is judged
};

// Reads the facts through a handle (the owner needs READ_CONTROL); 0 or the Windows error. The
// engine sets the real reader; tests stand in for it, since Wine keeps no owners and reports no
// link through a handle. Nothing read from the environment or the disk can change it.
using ReadFileFactsFn = DWORD (*)(HANDLE file, FileFacts& facts);
extern ReadFileFactsFn g_ReadFileFacts;

// A short description of a refusal above for a log line, or null for another error.
const char* RefusalText(DWORD error);

class HeldPath {
 public:
  HeldPath() = default;
  HeldPath(HeldPath&&) = default;
  HeldPath& operator=(HeldPath&&) = default;
  HeldPath(const HeldPath&) = delete;
  HeldPath& operator=(const HeldPath&) = delete;

  // Holds `folder` (a full path) and every folder between it and its root. With `create`,
  // folders that do not exist are made; an elevated run makes them open to SYSTEM, the
  // administrators and the running user alone, never with what the folder above would hand down.
  // 0, kErrorLinkOnPath with link() naming the link, or the Windows error; on failure nothing
  // stays held.
  DWORD Hold(const char* folder, bool create = false);
  // The same for the folder that `path` names now, through whatever links lie on it: resolved
  // once, and then held from its root, so that a link re-pointed afterwards changes nothing.
  // folder() is then the resolved path.
  DWORD HoldResolved(const char* path);
  // Opens the file that `path` names now, through whatever links lie on its way, as OpenExisting
  // does, and holds the folders of the path it resolves to from their root; `name` gets its name
  // in folder(). A file that another program puts in its place meanwhile is refused.
  DWORD OpenResolved(const char* path, DWORD access, DWORD share, FileHandle& file, char (&name)[MAX_PATH]);
  void Release();
  bool held() const { return !m_folders.empty(); }
  const char* folder() const { return m_folder; }
  const char* link() const { return m_link; }
  // The held folders from the root down (the last one is folder() itself), and the path of one.
  size_t count() const { return m_folders.size(); }
  HANDLE handle(size_t index) const { return m_folders[index].get(); }
  void PathOf(size_t index, char (&path)[MAX_PATH]) const;

  // A new file of this name in the held folder; ERROR_FILE_EXISTS when the name is taken.
  // `options` are those of NtCreateFile (FILE_WRITE_THROUGH).
  DWORD CreateNew(const char* name, DWORD access, DWORD share, ULONG options, FileHandle& file) const;
  // An existing file of the held folder that is not a link. With `toWrite`, it must also have one
  // name, and when the process runs elevated, a trusted owner (the access needs READ_CONTROL).
  DWORD OpenExisting(const char* name, DWORD access, DWORD share, bool toWrite, FileHandle& file, ULONG options = 0);
  // Gives an open file (opened with DELETE access) this name in the held folder, in place of
  // whatever has it: a file, or a link, which is replaced and never followed.
  DWORD MoveOver(HANDLE file, const char* name) const;

 private:
  std::vector<FileHandle> m_folders;  // from the root down
  std::vector<size_t> m_ends;         // where each one's path ends in m_folder
  char m_folder[MAX_PATH] = {};
  char m_link[MAX_PATH] = {};
};

// Opens `name` in an open folder, relative to it and without following a reparse point.
// `disposition` and `options` are NtCreateFile's (FILE_OPEN, FILE_DIRECTORY_FILE); `created`, when
// given, says whether the call made the file, and `security` is what a file made gets. 0 or the
// Windows error.
DWORD OpenInFolder(HANDLE folder, const char* name, DWORD access, DWORD share, ULONG disposition, ULONG options,
                   FileHandle& file, bool* created = nullptr, PSECURITY_DESCRIPTOR security = nullptr);
// The path that an open file or folder resolves to now, in plain drive ("C:\x") or share
// ("\\server\share\x") form, spelled for the ANSI calls. ERROR_FILENAME_EXCED_RANGE when it is
// longer than they take, ERROR_NO_UNICODE_TRANSLATION when the code page cannot spell it.
DWORD PathOfHandle(HANDLE handle, char (&path)[MAX_PATH]);
// Judges an open file or folder and the path that named it (null: the handle alone): a link is
// kErrorLinkOnPath. With `toWrite`, a file must also have one name and, where the volume keeps
// owners, a trusted owner, whether the process runs elevated or not: a log that another user made
// first must not read this run's lines. 0 when it passes.
DWORD CheckOpenFile(HANDLE handle, const char* path, bool toWrite);
DWORD CheckNotLink(HANDLE handle, const char* path);
// A file that is run or given to msiexec carries no reparse point but one of the data tags that
// Windows resolves itself (trust/ReparseTags.h): 0, or kErrorReparseTag with `tag` set.
DWORD CheckRunnableFile(HANDLE file, DWORD& tag);
// Deletes a file, or an empty folder, through a handle opened with DELETE access.
DWORD DeleteThroughHandle(HANDLE file);
