#include "PackagePlan.h"

#include <map>

#include "ErrorText.h"
#include "PackRules.h"
#include "core/SplitString.h"
#include "settings/SettingsKeys.h"
#include "settings/YesNo.h"
#include "ui/language/resource.h"

namespace {

// Stands for a key that is not there at all, as opposed to one with an empty value.
const char kAbsent[] = "\x01";

std::string Upper(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

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


class PlanBuilder {
 public:
  PlanBuilder(const std::string& settingsPath, const std::string& payloadDir, PackagePlan& plan)
      : m_settings(settingsPath), m_settingsPath(settingsPath), m_payloadDir(payloadDir), m_plan(plan) {}

  DWORD Build(std::string& error) {
    for (const std::string& section : m_settings.SectionNames()) {
      char preInstall[1000] = {};
      char mainInstall[100] = {};
      bool hasPre = m_settings.Read(section, kSetupTypeKeys[kKeyPreInstall], preInstall);
      bool hasMain = m_settings.Read(section, kSetupTypeKeys[kKeyMainInstall], mainInstall);
      if (!hasPre && !hasMain) continue;
      DWORD result = AddSetupType(section, preInstall, mainInstall, error);
      if (result != 0) return result;
    }
    if (m_plan.setupTypes.empty()) {
      error = "no setup type: no section of " + Quoted(m_settingsPath) + " has a PreInstall or MainInstall key";
      return ERROR_INVALID_DATA;
    }
    return 0;
  }

 private:
  DWORD AddSetupType(const std::string& section, const char* preInstall, const char* mainInstall, std::string& error) {
    PlannedSetupType type;
    type.section = section;
    std::vector<std::string> prerequisites;
    SplitString(preInstall, "|", prerequisites);
    if (prerequisites.empty() && mainInstall[0] == '\0') {
      error = "setup type [" + section + "] names no installer: its PreInstall and MainInstall keys list no section";
      return ERROR_INVALID_DATA;
    }
    for (const std::string& name : prerequisites) {
      DWORD result = AddInstaller(type, name, false, error);
      if (result != 0) return result;
    }
    if (mainInstall[0] != '\0') {
      DWORD result = AddInstaller(type, mainInstall, true, error);
      if (result != 0) return result;
    }
    m_plan.setupTypes.push_back(type);
    return 0;
  }

  DWORD AddInstaller(PlannedSetupType& type, const std::string& section, bool main, std::string& error) {
    std::string where = "installer section [" + section + "] (named by setup type [" + type.section + "])";
    if (!m_settings.SectionExists(section)) {
      error = "setup type [" + type.section + "] names the installer section [" + section +
              "], which does not exist in " + Quoted(m_settingsPath);
      return ERROR_INVALID_DATA;
    }
    PlannedInstaller installer;
    installer.section = section;
    installer.main = main;
    char name[100] = {};
    char file[260] = {};
    char arguments[1000] = {};
    char doNotExtract[4] = {};
    m_settings.Read(section, kInstallerKeys[kKeyInstallerName], name);
    if (name[0] == '\0') {
      error = where + " has no Name key";
      return ERROR_BAD_PATHNAME;
    }
    m_settings.Read(section, kInstallerKeys[kKeyFile], file);
    if (file[0] == '\0') {
      error = where + " has no File key";
      return ERROR_BAD_PATHNAME;
    }
    CharLowerA(file);
    m_settings.Read(section, kInstallerKeys[kKeyArguments], arguments);
    m_settings.Read(section, kInstallerKeys[kKeyDoNotExtract], doNotExtract);
    installer.name = name;
    installer.file = file;
    installer.doNotExtract = IsYesValue(doNotExtract);
    if (installer.doNotExtract) {
      type.installers.push_back(installer);
      return 0;
    }

    char payload[kPayloadNameSize] = {};
    switch (InstallerFileName(file, arguments, false, payload)) {
      case InstallerFileRule::kNoMsiFile:
        error = where + " runs msiexec, but its Arguments key names no MSI file after /i, /package, /x, /uninstall, /p or /update";
        return ERROR_INVALID_DATA;
      case InstallerFileRule::kOk:
        break;
      default:
        error = where + ": " + Quoted(payload) +
                " is not a plain file name, and the engine extracts the installer into the temporary folder under that name";
        return ERROR_INVALID_DATA;
    }
    installer.payloadName = payload;
    // Without a payload folder (a check of the settings alone) there is nothing to embed.
    if (m_payloadDir.empty()) {
      type.installers.push_back(installer);
      return 0;
    }

    size_t blob = 0;
    DWORD result = FindPayload(where, payload, blob, error);
    if (result != 0) return result;

    char resourceName[kResourceNameSize] = {};
    InstallerResourceName(name, resourceName);
    std::string key = Upper(resourceName);
    auto known = m_resourceByName.find(key);
    if (known != m_resourceByName.end()) {
      const PlannedResource& other = m_plan.resources[known->second];
      if (other.blob != blob) {
        error = "installer sections [" + other.section + "] and [" + section + "] would both write the resource " + key +
                ", from different files " + Quoted(m_plan.blobs[other.blob].path) + " and " +
                Quoted(m_plan.blobs[blob].path);
        return ERROR_INVALID_DATA;
      }
      installer.resource = known->second;
    } else {
      installer.resource = m_plan.resources.size();
      m_resourceByName[key] = installer.resource;
      m_plan.resources.push_back({kInstallerResourceType, key, section, blob});
    }
    type.installers.push_back(installer);
    return 0;
  }

  // The payload file's blob, shared by every installer that embeds the same file.
  DWORD FindPayload(const std::string& where, const std::string& payloadName, size_t& blob, std::string& error) {
    std::string joined = m_payloadDir + "\\" + payloadName;
    char full[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(joined.c_str(), sizeof(full), full, nullptr);
    std::string path = (n > 0 && n < sizeof(full)) ? std::string(full) : joined;
    std::string key = Upper(path);
    auto known = m_blobByPath.find(key);
    if (known != m_blobByPath.end()) {
      blob = known->second;
      return 0;
    }
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
      DWORD code = GetLastError();
      error = where + ": the payload file " + Quoted(payloadName) + " was not found in " + Quoted(m_payloadDir) +
              " (" + SystemMessage(code) + ")";
      return code == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : (code != 0 ? code : ERROR_FILE_NOT_FOUND);
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      error = where + ": the payload " + Quoted(path) + " is a folder, not a file";
      return ERROR_FILE_NOT_FOUND;
    }
    if (data.nFileSizeHigh != 0) {
      error = where + ": the payload file " + Quoted(path) + " is 4 GB or larger, more than a resource can hold";
      return ERROR_FILE_TOO_LARGE;
    }
    if (data.nFileSizeLow == 0) {
      error = where + ": the payload file " + Quoted(path) + " is empty, and the engine cannot extract an empty installer";
      return ERROR_INVALID_DATA;
    }
    blob = m_plan.blobs.size();
    m_blobByPath[key] = blob;
    m_plan.blobs.push_back({path, data.nFileSizeLow});
    return 0;
  }

  SettingsReader m_settings;
  std::string m_settingsPath;
  std::string m_payloadDir;
  PackagePlan& m_plan;
  std::map<std::string, size_t> m_resourceByName;
  std::map<std::string, size_t> m_blobByPath;
};

}  // namespace

DWORD ReadPackagePlan(const std::string& settingsPath, const std::string& payloadDir, PackagePlan& plan,
                      std::string& error) {
  plan = PackagePlan();
  return PlanBuilder(settingsPath, payloadDir, plan).Build(error);
}

DWORD AddSettingsResource(const std::string& settingsPath, PackagePlan& plan, std::string& error) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExA(settingsPath.c_str(), GetFileExInfoStandard, &data)) {
    DWORD code = GetLastError();
    error = "the settings file " + Quoted(settingsPath) + " cannot be read (" + SystemMessage(code) + ")";
    return code != 0 ? code : ERROR_FILE_NOT_FOUND;
  }
  if (data.nFileSizeHigh != 0 || data.nFileSizeLow == 0) {
    error = "the settings file " + Quoted(settingsPath) + " cannot be embedded: it is empty or too large";
    return ERROR_INVALID_DATA;
  }
  plan.resources.push_back({kSettingsResourceType, kSettingsResource, "", plan.blobs.size()});
  plan.blobs.push_back({settingsPath, data.nFileSizeLow});
  return 0;
}
