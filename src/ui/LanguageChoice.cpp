#include "ui/LanguageChoice.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/TextCompare.h"

namespace {

constexpr int kNoMatch = -2;
constexpr uint16_t kDefaultSubLanguage = 1;

uint16_t PrimaryLanguage(uint16_t id) { return static_cast<uint16_t>(id & 0x3FF); }
uint16_t SubLanguage(uint16_t id) { return static_cast<uint16_t>(id >> 10); }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '-' || c == '_'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A locale name: a language's letters first, then letters, digits and separators.
bool IsLocaleName(const char* name, size_t length) {
  if (length == 0 || length >= kLocaleNameSize || !IsLetter(name[0])) return false;
  if (name[length - 1] == '-' || name[length - 1] == '_') return false;
  for (size_t i = 0; i < length; i++)
    if (!IsNameChar(name[i])) return false;
  return true;
}

// A decimal number of at most 0xFFFF, the whole of the word; false otherwise.
bool ParseNumber(const char* word, size_t length, uint16_t& value) {
  if (length == 0 || length > 5) return false;
  unsigned long number = 0;
  for (size_t i = 0; i < length; i++) {
    if (!IsDigit(word[i])) return false;
    number = number * 10 + static_cast<unsigned long>(word[i] - '0');
  }
  if (number > 0xFFFF) return false;
  value = static_cast<uint16_t>(number);
  return true;
}

// The locale names' first parts, their languages ("de" of "de-DE"), are equal.
bool SamePrimaryName(const char* a, const char* b) {
  size_t lengthA = strcspn(a, "-"), lengthB = strcspn(b, "-");
  if (lengthA != lengthB) return false;
  for (size_t i = 0; i < lengthA; i++)
    if (LowerAsciiChar(a[i]) != LowerAsciiChar(b[i])) return false;
  return true;
}

// What is sought: a language number, or (when name is not empty) a locale name.
struct Target {
  uint16_t id;
  const char* name;
  bool Matches(uint16_t otherId, const char* otherName, bool primary) const {
    if (name[0] == '\0') return primary ? PrimaryLanguage(otherId) == PrimaryLanguage(id) : otherId == id;
    return primary ? SamePrimaryName(otherName, name) : EqualsIgnoreCase(otherName, name);
  }
};

class Chooser {
 public:
  Chooser(const LanguageIndex& languages, unsigned codePage, LanguageChoice& choice)
      : m_languages(languages), m_codePage(codePage), m_choice(choice) {}

  // The language carried for the target, or -1 for the built-in one, or kNoMatch.
  int Find(const Target& target, bool primary) {
    int found = kNoMatch;
    for (size_t i = 0; i < m_languages.size(); i++) {
      const PackageLanguage& language = m_languages[i];
      if (!target.Matches(language.id, language.name, primary) || !Spellable(static_cast<int>(i))) continue;
      // Of several of the primary language, its default sublanguage first, then the first listed.
      if (found == kNoMatch || (SubLanguage(language.id) == kDefaultSubLanguage &&
                                SubLanguage(m_languages[found].id) != kDefaultSubLanguage))
        found = static_cast<int>(i);
    }
    if (found != kNoMatch) return found;
    return target.Matches(kBuiltInLanguageId, kBuiltInLanguageName, primary) ? -1 : kNoMatch;
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
    if (m_languages[index].Spelled(m_codePage)) return true;
    bool listed = false;
    for (size_t i = 0; i < m_choice.unspellableCount; i++) listed = listed || m_choice.unspellable[i] == index;
    if (!listed && m_choice.unspellableCount < sizeof(m_choice.unspellable) / sizeof(int))
      m_choice.unspellable[m_choice.unspellableCount++] = index;
    return false;
  }

  const LanguageIndex& m_languages;
  unsigned m_codePage;
  LanguageChoice& m_choice;
};

}  // namespace

bool PackageLanguage::Spelled(unsigned codePage) const {
  for (size_t i = 0; i < codePageCount && i < kMaxCodePages; i++)
    if (codePages[i] == codePage) return true;
  return false;
}

void LanguageResourceName(uint16_t id, char (&name)[32]) { bounded::Format(name, sizeof(name), "LANG_%u", id); }

std::string FormatLanguageIndexLine(const PackageLanguage& language) {
  std::string line = std::to_string(language.id) + " " + language.name;
  for (size_t i = 0; i < language.codePageCount && i < kMaxCodePages; i++)
    line += " " + std::to_string(language.codePages[i]);
  return line;
}

void ParseLanguageIndex(const char* text, size_t size, LanguageIndex& index) {
  index.count = 0;
  if (text == nullptr) return;
  // The text ends at its first NUL, if it has one.
  size = strnlen(text, size);
  for (size_t at = 0; at < size && index.count < kMaxPackageLanguages;) {
    size_t end = at;
    while (end < size && text[end] != '\n' && text[end] != '\r') end++;
    // The words of the line: its number, its locale name, its code pages.
    PackageLanguage language;
    size_t words = 0;
    bool usable = true;
    for (size_t word = at; usable && word < end;) {
      while (word < end && IsBlank(text[word])) word++;
      size_t length = 0;
      while (word + length < end && !IsBlank(text[word + length])) length++;
      if (length == 0) break;
      const char* start = text + word;
      if (words == 0) {
        usable = ParseNumber(start, length, language.id) && language.id != 0;
      } else if (words == 1) {
        usable = IsLocaleName(start, length);
        if (usable) memcpy(language.name, start, length);
      } else {
        usable = language.codePageCount < kMaxCodePages &&
                 ParseNumber(start, length, language.codePages[language.codePageCount++]);
      }
      words++;
      word += length;
    }
    at = end + 1;
    for (const PackageLanguage& other : index) usable = usable && other.id != language.id;
    if (usable && words >= 2) index.languages[index.count++] = language;
  }
}

LanguageRequest ParseLanguageRequest(const char* text) {
  LanguageRequest request;
  if (text == nullptr) return request;
  size_t length = strlen(text);
  if (ParseNumber(text, length, request.id) || !IsLocaleName(text, length)) return request;
  for (size_t i = 0; i < length; i++) request.name[i] = text[i] == '_' ? '-' : LowerAsciiChar(text[i]);
  return request;
}

LanguageChoice ChooseLanguage(const LanguageIndex& languages, uint16_t userLanguage, unsigned codePage,
                              const LanguageRequest& request) {
  LanguageChoice choice;
  Chooser chooser(languages, codePage, choice);
  if (!request.Empty()) {
    if (chooser.Choose({request.id, request.name}, LanguageReason::kRequested, LanguageReason::kRequestedPrimary))
      return choice;
    choice.requestUnmet = true;
  }
  if (!chooser.Choose({userLanguage, ""}, LanguageReason::kUserLanguage, LanguageReason::kUserPrimary))
    chooser.ChooseEnglish();
  return choice;
}
