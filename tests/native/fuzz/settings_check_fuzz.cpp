// PendrixPack's settings checks on arbitrary settings: lines "[name]" open a section, lines
// "key=value" add to it. Every finding names a section and says something, and only a cut list
// of installers is ever refused.
#include <cstdint>
#include <string>

#include "../../../tools/pack/SettingsCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  SettingsSnapshot settings;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line[0] == '[') {
      settings.sections.push_back({line.substr(1, line.find(']') - 1), {}});
    } else if (!settings.sections.empty()) {
      size_t equals = line.find('=');
      settings.sections.back().lines.push_back(
          {line.substr(0, equals), equals == std::string::npos ? "" : line.substr(equals + 1)});
    }
  }
  for (const SettingsFinding& finding : CheckSettings(settings)) {
    if (finding.text.empty() || FindingLine("Settings.ini", finding).empty()) __builtin_trap();
    if (finding.level == FindingLevel::kRefusal && finding.key != "PreInstall" && finding.key != "MainInstall")
      __builtin_trap();
  }
  return 0;
}
