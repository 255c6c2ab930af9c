#include "PackList.h"

#include <string>
#include <vector>

#include "ErrorText.h"
#include "InstallerElevation.h"
#include "InstallerListing.h"
#include "PackCheck.h"
#include "PackagePlan.h"
#include "PackageVersion.h"
#include "TemporaryFile.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"
#include "core/PathText.h"
#include "trust/FileHash.h"
#include "trust/InstallerFileName.h"
#include "install/InstallerResource.h"
#include "ui/LanguageChoice.h"
#include "ui/language/resource.h"

namespace {

struct ResourceEntry {
  std::string type;
  std::string name;
  DWORD size;
};

std::string ResourceId(LPCSTR id) {
  if (IS_INTRESOURCE(id)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id));
  return id;
}

std::string TypeName(LPCSTR type) {
  struct Known {
    ULONG_PTR id;
    const char* name;
  } static const kKnown[] = {{1, "CURSOR"},      {2, "BITMAP"},   {3, "ICON"},     {4, "MENU"},
                             {5, "DIALOG"},      {6, "STRING"},   {10, "RCDATA"},  {12, "GROUP_CURSOR"},
                             {14, "GROUP_ICON"}, {16, "VERSION"}, {24, "MANIFEST"}};
  if (IS_INTRESOURCE(type))
    for (const Known& known : kKnown)
      if (reinterpret_cast<ULONG_PTR>(type) == known.id) return known.name;
  return ResourceId(type);
}

struct Enumeration {
  HMODULE module;
  std::vector<ResourceEntry> entries;
};

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR parameter) {
  auto* enumeration = reinterpret_cast<Enumeration*>(parameter);
  HRSRC resource = FindResourceA(module, name, type);
  enumeration->entries.push_back({TypeName(type), ResourceId(name), resource ? SizeofResource(module, resource) : 0});
  return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR parameter) {
  EnumResourceNamesA(module, type, CollectName, parameter);
  return TRUE;
}

// What the package's manifest asks Windows for when it starts.
std::string ExecutionLevel(HMODULE module) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const uint8_t* bytes = loaded ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  std::string level =
      bytes != nullptr ? RequestedExecutionLevel(std::vector<uint8_t>(bytes, bytes + SizeofResource(module, resource))) : "";
  if (level == "requireAdministrator") return level + " (always elevated; a standard user is asked for an administrator)";
  if (level == "highestAvailable") return level + " (elevated when an administrator starts it, else with the user's rights)";
  if (level == "asInvoker") return level + " (with the rights of whoever starts it)";
  return "none named (Windows' installer detection decides)";
}

// The embedded settings written to a file of their own, so that the profile functions read them
// as the engine will; false when the package carries none.
bool ExtractEmbeddedSettings(HMODULE module, TemporaryFile& copy, DWORD& size) {
  HRSRC resource = FindResourceA(module, kSettingsResource, kSettingsResourceType);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return false;
  size = SizeofResource(module, resource);
  return copy.Write(bytes, size) == 0;
}

const uint8_t* FindDigest(HMODULE module, const char* name) {
  HRSRC resource = FindResourceA(module, name, kInstallerHashResourceType);
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  if (loaded == nullptr || SizeofResource(module, resource) != kInstallerHashSize) return nullptr;
  return static_cast<const uint8_t*>(LockResource(loaded));
}

void PrintLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) PrintTo(stdout, "%s\n", AnsiToUtf8(line).c_str());
}

// An installer beside the package as it lies in the package's folder now: there and the file the
// package was built with, or missing, or another. False when the engine would not run it.
bool CheckBeside(const PlannedInstaller& installer, const uint8_t* recorded, const std::string& packageFolder,
                 std::string& line) {
  char path[MAX_PATH] = {};
  if (!ResolveBesidePath(packageFolder.c_str(), AnsiToUtf8(installer.payloadName).c_str(), path)) {
    line += "; its path climbs above the package folder's root";
    return false;
  }
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    line += "; missing: there is no " + Quoted(path);
    return false;
  }
  if (recorded == nullptr) return true;
  Sha256Digest digest;
  if (Sha256OfFile(file.get(), digest) != 0) {
    line += "; " + Quoted(path) + " cannot be read";
    return false;
  }
  if (memcmp(digest.bytes, recorded, kInstallerHashSize) == 0) {
    line += "; the file there is this one";
    return true;
  }
  line += "; " + Quoted(path) + " differs from it, and the engine refuses to run it";
  return false;
}

// Prints each setup type with its installers, what each runs with and how it is judged, and for
// a silent one its unattended command line; false when the package could not work: the
// settings are refused, or an installer they name is missing from it or differs beside it.
bool PrintSetupTypes(HMODULE module, const std::string& settings, const std::string& packageFile,
                     const std::string& packageFolder) {
  PackagePlan plan;
  std::vector<PlanProblem> problems;
  bool complete = ReadPackagePlan(settings, "Settings.ini", "", plan, problems) == 0;
  for (const PlanProblem& problem : problems)
    if (problem.refusal) PrintTo(stdout, "The settings cannot be packed as they are: %s\n", problem.line.c_str());
  for (const PlannedSetupType& type : plan.setupTypes) {
    // The settings' names are in the ANSI code page, as the engine reads them.
    PrintTo(stdout, "Setup type [%s]\n%s\n", AnsiToUtf8(type.section).c_str(),
            AnsiToUtf8(SetupTypeLine(settings, type.section)).c_str());
    for (const PlannedInstaller& installer : type.installers) {
      const char* role = installer.main ? "main" : "prerequisite";
      const std::string section = AnsiToUtf8(installer.section);
      char name[kResourceNameSize] = {};
      InstallerResourceName(installer.name.c_str(), name);
      CharUpperA(name);  // as the loader stores and compares it
      if (installer.doNotExtract) {
        const uint8_t* digest = installer.payloadName.empty() ? nullptr : FindDigest(module, name);
        std::string line = AnsiToUtf8(BesideLine(installer, digest));
        if (!installer.payloadName.empty() && !CheckBeside(installer, digest, packageFolder, line)) complete = false;
        PrintTo(stdout, "  %s [%s]: %s\n", role, section.c_str(), line.c_str());
        PrintLines(InstallerDetailLines(settings, installer.section, installer.main));
        continue;
      }
      HRSRC resource = FindResourceA(module, name, kInstallerResourceType);
      if (resource == nullptr) {
        PrintTo(stdout, "  %s [%s]: resource %s, missing from the package\n", role, section.c_str(),
                AnsiToUtf8(name).c_str());
        complete = false;
      } else {
        PrintTo(stdout, "  %s [%s]: resource %s, %lu bytes, extracted as \"%s\"\n", role, section.c_str(),
                AnsiToUtf8(name).c_str(), SizeofResource(module, resource), AnsiToUtf8(installer.payloadName).c_str());
      }
      PrintLines(InstallerDetailLines(settings, installer.section, installer.main));
    }
    std::string unattended = AnsiToUtf8(UnattendedLine(type.section, Utf8ToAnsi(packageFile)));
    if (!unattended.empty()) PrintTo(stdout, "%s\n", unattended.c_str());
  }
  return complete;
}

DWORD ResourceSize(HMODULE module, const char* type, const char* name) {
  HRSRC resource = FindResourceA(module, name, type);
  return resource != nullptr ? SizeofResource(module, resource) : 0;
}

// The built-in language and those of the index, each with the resource that holds it.
void PrintLanguages(HMODULE module) {
  PrintTo(stdout, "Languages:\n");
  PrintTo(stdout, "  %s (%u): built in, resource %s, %lu bytes\n", kBuiltInLanguageName, kBuiltInLanguageId,
          kLanguageResource, ResourceSize(module, kLanguageResourceType, kLanguageResource));
  HRSRC index = FindResourceA(module, kLanguageIndexResource, kLanguageResourceType);
  HGLOBAL loaded = index != nullptr ? LoadResource(module, index) : nullptr;
  const char* text = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (text == nullptr) return;
  LanguageIndex languages;
  ParseLanguageIndex(text, SizeofResource(module, index), languages);
  for (const PackageLanguage& language : languages) {
    char name[32] = {};
    LanguageResourceName(language.id, name);
    std::string pages;
    for (size_t i = 0; i < language.codePageCount; i++) pages += " " + std::to_string(language.codePages[i]);
    PrintTo(stdout, "  %s (%u): resource %s, %lu bytes, shown where the ANSI code page is one of:%s\n", language.name,
            language.id, name, ResourceSize(module, kLanguageResourceType, name),
            pages.empty() ? " none" : pages.c_str());
  }
}

}  // namespace

int ListPackage(const std::string& packagePath) {
  std::string path = FullPath(packagePath);
  HMODULE module = LoadLibraryExW(Utf8ToWide(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    DWORD code = GetLastError();
    PrintTo(stderr, "PendrixPack: the package %s cannot be read (%s)\n", Quoted(path).c_str(),
            SystemMessage(code).c_str());
    return code != 0 ? static_cast<int>(code) : ERROR_FILE_NOT_FOUND;
  }
  if (FindResourceA(module, kLanguageResource, kLanguageResourceType) == nullptr) {
    FreeLibrary(module);
    PrintTo(stderr, "PendrixPack: %s is no Pendrix package: it carries no language DLL\n", Quoted(path).c_str());
    return ERROR_BAD_FORMAT;
  }

  PrintTo(stdout, "Package %s\n", Quoted(path).c_str());
  const std::string engine = EngineVersion(module);
  PrintTo(stdout, "Engine: %s\n", engine.empty() ? "no version resource" : ("Pendrix " + engine).c_str());
  // The maker's own version resource, which keeps the engine's version in a string of its own.
  if (HasMakerVersion(module)) PrintTo(stdout, "Version: %s\n", VersionLine(module).c_str());
  DWORD settingsSize = 0;
  TemporaryFile embedded;
  bool complete = true;
  const std::string packageFile = path.substr(path.find_last_of('\\') + 1);
  const std::string folder = path.substr(0, path.find_last_of('\\'));
  if (ExtractEmbeddedSettings(module, embedded, settingsSize)) {
    PrintTo(stdout, "Settings: embedded as SETTINGS_INI, %lu bytes\n", settingsSize);
    complete = PrintSetupTypes(module, embedded.path(), packageFile, folder);
  } else {
    std::string beside = path.substr(0, path.find_last_of('\\') + 1) + "Settings.ini";
    bool there = GetFileAttributesW(Utf8ToWide(beside).c_str()) != INVALID_FILE_ATTRIBUTES;
    PrintTo(stdout, "Settings: not embedded; the package reads Settings.ini from its own folder (%s, %s)\n",
            Quoted(beside).c_str(), there ? "there now" : "not there now");
    TemporaryFile besideCopy;
    if (there) complete = PrintSetupTypes(module, AnsiReadablePath(beside, besideCopy), packageFile, folder);
  }

  Enumeration enumeration{module, {}};
  EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&enumeration));
  PrintTo(stdout, "Resources:\n");
  for (const ResourceEntry& entry : enumeration.entries)
    PrintTo(stdout, "  %s %s, %lu bytes\n", entry.type.c_str(), AnsiToUtf8(entry.name).c_str(), entry.size);
  PrintLanguages(module);
  PrintTo(stdout, "Execution level: %s\n", ExecutionLevel(module).c_str());
  FreeLibrary(module);
  fflush(stdout);
  return complete ? kPackSucceeded : kPackRefused;
}
