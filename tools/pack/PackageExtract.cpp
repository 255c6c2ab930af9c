#include "PackageExtract.h"

#include <windows.h>

#include <map>
#include <set>
#include <vector>

#include "BuiltInLanguage.h"
#include "ErrorText.h"
#include "LanguageTemplate.h"
#include "PackagePlan.h"
#include "PackageWriter.h"
#include "TemporaryFile.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "install/InstallerResource.h"
#include "settings/ChecksumTable.h"
#include "settings/Crc32c.h"
#include "trust/FileHash.h"
#include "ui/LanguageChoice.h"
#include "ui/language/resource.h"

namespace {

std::string Hex(const BYTE* bytes, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < size; i++) {
    hex += kDigits[bytes[i] >> 4];
    hex += kDigits[bytes[i] & 15];
  }
  return hex;
}

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

bool IsEmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW(Utf8ToWide(folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    const std::wstring name = found.cFileName;
    empty = empty && (name == L"." || name == L"..");
  } while (empty && FindNextFileW(search, &found));
  FindClose(search);
  return empty;
}

class Extractor {
 public:
  Extractor(HMODULE module, const std::string& folder) : m_module(module), m_folder(folder) {}

  // The package's own record of what it carries: where each resource lies, and its checksum.
  std::string ReadRecords(const std::string& package) {
    std::string problem = ReadProgramResources(package, m_entries);
    if (!problem.empty()) return problem;
    const BYTE* table = nullptr;
    DWORD size = 0;
    if (!Bytes(kChecksumResourceType, kChecksumResource, table, size)) return "";  // built before checksums
    std::vector<RecordedChecksum> recorded;
    if (!ReadChecksumTable(table, size, recorded)) return "its table of checksums is damaged";
    for (const RecordedChecksum& entry : recorded) m_checksums[{entry.address, entry.size}] = entry.crc;
    m_checked = true;
    return "";
  }

  bool Bytes(const char* type, const char* name, const BYTE*& bytes, DWORD& size) const {
    HRSRC found = FindResourceA(m_module, name, type);
    HGLOBAL loaded = found != nullptr ? LoadResource(m_module, found) : nullptr;
    bytes = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    size = bytes != nullptr ? SizeofResource(m_module, found) : 0;
    return bytes != nullptr;
  }

  // False, with a line that says so, when the resource is not as the package recorded it.
  bool Whole(const char* type, const char* name, const BYTE* bytes, DWORD size) {
    if (!m_checked) return true;
    const pe::ResourceId typeId = pe::ResourceId::Text(Upper(type).c_str());
    const pe::ResourceId nameId = pe::ResourceId::Text(Upper(name).c_str());
    for (const pe::ResourceEntry& entry : m_entries) {
      if (!pe::SameId(entry.type, typeId) || !pe::SameId(entry.name, nameId)) continue;
      auto recorded = m_checksums.find({entry.dataRva, entry.size});
      if (recorded != m_checksums.end() && recorded->second == Crc32c(bytes, size)) return true;
      break;
    }
    Fail(std::string("the resource ") + name + " is damaged: it is not as the package recorded it; download the "
         "package again");
    return false;
  }

  // A new file of these bytes, and its line in the listing.
  bool Write(const std::string& relative, const BYTE* bytes, DWORD size, const std::string& what) {
    const std::string path = m_folder + "\\" + relative;
    FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0, result = 0;
    if (!file || !WriteFile(file.get(), bytes, size, &written, nullptr)) result = GetLastError();
    if (result == 0 && written != size) result = ERROR_WRITE_FAULT;
    if (result == 0) return List(file.get(), relative, what);
    file.reset();
    if (result != ERROR_FILE_EXISTS) DeleteFileW(Utf8ToWide(path).c_str());
    Fail("cannot write " + Quoted(path) + " (" + SystemMessage(result) + ")");
    return false;
  }

  bool List(HANDLE file, const std::string& relative, const std::string& what) {
    Sha256Digest digest;
    DWORD result = Sha256OfFile(file, digest);
    if (result != 0) {
      Fail("the SHA-256 of " + Quoted(m_folder + "\\" + relative) + " cannot be computed (" + SystemMessage(result) + ")");
      return false;
    }
    if (!what.empty()) Note(what);
    m_listing.push_back(Hex(digest.bytes, sizeof(digest.bytes)) + "  " + relative);
    return true;
  }

  void Note(const std::string& line) { m_listing.push_back("; " + line); }

  void Fail(const std::string& line) {
    PrintTo(stderr, "PendrixPack: %s\n", line.c_str());
    m_failed = true;
  }

  // Each installer that a setup type extracts, under the name the engine writes it as.
  void Installers(const std::string& settings) {
    PackagePlan plan;
    std::vector<PlanProblem> problems;
    ReadPackagePlan(settings, "Settings.ini", "", plan, problems);
    for (const PlanProblem& problem : problems)
      if (problem.refusal) Fail("not extracted: " + problem.line);
    std::map<std::string, std::string> fileOfResource;  // upper case, as the loader compares them
    std::map<std::string, std::string> resourceOfFile;
    for (const PlannedSetupType& type : plan.setupTypes)
      for (const PlannedInstaller& installer : type.installers) {
        // The settings' names are in the ANSI code page, as the engine reads them.
        const std::string section = "[" + AnsiToUtf8(installer.section) + "]";
        char name[kResourceNameSize] = {};
        InstallerResourceName(installer.name.c_str(), name);
        const std::string resource = Upper(name);
        if (installer.doNotExtract) {
          const BYTE* digest = nullptr;
          DWORD size = 0;
          Bytes(kInstallerHashResourceType, name, digest, size);
          Note(section + " " + AnsiToUtf8(BesideLine(installer, size == kInstallerHashSize ? digest : nullptr)));
          continue;
        }
        if (fileOfResource.count(resource) != 0) continue;  // one file for every section that names it
        const std::string file = AnsiToUtf8(installer.payloadName);
        fileOfResource[resource] = file;
        const auto taken = resourceOfFile.find(Upper(file));
        if (taken != resourceOfFile.end()) {
          Fail(section + " is not extracted: its file name " + Quoted(file) + " is " + AnsiToUtf8(taken->second) +
               "'s too; the engine writes each in its turn, but one folder holds only one of them");
          continue;
        }
        resourceOfFile[Upper(file)] = resource;
        const BYTE* bytes = nullptr;
        DWORD size = 0;
        if (!Bytes(kInstallerResourceType, name, bytes, size)) {
          Fail(section + " is not extracted: the package does not carry " + AnsiToUtf8(resource));
          continue;
        }
        if (Whole(kInstallerResourceType, name, bytes, size))
          Write(file, bytes, size, section + ", resource " + AnsiToUtf8(resource));
      }
    m_named = fileOfResource;
  }

  // The built-in language and each of the index, each as a translator's folder by its name.
  void Languages() {
    std::vector<std::pair<std::string, std::string>> languages;  // folder, resource
    LanguageIndex index;
    const BYTE* text = nullptr;
    DWORD size = 0;
    if (Bytes(kLanguageResourceType, kLanguageIndexResource, text, size))
      ParseLanguageIndex(reinterpret_cast<const char*>(text), size, index);
    bool englishCarried = false;
    for (const PackageLanguage& language : index) {
      char name[32] = {};
      LanguageResourceName(language.id, name);
      languages.push_back({language.name, name});
      englishCarried = englishCarried || language.id == kBuiltInLanguageId;
    }
    languages.insert(languages.begin(),
                     {std::string(kBuiltInLanguageName) + (englishCarried ? " (built in)" : ""), kLanguageResource});
    for (const auto& language : languages) {
      const BYTE* bytes = nullptr;
      if (!Bytes(kLanguageResourceType, language.second.c_str(), bytes, size)) {
        Fail("the language " + language.first + " is not extracted: the package does not carry " + language.second);
        continue;
      }
      if (!Whole(kLanguageResourceType, language.second.c_str(), bytes, size)) continue;
      BuiltInLanguage read;
      std::string problem = ReadLanguageDll(std::vector<uint8_t>(bytes, bytes + size), read);
      std::vector<std::string> files;
      if (problem.empty()) WriteTranslatorFolder(read, m_folder + "\\" + language.first, problem, &files);
      if (!problem.empty()) {
        Fail("the language " + language.first + " is not extracted: the language DLL " + problem);
        continue;
      }
      for (const std::string& file : files) {
        const std::string relative = language.first + "\\" + file;
        FileHandle handle(CreateFileW(Utf8ToWide(m_folder + "\\" + relative).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        if (handle) List(handle.get(), relative, file == files.front() ? "resource " + language.second : "");
      }
    }
  }

  // Installers the package carries that no setup type of the settings names.
  void Unnamed(bool settingsRead) {
    const pe::ResourceId installerType = pe::ResourceId::Text(kInstallerResourceType);
    for (const pe::ResourceEntry& entry : m_entries) {
      if (!pe::SameId(entry.type, installerType)) continue;
      std::string name;
      for (char16_t c : entry.name.text) name += c < 128 ? static_cast<char>(c) : '?';
      if (m_named.count(name) == 0)
        Note(name + ", " + std::to_string(entry.size) + " bytes: not extracted, since " +
             (settingsRead ? "no setup type of the settings runs it" : "there are no settings to name its file"));
    }
  }

  int Finish(const std::string& package) {
    std::string listing = "; What " + Quoted(package) + " carries, as PendrixPack --extract wrote it: each file's "
                          "SHA-256 and its name in this folder\r\n";
    for (const std::string& line : m_listing) listing += line + "\r\n";
    const std::string path = m_folder + "\\" + kListingFileName;
    FileHandle file(
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !WriteFile(file.get(), listing.data(), static_cast<DWORD>(listing.size()), &written, nullptr))
      Fail("cannot write " + Quoted(path) + " (" + SystemMessage(GetLastError()) + ")");
    for (const std::string& line : m_listing) PrintTo(stdout, "%s\n", line.c_str());
    PrintTo(stdout, "Wrote %s into %s%s\n", kListingFileName, Quoted(m_folder).c_str(),
            m_failed ? ", without what could not be extracted" : "");
    fflush(stdout);
    fflush(stderr);
    return m_failed ? ERROR_INVALID_DATA : 0;
  }

 private:
  HMODULE m_module;
  std::string m_folder;
  std::vector<pe::ResourceEntry> m_entries;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> m_checksums;
  bool m_checked = false;
  std::vector<std::string> m_listing;
  std::map<std::string, std::string> m_named;
  bool m_failed = false;
};

int Refuse(DWORD code, const std::string& line) {
  PrintTo(stderr, "PendrixPack: %s\n", line.c_str());
  fflush(stderr);
  return static_cast<int>(code);
}

}  // namespace

int ExtractPackage(const std::string& packageName, const std::string& folderName) {
  const std::string package = FullPath(packageName);
  std::string folder = FullPath(folderName);
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  ModuleHandle module(LoadLibraryExW(Utf8ToWide(package).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!module) {
    DWORD code = GetLastError();
    return Refuse(code, "the package " + Quoted(package) + " cannot be read (" + SystemMessage(code) + ")");
  }
  if (FindResourceA(module.get(), kLanguageResource, kLanguageResourceType) == nullptr)
    return Refuse(ERROR_BAD_FORMAT, Quoted(package) + " is no Pendrix package: it carries no language DLL");
  Extractor extractor(module.get(), folder);
  std::string problem = extractor.ReadRecords(package);
  if (!problem.empty()) return Refuse(ERROR_INVALID_DATA, "the package " + Quoted(package) + " is damaged: " + problem);

  // Nothing is mixed with, or written over, what a folder already holds.
  DWORD attributes = GetFileAttributesW(Utf8ToWide(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return Refuse(ERROR_DIRECTORY, Quoted(folder) + " is a file: name a new or empty folder to extract into");
  if (attributes != INVALID_FILE_ATTRIBUTES && !IsEmptyFolder(folder))
    return Refuse(ERROR_DIR_NOT_EMPTY, Quoted(folder) + " is not empty: name a new or empty folder to extract into");
  if (attributes == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(Utf8ToWide(folder).c_str(), nullptr)) {
    DWORD code = GetLastError();
    return Refuse(code, "the folder " + Quoted(folder) + " cannot be made (" + SystemMessage(code) + ")");
  }

  // The settings the package runs: its own, or the file it reads beside itself.
  std::string settings;
  const BYTE* bytes = nullptr;
  DWORD size = 0;
  if (extractor.Bytes(kSettingsResourceType, kSettingsResource, bytes, size)) {
    if (extractor.Whole(kSettingsResourceType, kSettingsResource, bytes, size) &&
        extractor.Write("Settings.ini", bytes, size, "the settings the package carries"))
      settings = folder + "\\Settings.ini";
  } else {
    const std::string beside = package.substr(0, package.find_last_of('\\') + 1) + "Settings.ini";
    std::string text;
    FileHandle file(
        CreateFileW(Utf8ToWide(beside).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER length = {};
    if (file && GetFileSizeEx(file.get(), &length) && length.QuadPart < (16 << 20)) {
      text.resize(static_cast<size_t>(length.QuadPart));
      DWORD read = 0;
      if (!text.empty() && !ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size()), &read, nullptr))
        text.clear();
    }
    if (!text.empty() && extractor.Write("Settings.ini", reinterpret_cast<const BYTE*>(text.data()),
                                         static_cast<DWORD>(text.size()), "not carried: read from beside the package"))
      settings = folder + "\\Settings.ini";
    else
      extractor.Note("the package carries no settings, and there is no Settings.ini beside it to name its installers");
  }
  // The profile functions read the settings by an ANSI path.
  TemporaryFile readable;
  if (!settings.empty()) extractor.Installers(AnsiReadablePath(settings, readable));
  extractor.Unnamed(!settings.empty());
  extractor.Languages();
  return extractor.Finish(package);
}
