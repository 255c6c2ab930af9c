// PendrixPack's settings checks on arbitrary bytes, read as PendrixPack reads a settings file:
// its encoding told and converted as the package will carry it, the snapshot taken through the
// profile functions (a stand-in), then checked. Every finding names a section and a line of the
// text and says something, and only a cut list of installers or a code that reads as another is
// ever refused. The detector's UTF-8 must be exactly what a decoder and encoder give back unchanged.
#include <algorithm>
#include <cstdint>
#include <string>

#include "../../../tools/pack/SettingsCheck.h"
#include "../../../tools/pack/SettingsEncoding.h"
#include "../../../tools/pack/SettingsSnapshot.h"
#include "WindowsStandIns.h"

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
  SettingsText text;
  if (!ReadSettingsText(data, size, standin::Conversions(), text)) return 0;
  if (text.converted && (text.embedded.size() % 2 != 0 || text.embedded[0] != 0xFF || text.embedded[1] != 0xFE))
    __builtin_trap();  // what is converted is carried as UTF-16 LE with its mark
  standin::Profile profile(text.embedded);
  std::vector<WrittenText> written;
  const SettingsSnapshot settings = ReadSettingsSnapshot(profile, written);
  if (settings.sections.size() != profile.SectionNames().size()) __builtin_trap();
  WelcomeGreetings(settings);
  // The lines are numbered in the text the profile functions read, in the code page of its names.
  std::string narrow(text.embedded.begin(), text.embedded.end());
  if (text.embedded.size() >= 2 && text.embedded[0] == 0xFF && text.embedded[1] == 0xFE)
    narrow = profile.Narrow(Utf16FromBytes(text.embedded.data(), text.embedded.size(), 2, false));
  const SettingsLines lines(narrow);
  const size_t lastLine = static_cast<size_t>(std::count(narrow.begin(), narrow.end(), '\n')) + 1;
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
