// PendrixPack's settings checks on arbitrary settings: lines "[name]" open a section, lines
// "key=value" add to it. Every finding names a section, a line of the text and says something,
// and only a cut list of installers or a code that reads as another is ever refused. The same
// bytes go through the encoding detector, whose UTF-8 must be exactly what a decoder and encoder
// give back unchanged.
#include <algorithm>
#include <cstdint>
#include <string>

#include "../../../tools/pack/SettingsCheck.h"
#include "../../../tools/pack/SettingsEncoding.h"

namespace {

// Decodes the UTF-8 the detector accepted and encodes it again: a long form, a surrogate or a
// code point beyond U+10FFFF would not come back as it was.
bool RoundTrips(const uint8_t* data, size_t size) {
  std::string again;
  for (size_t i = 0; i < size;) {
    uint32_t lead = data[i], point = lead, length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    if (length > 1) point = lead & (0x7F >> length);
    for (uint32_t k = 1; k < length; k++) point = (point << 6) | (data[i + k] & 0x3F);
    if (point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    if (point < 0x80) {
      again += static_cast<char>(point);
    } else {
      size_t count = point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
      again += static_cast<char>((0xF00 >> count) | (point >> (6 * (count - 1))));
      for (size_t k = count - 1; k-- > 0;) again += static_cast<char>(0x80 | ((point >> (6 * k)) & 0x3F));
    }
    i += length;
  }
  return again == std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (DetectTextEncoding(data, size) == TextEncoding::kUtf8 && !RoundTrips(data, size)) __builtin_trap();
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
  const SettingsLines lines(text);
  const size_t lastLine = static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
  for (const SettingsFinding& finding : CheckSettings(settings)) {
    if (finding.text.empty() || FindingLine("Settings.ini", lines, finding).empty()) __builtin_trap();
    const size_t line = lines.Of(finding.section, finding.key, finding.occurrence);
    if (line < 1 || line > lastLine) __builtin_trap();
    if (finding.level == FindingLevel::kRefusal && finding.key != "PreInstall" && finding.key != "MainInstall" &&
        finding.key != "RebootCodes" && finding.key != "FailCodes" && finding.key != "ReinstallCodes")
      __builtin_trap();
  }
  return 0;
}
