#include "PackageVersion.h"

#include "BuiltInLanguage.h"
#include "ErrorText.h"
#include "Utf8Text.h"
#include "VersionResource.h"
#include "core/HandleOwner.h"

namespace {

// The names of the strings, in the order of Explorer's file properties.
const char kCompany[] = "CompanyName";
const char kDescription[] = "FileDescription";
const char kFileVersion[] = "FileVersion";
const char kCopyright[] = "LegalCopyright";
const char kProduct[] = "ProductName";
const char kProductVersion[] = "ProductVersion";

bool ReadVersion(HMODULE module, VersionInfo& info) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_VERSION));
  HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
  const auto* bytes = loaded != nullptr ? static_cast<const uint8_t*>(LockResource(loaded)) : nullptr;
  return bytes != nullptr && ReadVersionResource(bytes, SizeofResource(module, found), info) == nullptr;
}

}  // namespace

bool StampsVersion(const PackOptions& options) {
  return !options.productName.empty() || !options.productVersion.empty() || !options.company.empty() ||
         !options.description.empty() || !options.copyright.empty();
}

std::string MakeVersionResource(const PackOptions& options, const std::string& enginePath,
                                std::vector<uint8_t>& bytes) {
  ModuleHandle engine(LoadLibraryExW(Utf8ToWide(enginePath).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!engine) return "the engine " + Quoted(enginePath) + " cannot be read (" + SystemMessage(GetLastError()) + ")";
  const std::string engineVersion = EngineVersion(engine.get());
  VersionInfo info;
  unsigned short parts[4] = {};
  ParseProductVersion(options.productVersion, parts);  // checked with the command line
  for (int i = 0; i < 4; i++) info.fileVersion[i] = info.productVersion[i] = parts[i];
  // Task Manager and the elevation prompt show the description: the product's setup, by default.
  std::string description = options.description;
  if (description.empty()) description = options.productName.empty() ? "Setup package" : options.productName + " Setup";
  const struct {
    const char* name;
    std::string value;
  } strings[] = {{kCompany, options.company},
                 {kDescription, description},
                 {kFileVersion, options.productVersion},
                 {kCopyright, options.copyright},
                 {kProduct, options.productName},
                 {kProductVersion, options.productVersion},
                 {kEngineVersionString, engineVersion}};
  for (const auto& string : strings)
    if (!string.value.empty()) info.strings.emplace_back(Utf16(string.name), Utf16(string.value));
  bytes = WriteVersionResource(info);
  if (bytes.size() > 0xFFFF) return "the version resource would be too long: shorten the texts given for it";
  return "";
}

std::string VersionLine(HMODULE module) {
  VersionInfo info;
  if (!ReadVersion(module, info)) return "";
  std::string line = "file version " + VersionText(info.fileVersion) + ", product version " +
                     VersionText(info.productVersion);
  for (const auto& string : info.strings)
    if (string.first != Utf16(kEngineVersionString))
      line += ", " + Utf8(string.first) + " " + Quoted(Utf8(string.second));
  return line;
}

std::string EngineVersion(HMODULE module) {
  VersionInfo info;
  if (!ReadVersion(module, info)) return "";
  std::u16string own = info.String(kEngineVersionString);
  if (!own.empty()) return Utf8(own);
  return std::to_string(info.fileVersion[0]) + "." + std::to_string(info.fileVersion[1]) + "." +
         std::to_string(info.fileVersion[2]);
}

bool HasMakerVersion(HMODULE module) {
  VersionInfo info;
  return ReadVersion(module, info) && !info.String(kEngineVersionString).empty();
}
