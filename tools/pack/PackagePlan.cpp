#include "PackagePlan.h"

#include <map>

#include "ErrorText.h"
#include "InstallerElevation.h"
#include "PackRules.h"
#include "SettingsCheck.h"
#include "SettingsFile.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "core/PathText.h"
#include "core/SplitString.h"
#include "requirements/PermissionRequirement.h"
#include "settings/SettingsKeys.h"
#include "settings/YesNo.h"
#include "trust/FileHash.h"
#include "ui/language/resource.h"

namespace {

// Stands for a key that is not there at all, as opposed to one with an empty value.
const char kAbsent[] = "\x01";

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// A path as Windows compares names, ignoring case, in any script.
std::string UpperPath(const std::string& utf8) {
  std::wstring wide = Utf8ToWide(utf8);
  if (!wide.empty()) CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
  return WideToUtf8(wide);
}

// A name from the settings, which the engine reads in the ANSI code page, as the lines show it.
std::string Shown(const std::string& ansi) { return AnsiToUtf8(ansi); }

// The settings as the engine reads them: one profile call per key, with the engine's buffer.
class SettingsReader {
 public:
  explicit SettingsReader(const std::string& path) : m_path(path) {}

  // A key of the engine's table, cut where the engine cuts it.
  template <size_t N>
  bool Read(const std::string& section, const SettingsKey& key, char (&value)[N]) {
    static_assert(N >= 2, "buffer");
    DWORD size = static_cast<DWORD>(key.chars + 1 < N ? key.chars + 1 : N);
    GetPrivateProfileStringA(section.c_str(), key.name, kAbsent, value, size, m_path.c_str());
    bool present = strcmp(value, kAbsent) != 0;
    if (!present) value[0] = '\0';
    return present;
  }

  // The engine's existence test: the section's lines, asked for with a buffer of four bytes.
  bool SectionExists(const std::string& section) {
    char lines[4] = {};
    return GetPrivateProfileSectionA(section.c_str(), lines, sizeof(lines), m_path.c_str()) != 0;
  }

  std::vector<std::string> SectionNames() {
    std::vector<std::string> names;
    for (DWORD size = 4096; size <= (1u << 24); size *= 2) {
      std::string buffer(size, '\0');
      DWORD n = GetPrivateProfileSectionNamesA(&buffer[0], size, m_path.c_str());
      if (n + 2 >= size) continue;  // cut: ask again with more room
      for (const char* p = buffer.c_str(); *p != '\0'; p += strlen(p) + 1) names.push_back(p);
      break;
    }
    return names;
  }

 private:
  std::string m_path;
};


// An installer section as the plan read it, once for every setup type that names it.
struct ReadInstaller {
  bool usable = false;
  PlannedInstaller installer;
};

class PlanBuilder {
 public:
  PlanBuilder(const std::string& readPath, const std::string& shownPath, const std::string& payloadDir,
              PackagePlan& plan, std::vector<PlanProblem>& problems)
      : m_settings(readPath),
        m_lines(AnsiToUtf8(SettingsTextOfNames(readPath))),
        m_shownPath(shownPath),
        m_payloadDir(payloadDir),
        m_plan(plan),
        m_problems(problems) {}

  DWORD Build() {
    for (const std::string& section : m_settings.SectionNames()) {
      char preInstall[1000] = {};
      char mainInstall[100] = {};
      bool hasPre = m_settings.Read(section, kSetupTypeKeys[kKeyPreInstall], preInstall);
      bool hasMain = m_settings.Read(section, kSetupTypeKeys[kKeyMainInstall], mainInstall);
      if (!hasPre && !hasMain) continue;
      AddSetupType(section, preInstall, mainInstall);
    }
    if (m_plan.setupTypes.empty() && m_firstRefusal == 0)
      Refuse(ERROR_INVALID_DATA,
             "no setup type: no section of " + Quoted(m_shownPath) + " has a PreInstall or MainInstall key");
    return m_firstRefusal;
  }

 private:
  // A refusal on the line of the section and key being read.
  void Refuse(DWORD code, const std::string& line) {
    if (m_firstRefusal == 0) m_firstRefusal = code;
    m_problems.push_back(
        {true, code, m_shownPath + ":" + std::to_string(m_lines.Of(Shown(m_atSection), m_atKey)) + ": " + line});
  }
  void ReadingAt(const std::string& section, const char* key) {
    m_atSection = section;
    m_atKey = key;
  }
  void Warn(const std::string& section, const char* key, const std::string& text) {
    m_problems.push_back(
        {false, 0, FindingLine(m_shownPath, m_lines, {FindingLevel::kWarning, Shown(section), key, text})});
  }

  void AddSetupType(const std::string& section, const char* preInstall, const char* mainInstall) {
    PlannedSetupType type;
    type.section = section;
    ReadingAt(section, kSetupTypeKeys[kKeyPreInstall].name);
    std::vector<std::string> prerequisites;
    SplitString(preInstall, "|", prerequisites);
    if (prerequisites.empty() && mainInstall[0] == '\0') {
      Refuse(ERROR_INVALID_DATA, "setup type [" + Shown(section) +
                                     "] names no installer: its PreInstall and MainInstall keys list no section");
      return;
    }
    char permission[25] = {};
    m_settings.Read(section, kSetupTypeKeys[kKeyReqPermission], permission);
    const bool elevated = ReadPermissionRequirement(permission) == PermissionRequirement::kAdministrator;
    for (const std::string& name : prerequisites) AddInstaller(type, name, false, elevated);
    if (mainInstall[0] != '\0') AddInstaller(type, mainInstall, true, elevated);
    m_plan.setupTypes.push_back(type);
  }

  void AddInstaller(PlannedSetupType& type, const std::string& section, bool main, bool elevated) {
    ReadingAt(type.section, kSetupTypeKeys[main ? kKeyMainInstall : kKeyPreInstall].name);
    if (!m_settings.SectionExists(section)) {
      Refuse(ERROR_INVALID_DATA, "setup type [" + Shown(type.section) + "] names the installer section [" +
                                     Shown(section) + "], which does not exist in " + Quoted(m_shownPath));
      return;
    }
    // A section that several setup types name is read, and reported on, once; the profile
    // functions match its name without regard to case.
    const std::string key = Upper(section);
    auto known = m_installers.find(key);
    if (known == m_installers.end()) known = m_installers.emplace(key, ReadSection(type, section)).first;
    if (!known->second.usable) return;
    PlannedInstaller installer = known->second.installer;
    installer.section = section;
    installer.main = main;
    type.installers.push_back(installer);
    // Without administrator rights the package runs unelevated for a standard user, in a working
    // folder that the user's other programs can add files to; a package that asks Windows for an
    // administrator's rights always runs elevated.
    if (!elevated && m_plan.executionLevel != "requireAdministrator" && !installer.elevation.empty())
      Warn(type.section, kSetupTypeKeys[kKeyReqPermission].name,
           "runs [" + Shown(section) + "] (" + Quoted(Shown(installer.payloadName)) +
               "), which asks Windows for elevation when it " + "starts: " + installer.elevation +
               ". Without ReqPermission=Admin the package runs unelevated for a " +
               "standard user, in a working folder that the user's other programs can add files to, and the " +
               "elevated installer would load a DLL they put beside it. Build the package with --execution-level " +
               "requireAdministrator and set ReqPermission=Admin, so that the whole package runs elevated, in a " +
               "folder only administrators can write");
  }

  ReadInstaller ReadSection(const PlannedSetupType& type, const std::string& section) {
    std::string where =
        "installer section [" + Shown(section) + "] (named by setup type [" + Shown(type.section) + "])";
    ReadInstaller read;
    PlannedInstaller& installer = read.installer;
    installer.section = section;
    ReadingAt(section, kInstallerKeys[kKeyFile].name);
    char name[100] = {};
    char file[260] = {};
    char arguments[1000] = {};
    char doNotExtract[4] = {};
    m_settings.Read(section, kInstallerKeys[kKeyInstallerName], name);
    m_settings.Read(section, kInstallerKeys[kKeyFile], file);
    ReadingAt(section, kInstallerKeys[kKeyInstallerName].name);
    if (name[0] == '\0') Refuse(ERROR_BAD_PATHNAME, where + " has no Name key");
    ReadingAt(section, kInstallerKeys[kKeyFile].name);
    if (file[0] == '\0') Refuse(ERROR_BAD_PATHNAME, where + " has no File key");
    if (name[0] == '\0' || file[0] == '\0') return read;
    CharLowerA(file);
    m_settings.Read(section, kInstallerKeys[kKeyArguments], arguments);
    m_settings.Read(section, kInstallerKeys[kKeyDoNotExtract], doNotExtract);
    installer.name = name;
    installer.file = file;
    installer.doNotExtract = IsYesValue(doNotExtract);

    char payload[kPayloadNameSize] = {};
    const InstallerFileRule rule = InstallerFileName(file, arguments, installer.doNotExtract, payload);
    const char* key = kInstallerKeys[IsMsiexecRun(file) ? kKeyArguments : kKeyFile].name;
    ReadingAt(section, key);
    installer.payloadName = payload;
    switch (rule) {
      case InstallerFileRule::kOk:
        break;
      case InstallerFileRule::kNoFile:
        read.usable = true;
        return read;
      case InstallerFileRule::kNoMsiFile:
        Refuse(ERROR_INVALID_DATA, where + " runs msiexec, but its Arguments key names no MSI file after /i, /package, "
                                           "/x, /uninstall, /p or /update");
        return read;
      case InstallerFileRule::kNotAFileName:
        Refuse(ERROR_INVALID_DATA,
               where + ", key " + key + ": " + Quoted(Shown(payload)) + " is not a plain file name, and the engine " +
                   "extracts the installer into its working folder under that name; an installer that runs beside " +
                   "the package (DoNotExtract=yes) may name a file in a subfolder of the package's folder");
        return read;
      case InstallerFileRule::kNotRunnable:
        Refuse(ERROR_INVALID_DATA,
               where + ", key " + key + ": " + Quoted(Shown(payload)) + " runs beside the package (DoNotExtract), " +
                   "so it must be a path to a file: relative to the package's folder (\"..\\common\\setup.exe\"), " +
                   "from a drive's root (\"C:\\tools\\x.exe\") or from a share (\"\\\\server\\share\\x.exe\"); " +
                   "not \"\\x.exe\", \"C:x.exe\", a device name, a name that ends in a dot or a blank, or one " +
                   "that ends in a folder separator");
        return read;
    }
    char resourceName[kResourceNameSize] = {};
    InstallerResourceName(name, resourceName);
    const std::string resource = Upper(resourceName);
    read.usable = installer.doNotExtract ? AddHash(where, section, key, resource, installer)
                                         : AddInstallerResource(where, section, resource, installer);
    return read;
  }

  bool AddInstallerResource(const std::string& where, const std::string& section, const std::string& resource,
                            PlannedInstaller& installer) {
    // Without a payload folder (a check of the settings alone) there is nothing to embed.
    if (m_payloadDir.empty()) return true;
    size_t blob = 0;
    if (!FindPayload(where, installer.payloadName, blob)) return false;
    if (!IsMsiexecRun(installer.file.c_str()))
      installer.elevation = ProgramElevation(m_plan.blobs[blob].path, Shown(installer.payloadName));
    auto known = m_resourceByName.find(resource);
    if (known != m_resourceByName.end()) {
      const PlannedResource& other = m_plan.resources[known->second];
      if (other.blob != blob) {
        Refuse(ERROR_INVALID_DATA, "installer sections [" + Shown(other.section) + "] and [" + Shown(section) +
                                       "] would both write the resource " + resource + ", from different files " +
                                       Quoted(m_plan.blobs[other.blob].path) + " and " +
                                       Quoted(m_plan.blobs[blob].path));
        return false;
      }
      installer.resource = known->second;
      return true;
    }
    installer.resource = m_plan.resources.size();
    m_resourceByName[resource] = installer.resource;
    m_plan.resources.push_back({kInstallerResourceType, resource, section, blob});
    return true;
  }

  // Why an extracted program asks Windows for elevation when it starts, read from its file.
  static std::string ProgramElevation(const std::string& path, const std::string& name) {
    if (name.size() < 4 || lstrcmpiA(name.c_str() + name.size() - 4, ".exe") != 0) return "";
    FileHandle file(
        CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "";
    ProgramManifest program = ReadProgramManifest([&file](uint64_t offset, uint32_t size, std::vector<uint8_t>& bytes) {
      LARGE_INTEGER at;
      at.QuadPart = static_cast<LONGLONG>(offset);
      bytes.assign(size, 0);
      DWORD read = 0;
      if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN) || !ReadFile(file.get(), bytes.data(), size, &read, nullptr))
        return false;
      bytes.resize(read);
      return true;
    });
    return ElevationReason(program, name);
  }

  // The SHA-256 of a file that runs beside the package, found from the payload folder as the
  // engine finds it from the package's folder (a file beside the setup folder too), under the
  // installer's resource name: the engine checks the file against it before the run.
  bool AddHash(const std::string& where, const std::string& section, const char* key, const std::string& resource,
               PlannedInstaller& installer) {
    char resolved[kPayloadNameSize] = {};
    const std::string payloadName = Shown(installer.payloadName);
    const bool found = !m_payloadDir.empty() && ResolveBesidePath(m_payloadDir.c_str(), payloadName.c_str(), resolved);
    std::string path = found ? resolved : payloadName;
    std::string file = UpperPath(path);
    for (char& c : file)
      if (c == '/') c = '\\';
    auto known = m_hashByName.find(resource);
    if (known != m_hashByName.end()) {
      if (known->second.file != file) {
        Refuse(ERROR_INVALID_DATA, "installer sections [" + Shown(known->second.section) + "] and [" + Shown(section) +
                                       "] run different files beside the package, " + Quoted(known->second.shown) +
                                       " and " + Quoted(payloadName) +
                                       ", and the engine would check both against the one SHA-256 of " + resource);
        return false;
      }
      installer.hashed = known->second.hashed;
      installer.resource = known->second.resource;
      return true;
    }
    HashedFile& hashed = m_hashByName[resource];
    hashed = {section, file, payloadName, false, 0};
    const std::string unverified = Quoted(payloadName) +
                                   " runs beside the package (DoNotExtract) without a recorded SHA-256, so the engine "
                                   "will run whatever file lies there, unverified: ";
    if (m_payloadDir.empty()) {
      Warn(section, key, unverified + "PendrixPack was given no payload folder to read it from");
      return true;
    }
    if (!found) {
      Warn(section, key, unverified + "from the payload folder " + Quoted(m_payloadDir) + " its path climbs above the root");
      return true;
    }
    FileHandle handle(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!handle) {
      DWORD code = GetLastError();
      if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        Warn(section, key, unverified + "resolved from the payload folder " + Quoted(m_payloadDir) +
                               ", it is not at " + Quoted(path) + "; the engine logs that it runs it unverified");
        return true;
      }
      Refuse(code, where + ": the file " + Quoted(path) + " that runs beside the package cannot be read for its " +
                       "SHA-256 (" + SystemMessage(code) + ")");
      return false;
    }
    Sha256Digest digest;
    DWORD result = Sha256OfFile(handle.get(), digest);
    if (result != 0) {
      Refuse(result, where + ": the SHA-256 of " + Quoted(path) + " cannot be computed (" + SystemMessage(result) + ")");
      return false;
    }
    hashed.hashed = installer.hashed = true;
    hashed.resource = installer.resource = m_plan.resources.size();
    m_plan.resources.push_back({kInstallerHashResourceType, resource, section, m_plan.blobs.size()});
    PlannedBlob blob;
    blob.bytes.assign(digest.bytes, digest.bytes + sizeof(digest.bytes));
    blob.size = sizeof(digest.bytes);
    m_plan.blobs.push_back(blob);
    return true;
  }

  // The payload file's blob, shared by every installer that embeds the same file.
  bool FindPayload(const std::string& where, const std::string& payloadName, size_t& blob) {
    std::string path = FullPath(m_payloadDir + "\\" + Shown(payloadName));
    std::string key = UpperPath(path);
    auto known = m_blobByPath.find(key);
    if (known != m_blobByPath.end()) {
      blob = known->second;
      return true;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data)) {
      DWORD code = GetLastError();
      Refuse(code == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : (code != 0 ? code : ERROR_FILE_NOT_FOUND),
             where + ": the payload file " + Quoted(Shown(payloadName)) + " was not found in " + Quoted(m_payloadDir) +
                 " (" + SystemMessage(code) + ")");
      return false;
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Refuse(ERROR_FILE_NOT_FOUND, where + ": the payload " + Quoted(path) + " is a folder, not a file");
      return false;
    }
    if (data.nFileSizeHigh != 0) {
      Refuse(ERROR_FILE_TOO_LARGE,
             where + ": the payload file " + Quoted(path) + " is 4 GB or larger, more than a resource can hold");
      return false;
    }
    if (data.nFileSizeLow == 0) {
      Refuse(ERROR_INVALID_DATA, where + ": the payload file " + Quoted(path) +
                                     " is empty, and the engine cannot extract an empty installer");
      return false;
    }
    blob = m_plan.blobs.size();
    m_blobByPath[key] = blob;
    PlannedBlob planned;
    planned.path = path;
    planned.size = data.nFileSizeLow;
    m_plan.blobs.push_back(planned);
    return true;
  }

  // A file beside the package whose hash is, or would be, recorded under one resource name.
  struct HashedFile {
    std::string section;
    std::string file;   // its path in the payload folder, upper case, as Windows compares names
    std::string shown;  // as the section names it
    bool hashed;
    size_t resource;
  };

  SettingsReader m_settings;
  SettingsLines m_lines;
  std::string m_atSection, m_atKey;  // what is being read, for the line of a refusal
  std::string m_shownPath;
  std::string m_payloadDir;
  PackagePlan& m_plan;
  std::vector<PlanProblem>& m_problems;
  DWORD m_firstRefusal = 0;
  std::map<std::string, ReadInstaller> m_installers;
  std::map<std::string, size_t> m_resourceByName;
  std::map<std::string, HashedFile> m_hashByName;
  std::map<std::string, size_t> m_blobByPath;
};

}  // namespace

std::string FullPath(const std::string& path) {
  wchar_t full[MAX_PATH] = {};
  DWORD n = GetFullPathNameW(Utf8ToWide(path).c_str(), MAX_PATH, full, nullptr);
  return (n > 0 && n < MAX_PATH) ? WideToUtf8(full, n) : path;
}

std::string BesideLine(const PlannedInstaller& installer, const uint8_t* digest) {
  const std::string& name = installer.payloadName.empty() ? installer.file : installer.payloadName;
  std::string line = "runs " + Quoted(name) +
                     (PathRootLength(name.c_str()) == 0 ? " from the package folder" : " where it lies") + " (DoNotExtract)";
  if (digest != nullptr) {
    static const char kHex[] = "0123456789abcdef";
    line += ", SHA-256 ";
    for (size_t i = 0; i < kInstallerHashSize; i++) {
      line += kHex[digest[i] >> 4];
      line += kHex[digest[i] & 0xF];
    }
  } else if (!installer.payloadName.empty()) {
    line += ", unverified";
  }
  return line;
}

DWORD ReadPackagePlan(const std::string& readPath, const std::string& shownPath, const std::string& payloadDir,
                      PackagePlan& plan, std::vector<PlanProblem>& problems) {
  const std::string level = plan.executionLevel;
  plan = PackagePlan();
  plan.executionLevel = level;
  return PlanBuilder(readPath, shownPath, payloadDir, plan, problems).Build();
}

DWORD AddSettingsResource(const SettingsFile& settings, PackagePlan& plan, std::string& error) {
  const std::vector<uint8_t>& bytes = settings.embedded();
  if (bytes.empty()) {
    error = "the settings file " + Quoted(settings.path()) + " cannot be embedded: it is empty";
    return ERROR_INVALID_DATA;
  }
  AddResource(kSettingsResourceType, kSettingsResource, bytes, plan);
  return 0;
}

DWORD AddManifestResource(const std::string& enginePath, const std::string& level, PackagePlan& plan,
                          std::string& error) {
  ModuleHandle engine(LoadLibraryExW(Utf8ToWide(enginePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  HRSRC found = engine ? FindResourceA(engine.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
  HGLOBAL loaded = found != nullptr ? LoadResource(engine.get(), found) : nullptr;
  const uint8_t* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  PlannedBlob blob;
  if (bytes == nullptr ||
      !WithExecutionLevel(std::vector<uint8_t>(bytes, bytes + SizeofResource(engine.get(), found)), level, blob.bytes)) {
    error = "the engine " + Quoted(enginePath) + " carries no manifest whose requested execution level could be set";
    return ERROR_RESOURCE_DATA_NOT_FOUND;
  }
  // Windows reads the manifest of language-neutral English, as the engine's own is.
  AddNumberedResource(24, 1, std::move(blob.bytes), plan);
  return 0;
}

void AddResource(const std::string& type, const std::string& name, std::vector<uint8_t> bytes, PackagePlan& plan) {
  plan.resources.push_back({type, name, "", plan.blobs.size()});
  PlannedBlob blob;
  blob.size = static_cast<uint32_t>(bytes.size());
  blob.bytes = std::move(bytes);
  plan.blobs.push_back(std::move(blob));
}

void AddNumberedResource(uint16_t type, uint16_t name, std::vector<uint8_t> bytes, PackagePlan& plan) {
  AddResource("", "", std::move(bytes), plan);
  plan.resources.back().typeNumber = type;
  plan.resources.back().nameNumber = name;
  plan.resources.back().language = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}
