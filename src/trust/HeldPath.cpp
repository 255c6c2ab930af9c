#include "trust/HeldPath.h"

#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

#include <cstring>

#include "core/AnsiPath.h"
#include "core/BoundedString.h"
#include "core/PathText.h"
#include "trust/ReparseTags.h"
#include "trust/Token.h"
#include "trust/WorkFolderRules.h"

namespace {

// Folders are listed, passed through and judged (their owner and DACL too); others may work in
// them, but nobody may delete, rename or replace one while it is held.
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
constexpr DWORD kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

using NtCreateFileFn = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                        ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileFn = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, FILE_INFORMATION_CLASS);
using StatusToErrorFn = ULONG(NTAPI*)(NTSTATUS);

// Opening a file relative to a folder that is held, and renaming into one, are the native
// calls' own: Win32 names every file by a path from the root. ntdll is in every process before
// its first instruction, so nothing is loaded to find them.
struct NtCalls {
  NtCreateFileFn createFile = nullptr;
  NtSetInformationFileFn setInformation = nullptr;
  StatusToErrorFn statusToError = nullptr;
};
const NtCalls& Nt() {
  static NtCalls calls;
  static bool looked = false;
  if (!looked) {
    looked = true;
    if (HMODULE ntdll = GetModuleHandleA("ntdll.dll")) {
      calls.createFile = reinterpret_cast<NtCreateFileFn>(GetProcAddress(ntdll, "NtCreateFile"));
      calls.setInformation = reinterpret_cast<NtSetInformationFileFn>(GetProcAddress(ntdll, "NtSetInformationFile"));
      calls.statusToError = reinterpret_cast<StatusToErrorFn>(GetProcAddress(ntdll, "RtlNtStatusToDosError"));
    }
  }
  return calls;
}

DWORD StatusError(NTSTATUS status) {
  DWORD error = Nt().statusToError != nullptr ? Nt().statusToError(status) : ERROR_SUCCESS;
  return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

// One name in a folder: no separator, and not "." or "..", which would leave it.
bool IsOneName(const char* name) {
  return name != nullptr && name[0] != '\0' && strpbrk(name, "\\/") == nullptr && strcmp(name, ".") != 0 &&
         strcmp(name, "..") != 0;
}

// A name as the native calls take it, in the code page that the ANSI calls use.
int WideName(const char* name, wchar_t (&wide)[MAX_PATH]) {
  int length = MultiByteToWideChar(CP_ACP, 0, name, -1, wide, MAX_PATH);
  return length > 1 ? length - 1 : 0;
}

bool HasTrustedOwner(HANDLE file) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS)
    return false;
  TokenUserBuffer buffer;
  PSID user = ProcessUser(buffer);
  bool trusted = owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                                      IsWellKnownSid(owner, WinLocalSystemSid) ||
                                      (user != nullptr && EqualSid(owner, user)));
  LocalFree(descriptor);
  return trusted;
}

// False where the volume keeps no owners or access lists (FAT); a volume that cannot be asked
// is taken to keep them.
bool KeepsOwners(HANDLE file) {
  DWORD flags = 0;
  return !GetVolumeInformationByHandleW(file, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
         (flags & FILE_PERSISTENT_ACLS) != 0;
}

DWORD ReadFileFacts(HANDLE file, FileFacts& facts) {
  const bool ownerWanted = facts.ownerWanted;
  facts = FileFacts();
  facts.ownerWanted = ownerWanted;
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  if (!GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag))) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INVALID_HANDLE;
  }
  facts.attributes = tag.FileAttributes;
  facts.reparseTag = tag.ReparseTag;
  FILE_STANDARD_INFO standard = {};
  if (GetFileInformationByHandleEx(file, FileStandardInfo, &standard, sizeof(standard))) facts.links = standard.NumberOfLinks;
  if (ownerWanted) facts.ownersKept = KeepsOwners(file);
  if (ownerWanted && facts.ownersKept) facts.trustedOwner = HasTrustedOwner(file);
  return ERROR_SUCCESS;
}

// What an elevated run gives a folder it makes on the way to a log: SYSTEM's, the administrators'
// and the running user's, so that a resumed run may log there too. Null for a run without
// elevation, whose folders take what their parent hands down.
class CreatedFolderSecurity {
 public:
  explicit CreatedFolderSecurity(bool wanted) {
    if (!wanted || !RunsElevated()) return;
    char sddl[200] = {};
    if (CreatedFolderSddl(IsLocalSystem(), UserSidString().c_str(), sddl, sizeof(sddl)))
      ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &m_descriptor, nullptr);
  }
  ~CreatedFolderSecurity() {
    if (m_descriptor != nullptr) LocalFree(m_descriptor);
  }
  CreatedFolderSecurity(const CreatedFolderSecurity&) = delete;
  CreatedFolderSecurity& operator=(const CreatedFolderSecurity&) = delete;
  PSECURITY_DESCRIPTOR get() const { return m_descriptor; }

 private:
  PSECURITY_DESCRIPTOR m_descriptor = nullptr;
};

}  // namespace

ReadFileFactsFn g_ReadFileFacts = ReadFileFacts;

const char* RefusalText(DWORD error) {
  switch (error) {
    case kErrorLinkOnPath:
      return "a link (a junction or a symbolic link)";
    case kErrorSeveralNames:
      return "a file with more than one name (a hard link)";
    case kErrorForeignOwner:
      return "a file that neither the administrators, nor SYSTEM, nor this user owns";
    default:
      return nullptr;
  }
}

DWORD OpenInFolder(HANDLE folder, const char* name, DWORD access, DWORD share, ULONG disposition, ULONG options,
                   FileHandle& file, bool* created, PSECURITY_DESCRIPTOR security) {
  file.reset();
  if (created != nullptr) *created = false;
  const NtCalls& nt = Nt();
  if (nt.createFile == nullptr) return ERROR_PROC_NOT_FOUND;
  if (!IsOneName(name)) return ERROR_INVALID_NAME;
  wchar_t wide[MAX_PATH] = {};
  int length = WideName(name, wide);
  if (length == 0) return ERROR_INVALID_NAME;
  UNICODE_STRING text = {static_cast<USHORT>(length * 2), static_cast<USHORT>(length * 2), wide};
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, security);
  IO_STATUS_BLOCK io = {};
  HANDLE handle = nullptr;
  NTSTATUS status = nt.createFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &io, nullptr,
                                  FILE_ATTRIBUTE_NORMAL, share, disposition,
                                  options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (!NT_SUCCESS(status)) return StatusError(status);
  file.reset(handle);
  if (created != nullptr) *created = io.Information == FILE_CREATED;
  return ERROR_SUCCESS;
}

DWORD CheckOpenFile(HANDLE handle, const char* path, bool toWrite) {
  FileFacts facts;
  facts.ownerWanted = toWrite;
  if (DWORD error = g_ReadFileFacts(handle, facts)) return error;
  const bool reparse = IsReparsePoint(facts.attributes);
  if (reparse && IsReparseTagNameSurrogate(facts.reparseTag)) return kErrorLinkOnPath;
  // Where the handle went through a link, only the path's attributes still tell of it (Wine).
  if (!reparse && path != nullptr && IsReparsePoint(GetFileAttributesA(path))) return kErrorLinkOnPath;
  if (!toWrite) return ERROR_SUCCESS;
  if (facts.links != 1) return kErrorSeveralNames;
  if (!facts.trustedOwner && facts.ownersKept) return kErrorForeignOwner;
  return ERROR_SUCCESS;
}

DWORD PathOfHandle(HANDLE handle, char (&path)[MAX_PATH]) {
  path[0] = '\0';
  wchar_t wide[MAX_PATH + 8] = {};  // the "\\?\UNC\" that goes
  DWORD length = GetFinalPathNameByHandleW(handle, wide, MAX_PATH + 8, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length == 0) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_INVALID_HANDLE;
  }
  if (length >= MAX_PATH + 8) return ERROR_FILENAME_EXCED_RANGE;
  wchar_t* plain = wide;
  if (wcsncmp(wide, L"\\\\?\\UNC\\", 8) == 0) {
    plain = wide + 6;  // "\\server\share\..."
    plain[0] = L'\\';
  } else if (wcsncmp(wide, L"\\\\?\\", 4) == 0) {
    plain = wide + 4;
  }
  if (wcslen(plain) >= MAX_PATH) return ERROR_FILENAME_EXCED_RANGE;
  if (ToAnsiPath(plain, path, MAX_PATH) == AnsiPathForm::kUnspellable) {
    path[0] = '\0';
    return ERROR_NO_UNICODE_TRANSLATION;
  }
  return ERROR_SUCCESS;
}

DWORD CheckNotLink(HANDLE handle, const char* path) { return CheckOpenFile(handle, path, false); }

DWORD CheckRunnableFile(HANDLE file, DWORD& tag) {
  FileFacts facts;
  tag = 0;
  if (DWORD error = g_ReadFileFacts(file, facts)) return error;
  if (!IsReparsePoint(facts.attributes) || IsDataReparseTag(facts.reparseTag)) return ERROR_SUCCESS;
  tag = facts.reparseTag;
  return kErrorReparseTag;
}

DWORD DeleteThroughHandle(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  if (SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof(disposition))) return ERROR_SUCCESS;
  DWORD error = GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_ACCESS_DENIED;
}

DWORD HeldPath::Hold(const char* folder, bool create) {
  Release();
  m_link[0] = '\0';
  if (folder == nullptr || strlen(folder) >= sizeof(m_folder)) return ERROR_FILENAME_EXCED_RANGE;
  CopyCut(m_folder, folder);
  const size_t root = PathRootLength(m_folder);
  if (root == 0) return ERROR_BAD_PATHNAME;
  size_t length = strlen(m_folder);
  while (length > root && IsPathSeparator(m_folder[length - 1])) m_folder[--length] = '\0';

  char start[MAX_PATH] = {};
  CopyCut(start, m_folder, root);
  if (!IsPathSeparator(start[root - 1])) AppendCut(start, "\\");  // a share's root
  FileHandle first(CreateFileA(start, kFolderAccess, kFolderShare, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!first) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_PATH_NOT_FOUND;
  }
  m_folders.push_back(std::move(first));
  m_ends.push_back(root);

  CreatedFolderSecurity security(create);
  char prefix[MAX_PATH] = {};
  for (size_t position = root; position < length;) {
    while (IsPathSeparator(m_folder[position])) position++;
    size_t end = position;
    while (end < length && !IsPathSeparator(m_folder[end])) end++;
    char name[MAX_PATH] = {};
    CopyCut(name, m_folder + position, end - position);
    CopyCut(prefix, m_folder, end);
    position = end;
    FileHandle next;
    DWORD error = OpenInFolder(m_folders.back().get(), name, kFolderAccess, kFolderShare, create ? FILE_OPEN_IF : FILE_OPEN,
                               FILE_DIRECTORY_FILE, next, nullptr, security.get());
    if (error == ERROR_FILE_NOT_FOUND) error = ERROR_PATH_NOT_FOUND;  // a folder of the path is missing
    if (error == ERROR_SUCCESS) error = CheckNotLink(next.get(), prefix);
    if (error != ERROR_SUCCESS) {
      if (error == kErrorLinkOnPath) CopyCut(m_link, prefix);
      Release();
      return error;
    }
    m_folders.push_back(std::move(next));
    m_ends.push_back(end);
  }
  return ERROR_SUCCESS;
}

DWORD HeldPath::HoldResolved(const char* path) {
  Release();
  FileHandle named(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!named) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_PATH_NOT_FOUND;
  }
  char resolved[MAX_PATH] = {};
  if (DWORD error = PathOfHandle(named.get(), resolved)) return error;
  return Hold(resolved);
}

DWORD HeldPath::OpenResolved(const char* path, DWORD access, DWORD share, FileHandle& file, char (&name)[MAX_PATH]) {
  file.reset();
  Release();
  name[0] = '\0';
  FileHandle named(CreateFileA(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!named) {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND;
  }
  char resolved[MAX_PATH] = {};
  char folder[MAX_PATH] = {};
  if (DWORD error = PathOfHandle(named.get(), resolved)) return error;
  if (!SplitFolderAndName(resolved, folder, sizeof(folder), name, sizeof(name))) return ERROR_BAD_PATHNAME;
  if (DWORD error = Hold(folder)) return error;
  if (DWORD error = OpenExisting(name, access, share, false, file)) return error;
  BY_HANDLE_FILE_INFORMATION first = {}, held = {};
  if (!GetFileInformationByHandle(named.get(), &first) || !GetFileInformationByHandle(file.get(), &held) ||
      first.dwVolumeSerialNumber != held.dwVolumeSerialNumber || first.nFileIndexHigh != held.nFileIndexHigh ||
      first.nFileIndexLow != held.nFileIndexLow) {
    file.reset();
    return ERROR_FILE_INVALID;
  }
  return ERROR_SUCCESS;
}

void HeldPath::PathOf(size_t index, char (&path)[MAX_PATH]) const {
  CopyCut(path, m_folder, index < m_ends.size() ? m_ends[index] : 0);
}

void HeldPath::Release() {
  m_folders.clear();
  m_ends.clear();
}

DWORD HeldPath::CreateNew(const char* name, DWORD access, DWORD share, ULONG options, FileHandle& file) const {
  file.reset();
  if (!held()) return ERROR_INVALID_HANDLE;
  DWORD error = OpenInFolder(m_folders.back().get(), name, access, share, FILE_CREATE, FILE_NON_DIRECTORY_FILE | options,
                             file);
  return error == ERROR_ALREADY_EXISTS ? ERROR_FILE_EXISTS : error;
}

DWORD HeldPath::OpenExisting(const char* name, DWORD access, DWORD share, bool toWrite, FileHandle& file,
                              ULONG options) {
  file.reset();
  if (!held()) return ERROR_INVALID_HANDLE;
  if (toWrite) access |= READ_CONTROL;  // for its owner
  DWORD error =
      OpenInFolder(m_folders.back().get(), name, access, share, FILE_OPEN, FILE_NON_DIRECTORY_FILE | options, file);
  if (error != ERROR_SUCCESS) return error;
  char path[MAX_PATH] = {};
  bool fits = JoinFolderAndName(m_folder, name, path, sizeof(path));
  error = CheckOpenFile(file.get(), fits ? path : nullptr, toWrite);
  if (error == kErrorLinkOnPath) CopyCut(m_link, path);
  if (error != ERROR_SUCCESS) file.reset();
  return error;
}

DWORD HeldPath::MoveOver(HANDLE file, const char* name) const {
  const NtCalls& nt = Nt();
  if (!held()) return ERROR_INVALID_HANDLE;
  if (nt.setInformation == nullptr) return ERROR_PROC_NOT_FOUND;
  if (!IsOneName(name)) return ERROR_INVALID_NAME;
  // FILE_RENAME_INFORMATION, with room for the name.
  struct {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[MAX_PATH];
  } rename = {};
  int length = WideName(name, rename.fileName);
  if (length == 0) return ERROR_INVALID_NAME;
  rename.replaceIfExists = TRUE;
  rename.rootDirectory = m_folders.back().get();
  rename.fileNameLength = static_cast<ULONG>(length * sizeof(WCHAR));
  IO_STATUS_BLOCK io = {};
  NTSTATUS status = nt.setInformation(file, &io, &rename, sizeof(rename), FileRenameInformation);
  return NT_SUCCESS(status) ? ERROR_SUCCESS : StatusError(status);
}
