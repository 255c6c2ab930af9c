#include "SettingsSnapshot.h"

#include <unordered_map>
#include <unordered_set>

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trimmed(const std::u16string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) begin++;
  while (end > begin && IsBlank(text[end - 1])) end--;
  return text.substr(begin, end - begin);
}

// What GetPrivateProfileString gives for the text after a line's "=".
std::u16string ProfileValue(const std::u16string& written) {
  std::u16string value = Trimmed(written);
  if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

SettingsSnapshot ReadSettingsSnapshot(ProfileReader& profile, std::vector<WrittenText>& written) {
  SettingsSnapshot snapshot;
  std::unordered_set<std::u16string> seen;
  for (const std::u16string& name : profile.SectionNames()) {
    SettingsSection section;
    section.name = profile.Narrow(name);
    // A section of a name already met is listed again, without lines: the engine reads the first.
    if (seen.insert(profile.Folded(name)).second) {
      written.push_back({section.name, "", name});
      std::unordered_map<std::u16string, std::u16string> values;  // by key, the first line's
      for (const std::u16string& line : profile.SectionLines(name)) {
        const size_t equals = line.find(u'=');
        const std::u16string key = line.substr(0, equals);
        const std::u16string& value =
            values.emplace(profile.Folded(Trimmed(key)), ProfileValue(equals == std::u16string::npos ? u"" : line.substr(equals + 1)))
                .first->second;
        section.lines.push_back({profile.Narrow(key), profile.Narrow(value)});
        if (!key.empty() && key[0] != u';') written.push_back({section.name, section.lines.back().key, value});
      }
    }
    snapshot.sections.push_back(std::move(section));
  }
  return snapshot;
}
