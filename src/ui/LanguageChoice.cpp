#include "ui/LanguageChoice.h"

#include <algorithm>

#include "core/TextCompare.h"

namespace {

constexpr size_t kMaxNameChars = 84;  // a locale name has at most 85 characters with its terminator
constexpr size_t kMaxCodePages = 64;
constexpr int kNoMatch = -2;

uint16_t PrimaryLanguage(uint16_t id) { return static_cast<uint16_t>(id & 0x3FF); }
uint16_t SubLanguage(uint16_t id) { return static_cast<uint16_t>(id >> 10); }
constexpr uint16_t kDefaultSubLanguage = 1;

std::string Lower(std::string text) {
  for (char& c : text) c = LowerAsciiChar(c);
  return text;
}

// The locale name's first part, its language: "de" of "de-DE".
std::string PrimaryName(const std::string& name) { return Lower(name.substr(0, name.find('-'))); }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_'; }

// A locale name: a language's letters first, then letters, digits and separators.
bool IsLocaleName(const std::string& name) {
  return !name.empty() && name.size() <= kMaxNameChars && IsLetter(name.front()) && name.back() != '-' &&
         name.back() != '_' && std::all_of(name.begin(), name.end(), IsNameChar);
}

// A decimal number of at most `limit`, the whole of text; false otherwise.
bool ParseNumber(const std::string& text, unsigned long limit, unsigned long& value) {
  if (text.empty() || text.size() > 10) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value <= limit;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) at++;
    size_t end = at;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') end++;
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// What is sought: a language number, or a locale name.
struct Target {
  uint16_t id;
  std::string name;  // empty when a number is sought
  bool Exact(uint16_t otherId, const std::string& otherName) const {
    return name.empty() ? otherId == id : Lower(otherName) == name;
  }
  bool SamePrimary(uint16_t otherId, const std::string& otherName) const {
    return name.empty() ? PrimaryLanguage(otherId) == PrimaryLanguage(id) : PrimaryName(otherName) == PrimaryName(name);
  }
};

class Chooser {
 public:
  Chooser(const std::vector<PackageLanguage>& languages, unsigned codePage, LanguageChoice& choice)
      : m_languages(languages), m_codePage(codePage), m_choice(choice) {}

  // The language carried for the target, or -1 for the built-in one, or kNoMatch.
  int Find(const Target& target, bool primary) {
    int found = kNoMatch;
    for (size_t i = 0; i < m_languages.size(); i++) {
      const PackageLanguage& language = m_languages[i];
      bool match = primary ? target.SamePrimary(language.id, language.name) : target.Exact(language.id, language.name);
      if (!match || !Spellable(static_cast<int>(i))) continue;
      // Of several of the primary language, its default sublanguage first, then the first listed.
      if (found == kNoMatch || (primary && SubLanguage(language.id) == kDefaultSubLanguage &&
                                SubLanguage(m_languages[found].id) != kDefaultSubLanguage))
        found = static_cast<int>(i);
      if (!primary) break;
    }
    if (found != kNoMatch) return found;
    bool builtIn = primary ? target.SamePrimary(kBuiltInLanguageId, kBuiltInLanguageName)
                           : target.Exact(kBuiltInLanguageId, kBuiltInLanguageName);
    return builtIn ? -1 : kNoMatch;
  }

  bool Choose(const Target& target, LanguageReason exact, LanguageReason primary) {
    int found = Find(target, false);
    LanguageReason reason = exact;
    if (found == kNoMatch) {
      found = Find(target, true);
      reason = primary;
    }
    if (found == kNoMatch) return false;
    m_choice.chosen = found;
    m_choice.reason = reason;
    return true;
  }

  // English: the package's own US English when it carries one the code page can spell, or the
  // built-in one.
  void ChooseEnglish() {
    m_choice.reason = LanguageReason::kEnglish;
    m_choice.chosen = -1;
    for (size_t i = 0; i < m_languages.size(); i++)
      if (m_languages[i].id == kBuiltInLanguageId && Spellable(static_cast<int>(i))) m_choice.chosen = static_cast<int>(i);
  }

 private:
  bool Spellable(int index) {
    const std::vector<unsigned>& pages = m_languages[index].codePages;
    if (std::find(pages.begin(), pages.end(), m_codePage) != pages.end()) return true;
    std::vector<int>& passed = m_choice.unspellable;
    if (std::find(passed.begin(), passed.end(), index) == passed.end()) passed.push_back(index);
    return false;
  }

  const std::vector<PackageLanguage>& m_languages;
  unsigned m_codePage;
  LanguageChoice& m_choice;
};

}  // namespace

std::string LanguageResourceName(uint16_t id) { return "LANG_" + std::to_string(id); }

std::string FormatLanguageIndexLine(const PackageLanguage& language) {
  std::string line = std::to_string(language.id) + " " + language.name;
  for (unsigned page : language.codePages) line += " " + std::to_string(page);
  return line;
}

std::vector<PackageLanguage> ParseLanguageIndex(const char* text, size_t size) {
  std::vector<PackageLanguage> languages;
  if (text == nullptr) return languages;
  // The text ends at its first NUL, if it has one.
  for (size_t i = 0; i < size; i++)
    if (text[i] == '\0') size = i;
  size_t at = 0;
  while (at < size) {
    size_t end = at;
    while (end < size && text[end] != '\n' && text[end] != '\r') end++;
    std::vector<std::string> words = Words(std::string(text + at, end - at));
    at = end + 1;
    unsigned long id = 0;
    if (words.size() < 2 || !ParseNumber(words[0], 0xFFFF, id) || id == 0) continue;
    PackageLanguage language;
    language.id = static_cast<uint16_t>(id);
    language.name = words[1];
    if (!IsLocaleName(language.name)) continue;
    bool usable = words.size() - 2 <= kMaxCodePages;
    for (size_t i = 2; usable && i < words.size(); i++) {
      unsigned long page = 0;
      usable = ParseNumber(words[i], 0xFFFF, page);
      language.codePages.push_back(static_cast<unsigned>(page));
    }
    bool listed = std::any_of(languages.begin(), languages.end(),
                              [&](const PackageLanguage& other) { return other.id == language.id; });
    if (usable && !listed) languages.push_back(language);
  }
  return languages;
}

LanguageRequest ParseLanguageRequest(const char* text) {
  LanguageRequest request;
  if (text == nullptr) return request;
  std::string written(text);
  unsigned long id = 0;
  if (ParseNumber(written, 0xFFFF, id)) {
    request.id = static_cast<uint16_t>(id);
    return request;
  }
  if (!IsLocaleName(written)) return request;
  for (char& c : written) c = c == '_' ? '-' : LowerAsciiChar(c);
  request.name = written;
  return request;
}

LanguageChoice ChooseLanguage(const std::vector<PackageLanguage>& languages, uint16_t userLanguage, unsigned codePage,
                              const LanguageRequest& request) {
  LanguageChoice choice;
  Chooser chooser(languages, codePage, choice);
  if (request.id != 0 || !request.name.empty()) {
    if (chooser.Choose({request.id, request.name}, LanguageReason::kRequested, LanguageReason::kRequestedPrimary))
      return choice;
    choice.requestUnmet = true;
  }
  if (!chooser.Choose({userLanguage, ""}, LanguageReason::kUserLanguage, LanguageReason::kUserPrimary))
    chooser.ChooseEnglish();
  return choice;
}
