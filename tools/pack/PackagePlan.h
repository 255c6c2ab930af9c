// What goes into a package: the setup types of a settings file, the installers each one runs,
// and the payload files that become resources. Read with the engine's own profile calls and
// buffer cuts, so that the builder embeds what the engine will look for and refuses what could
// not work.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct PlannedInstaller {
  std::string section;  // as the setup type names it
  bool main = false;
  std::string name;  // the Name value
  std::string file;  // the File value, lower case
  bool doNotExtract = false;
  std::string payloadName;  // the file the engine extracts (File, or the MSI after the switch)
  size_t resource = 0;      // index into PackagePlan::resources when extracted
};

struct PlannedSetupType {
  std::string section;
  std::vector<PlannedInstaller> installers;  // prerequisites in order, then the main installer
};

struct PlannedBlob {
  std::string path;  // full path of the file whose bytes are embedded
  uint32_t size = 0;
};

struct PlannedResource {
  std::string type;     // "INSTALLER" or "TEXT"
  std::string name;     // upper case, as the loader compares it
  std::string section;  // the installer section that first asked for it, or "" for the settings
  size_t blob = 0;
};

struct PackagePlan {
  std::vector<PlannedSetupType> setupTypes;
  std::vector<PlannedResource> resources;
  std::vector<PlannedBlob> blobs;
};

// Reads the settings (a full path) against the payload folder (a full path; empty to read the
// settings alone, embedding nothing). Returns 0, or a
// Windows error code with `error` set to one line that names the setup type, section, key or file.
DWORD ReadPackagePlan(const std::string& settingsPath, const std::string& payloadDir, PackagePlan& plan,
                      std::string& error);

// Adds the settings file itself as "SETTINGS_INI" of type "TEXT".
DWORD AddSettingsResource(const std::string& settingsPath, PackagePlan& plan, std::string& error);
