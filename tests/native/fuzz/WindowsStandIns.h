// Stand-ins for the Windows calls behind PendrixPack's readers, so that the fuzz targets feed the
// readers' own decoding: the code pages (ANSI as Latin-1, UTF-8 strict as Windows' is with
// MB_ERR_INVALID_CHARS) and the profile functions on a settings file, which read it as Wine does:
// lines trimmed, "[" to the last "]" a section, the first section of a name the one that counts.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "../../../tools/pack/SettingsEncoding.h"
#include "../../../tools/pack/SettingsSnapshot.h"

namespace standin {

inline uint32_t Widen(unsigned codePage, const uint8_t* bytes, size_t size, bool strict, std::u16string& wide) {
  constexpr uint32_t kNoUnicodeTranslation = 1113;
  wide.clear();
  if (codePage != kUtf8CodePage) {
    wide.assign(bytes, bytes + size);
    return 0;
  }
  if (strict && Utf8ErrorOffset(bytes, size) != size) return kNoUnicodeTranslation;
  for (size_t i = 0; i < size;) {
    if (Utf8ErrorOffset(bytes + i, std::min<size_t>(4, size - i)) == 0) {
      wide += u'\xFFFD';
      i++;
      continue;
    }
    const size_t length = bytes[i] < 0x80 ? 1 : bytes[i] < 0xE0 ? 2 : bytes[i] < 0xF0 ? 3 : 4;
    uint32_t point = length == 1 ? bytes[i] : bytes[i] & (0x7F >> length);
    for (size_t k = 1; k < length; k++) point = (point << 6) | (bytes[i + k] & 0x3F);
    if (point >= 0x10000) {
      wide += char16_t(0xD800 + ((point - 0x10000) >> 10));
      wide += char16_t(0xDC00 + (point & 0x3FF));
    } else {
      wide += char16_t(point);
    }
    i += length;
  }
  return 0;
}

// A lone surrogate becomes U+FFFD, as WideCharToMultiByte makes it.
inline std::string Utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    uint32_t point = text[i];
    if (point >= 0xD800 && point <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
      point = 0x10000 + ((point - 0xD800) << 10) + (text[++i] - 0xDC00);
    else if (point >= 0xD800 && point <= 0xDFFF)
      point = 0xFFFD;
    if (point < 0x80) {
      out += char(point);
      continue;
    }
    size_t count = point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    out += char((0xF00 >> count) | (point >> (6 * (count - 1))));
    for (size_t k = count - 1; k-- > 0;) out += char(0x80 | ((point >> (6 * k)) & 0x3F));
  }
  return out;
}

inline const TextConversions& Conversions() {
  static const TextConversions conversions = {Widen, Utf8};
  return conversions;
}

inline bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x1A; }

inline std::u16string Trimmed(const std::u16string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsSpace(text[begin])) begin++;
  while (end > begin && IsSpace(text[end - 1])) end--;
  return text.substr(begin, end - begin);
}

inline std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
  return text;
}

// The profile functions on the bytes a package carries as its settings: ASCII, or UTF-16 LE
// after its byte-order mark.
class Profile : public ProfileReader {
 public:
  explicit Profile(const std::vector<uint8_t>& file) {
    const bool wide = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
    const std::u16string text =
        wide ? Utf16FromBytes(file.data(), file.size(), 2, false) : std::u16string(file.begin(), file.end());
    for (size_t at = 0; at < text.size();) {
      size_t end = text.find(u'\n', at);
      if (end == std::u16string::npos) end = text.size();
      const std::u16string line = Trimmed(text.substr(at, end - at));
      at = end + 1;
      const size_t close = line.rfind(u']');
      if (!line.empty() && line[0] == u'[' && close != std::u16string::npos) {
        m_sections.push_back({line.substr(1, close - 1), {}});
        continue;
      }
      const size_t equals = line.find(u'=');
      std::u16string key = Trimmed(line.substr(0, equals));
      if (key.empty() || key[0] == u';' || m_sections.empty()) continue;
      m_sections.back().lines.push_back(equals == std::u16string::npos ? key : key + u"=" +
                                                                               Trimmed(line.substr(equals + 1)));
    }
  }

  std::vector<std::u16string> SectionNames() override {
    std::vector<std::u16string> names;
    for (const Section& section : m_sections)
      if (!section.name.empty()) names.push_back(section.name);
    return names;
  }
  std::vector<std::u16string> SectionLines(const std::u16string& name) override {
    for (const Section& section : m_sections)
      if (Lower(section.name) == Lower(name)) return section.lines;
    return {};
  }
  std::u16string Folded(const std::u16string& name) override { return Lower(name); }
  std::string Narrow(const std::u16string& text) override {
    std::string narrow;
    for (char16_t c : text) narrow += c < 0x100 ? char(c) : '?';
    return narrow;
  }

 private:
  struct Section {
    std::u16string name;
    std::vector<std::u16string> lines;
  };
  std::vector<Section> m_sections;
};

}  // namespace standin
