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
  // The file the engine extracts (File, or the MSI after the switch), or with DoNotExtract the
  // file it runs beside the package; empty for an msiexec run beside it that names no file.
  std::string payloadName;
  bool hashed = false;  // with DoNotExtract: the SHA-256 of the file is recorded
  std::string elevation;  // why an extracted program asks Windows for elevation when it starts, or ""
  size_t resource = 0;  // index into PackagePlan::resources when extracted or hashed
};

struct PlannedSetupType {
  std::string section;
  std::vector<PlannedInstaller> installers;  // prerequisites in order, then the main installer
};

struct PlannedBlob {
  std::string path;            // full path of the file whose bytes are embedded, or ""
  std::vector<uint8_t> bytes;  // the bytes themselves when there is no path
  uint32_t size = 0;
};

struct PlannedResource {
  std::string type;     // "INSTALLER", "SHA256" or "TEXT"
  std::string name;     // upper case, as the loader compares it
  std::string section;  // the installer section that first asked for it, or "" for the settings
  size_t blob = 0;
  // A resource known by numbers instead (the manifest: type 24, name 1), and its language.
  uint16_t typeNumber = 0;
  uint16_t nameNumber = 0;
  uint16_t language = 0;
};

struct PackagePlan {
  // The execution level the package's manifest asks for, set before the plan is read; "" for
  // the engine's own.
  std::string executionLevel;
  std::vector<PlannedSetupType> setupTypes;
  std::vector<PlannedResource> resources;
  std::vector<PlannedBlob> blobs;
};

// One line about the plan: a refusal with its Windows error code, or a warning.
struct PlanProblem {
  bool refusal;
  DWORD code;
  std::string line;
};

// Reads the settings (`readPath`, a full path, named `shownPath` in the lines) against the
// payload folder (a full path; empty to read the settings alone, embedding nothing). Every
// refusal and warning goes to `problems` in the order found, one line each that names the setup
// type, section, key or file. Returns the code of the first refusal, or 0.
DWORD ReadPackagePlan(const std::string& readPath, const std::string& shownPath, const std::string& payloadDir,
                      PackagePlan& plan, std::vector<PlanProblem>& problems);

// How an installer beside the package runs, for the summary and --list: the file, and the
// SHA-256 (kInstallerHashSize bytes, or null) it is checked against.
std::string BesideLine(const PlannedInstaller& installer, const uint8_t* digest);

// The full path, or the path as it is when Windows cannot make one of it.
std::string FullPath(const std::string& path);

class SettingsFile;
// Adds the settings as the package carries them, "SETTINGS_INI" of type "TEXT".
DWORD AddSettingsResource(const SettingsFile& settings, PackagePlan& plan, std::string& error);

// Adds the engine's manifest with its requested execution level replaced by `level`.
DWORD AddManifestResource(const std::string& enginePath, const std::string& level, PackagePlan& plan,
                          std::string& error);

// Adds a resource of these bytes; one the engine carries under the same type and name is replaced.
void AddResource(const std::string& type, const std::string& name, std::vector<uint8_t> bytes, PackagePlan& plan);
// Adds a resource known by numbers (the version resource: type 16, name 1), in US English.
void AddNumberedResource(uint16_t type, uint16_t name, std::vector<uint8_t> bytes, PackagePlan& plan);
