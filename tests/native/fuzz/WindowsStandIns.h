// Stand-ins for the Windows calls behind PendrixPack's readers, so that the fuzz targets feed the
// readers' own decoding: bytes as Latin-1 and back (UTF-8 asked for strictly, as
// MB_ERR_INVALID_CHARS asks, refused where it is no UTF-8), and the profile functions on a
// settings file as Wine reads it: lines trimmed, "[" to the last "]" a section, the first section
// of a name the one read, comments and lines without a key left out (blanks around "=" stay, as
// Windows may keep them).
#pragma once
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "../../../tools/pack/SettingsSnapshot.h"

namespace standin {

inline const TextConversions& Conversions() {
  static const TextConversions conversions = {
      [](unsigned codePage, const uint8_t* bytes, size_t size, bool strict, std::u16string& wide) -> uint32_t {
        wide.assign(bytes, bytes + size);
        return codePage == kUtf8CodePage && strict && Utf8ErrorOffset(bytes, size) != size ? 1113 : 0;
      },
      [](const std::u16string& text) { return std::string(text.begin(), text.end()); }};
  return conversions;
}

inline std::u16string Trimmed(const std::u16string& text) {
  const size_t begin = text.find_first_not_of(u" \t\r\x1A"), end = text.find_last_not_of(u" \t\r\x1A");
  return begin == std::u16string::npos ? u"" : text.substr(begin, end + 1 - begin);
}

// The bytes a package carries as its settings: ASCII, or UTF-16 LE after its byte-order mark.
class Profile : public ProfileReader {
 public:
  explicit Profile(const std::vector<uint8_t>& file) {
    const bool wide = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
    const std::u16string text =
        wide ? Utf16FromBytes(file.data(), file.size(), 2, false) : std::u16string(file.begin(), file.end());
    for (size_t at = 0, end = 0; at < text.size(); at = end + 1) {
      end = std::min(text.find(u'\n', at), text.size());
      const std::u16string line = Trimmed(text.substr(at, end - at));
      const size_t close = line.rfind(u']');
      if (!line.empty() && line[0] == u'[' && close != std::u16string::npos)
        m_sections.push_back({line.substr(1, close - 1), {}});
      else if (!m_sections.empty() && !line.empty() && line[0] != u';' && line[0] != u'=')
        m_sections.back().second.push_back(line);
    }
  }
  std::vector<std::u16string> SectionNames() override {
    std::vector<std::u16string> names;
    for (const auto& section : m_sections)
      if (!section.first.empty()) names.push_back(section.first);
    return names;
  }
  std::vector<std::u16string> SectionLines(const std::u16string& name) override {
    for (const auto& section : m_sections)
      if (Folded(section.first) == Folded(name)) return section.second;
    return {};
  }
  std::u16string Folded(const std::u16string& name) override {
    std::u16string lower = name;
    for (char16_t& c : lower) c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    return lower;
  }
  std::string Narrow(const std::u16string& text) override { return std::string(text.begin(), text.end()); }

 private:
  std::vector<std::pair<std::u16string, std::vector<std::u16string>>> m_sections;
};

}  // namespace standin
