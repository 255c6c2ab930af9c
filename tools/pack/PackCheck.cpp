#include "PackCheck.h"

#include <cstdio>

#include "ErrorText.h"
#include "PackagePlan.h"

namespace {

constexpr int kCheckClean = 0;
constexpr int kCheckWarnings = 1;
constexpr int kCheckRefused = 2;

// A profile call that fills a list of strings, asked again with more room until it fits.
template <typename Call>
std::string ProfileList(Call call) {
  for (DWORD size = 4096; size <= (1u << 24); size *= 2) {
    std::string buffer(size, '\0');
    DWORD n = call(&buffer[0], size);
    if (n + 2 < size) return buffer.substr(0, n);
  }
  return "";
}

std::vector<std::string> SplitNuls(const std::string& list) {
  std::vector<std::string> items;
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find('\0', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) items.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

std::string ProfileValue(const std::string& path, const std::string& section, const std::string& key) {
  for (DWORD size = 1024; size <= (1u << 24); size *= 2) {
    std::string buffer(size, '\0');
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", &buffer[0], size, path.c_str());
    if (n + 1 < size) return buffer.substr(0, n);
  }
  return "";
}

}  // namespace

SettingsSnapshot ReadSettingsSnapshot(const std::string& path) {
  SettingsSnapshot snapshot;
  std::vector<std::string> seen;
  std::string names =
      ProfileList([&](char* buffer, DWORD size) { return GetPrivateProfileSectionNamesA(buffer, size, path.c_str()); });
  for (const std::string& name : SplitNuls(names)) {
    SettingsSection section;
    section.name = name;
    bool again = false;
    for (const std::string& other : seen) again = again || lstrcmpiA(other.c_str(), name.c_str()) == 0;
    seen.push_back(name);
    if (!again) {
      std::string lines = ProfileList([&](char* buffer, DWORD size) {
        return GetPrivateProfileSectionA(name.c_str(), buffer, size, path.c_str());
      });
      for (const std::string& line : SplitNuls(lines)) {
        std::string key = line.substr(0, line.find('='));
        section.lines.push_back({key, ProfileValue(path, name, key)});
      }
    }
    snapshot.sections.push_back(section);
  }
  return snapshot;
}

FindingCounts ReportSettingsFindings(const std::string& shownName, const std::string& path, bool strict) {
  FindingCounts counts;
  for (const SettingsFinding& finding : CheckSettings(ReadSettingsSnapshot(path))) {
    bool refusal = finding.level == FindingLevel::kRefusal;
    fprintf(stderr, "PendrixPack: %s%s\n", refusal ? "" : "warning: ", FindingLine(shownName, finding).c_str());
    (refusal || strict ? counts.refusals : counts.warnings)++;
  }
  fflush(stderr);
  return counts;
}

std::string FindingsRefusal(const FindingCounts& counts, bool strict) {
  if (counts.refusals == 0) return "";
  return strict ? "refused with --strict: " + std::to_string(counts.refusals) + " finding(s) above"
                : "refused: the settings above would make the engine run other installers than the ones named";
}

int RunSettingsCheck(const PackOptions& options) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(options.settings.c_str(), sizeof(full), full, nullptr);
  std::string settings = (n > 0 && n < sizeof(full)) ? full : options.settings;
  DWORD attributes = GetFileAttributesA(settings.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    fprintf(stderr, "PendrixPack: the settings file %s does not exist\n", Quoted(settings).c_str());
    return kCheckRefused;
  }
  FindingCounts counts = ReportSettingsFindings(options.settings, settings, options.strict);
  std::string payload;
  if (!options.payload.empty()) {
    n = GetFullPathNameA(options.payload.c_str(), sizeof(full), full, nullptr);
    payload = (n > 0 && n < sizeof(full)) ? full : options.payload;
  }
  PackagePlan plan;
  std::string error;
  if (ReadPackagePlan(settings, payload, plan, error) != 0) {
    fprintf(stderr, "PendrixPack: %s\n", error.c_str());
    counts.refusals++;
  }
  fflush(stderr);
  printf("Checked %s%s: %lu warning(s), %lu refusal(s)\n", Quoted(options.settings).c_str(),
         payload.empty() ? "" : (" against " + Quoted(options.payload)).c_str(),
         static_cast<unsigned long>(counts.warnings), static_cast<unsigned long>(counts.refusals));
  fflush(stdout);
  if (counts.refusals != 0) return kCheckRefused;
  return counts.warnings != 0 ? kCheckWarnings : kCheckClean;
}
