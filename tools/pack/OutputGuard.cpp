#include "OutputGuard.h"

#include <vector>

#include "ErrorText.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"

namespace {

struct FileIdentity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && indexHigh == other.indexHigh && indexLow == other.indexLow;
  }
};

// The volume and file index of an existing file; false where the file system gives none.
bool ReadIdentity(const std::string& path, FileIdentity& identity) {
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!file || !GetFileInformationByHandle(file.get(), &info)) return false;
  if (info.nFileIndexHigh == 0 && info.nFileIndexLow == 0) return false;
  identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return true;
}

// The path with its short (8.3) names spelt out, where the file exists.
std::string LongPath(const std::string& path) {
  wchar_t buffer[MAX_PATH] = {};
  DWORD n = GetLongPathNameW(Utf8ToWide(path).c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? WideToUtf8(buffer, n) : path;
}

// Two full paths name the same file as Windows compares names: ordinally, ignoring case.
bool SameName(const std::string& a, const std::string& b) {
  std::wstring wa = Utf8ToWide(a), wb = Utf8ToWide(b);
  return CompareStringOrdinal(wa.c_str(), static_cast<int>(wa.size()), wb.c_str(), static_cast<int>(wb.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

std::string PartialPackagePath(const std::string& outPath) { return outPath + ".pendrixpack-partial"; }

DWORD RemovePartialPackage(const std::string& outPath, std::string& error) {
  std::string partial = PartialPackagePath(outPath);
  if (DeleteFileW(Utf8ToWide(partial).c_str())) return 0;
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return 0;
  // A run in progress holds its partial file open without sharing.
  if (code == ERROR_SHARING_VIOLATION)
    error = "another PendrixPack is writing " + Quoted(outPath) + " now: its partial file " + Quoted(partial) +
            " is in use";
  else
    error = "cannot remove " + Quoted(partial) + ", left by an earlier run (" + SystemMessage(code) + ")";
  return code;
}

DWORD RefuseOutputOverInput(const std::string& outPath, const std::string& enginePath, const std::string& settingsPath,
                            const PackagePlan& plan, std::string& error) {
  struct Input {
    const char* what;
    std::string path;
  };
  std::vector<Input> inputs = {{"the engine", enginePath}, {"the settings file", settingsPath}};
  for (const PlannedBlob& blob : plan.blobs)
    if (!blob.path.empty()) inputs.push_back({"the payload file", blob.path});

  FileIdentity outIdentity;
  bool outExists = ReadIdentity(outPath, outIdentity);
  std::string outLong = LongPath(outPath);
  for (const Input& input : inputs) {
    FileIdentity identity;
    bool same = SameName(outLong, LongPath(input.path)) ||
                (outExists && ReadIdentity(input.path, identity) && identity == outIdentity);
    if (!same) continue;
    error = "the output " + Quoted(outPath) + " is " + input.what +
            (SameName(outPath, input.path) ? "" : " " + Quoted(input.path) + " under another name") +
            ": packing would destroy it; name another file with --out";
    return ERROR_FILE_EXISTS;
  }
  return 0;
}
