// Which language a run speaks. A package carries its built-in English language DLL and, built
// by PendrixPack, a DLL for each further language, listed by one small index: its language
// number, its locale name and the ANSI code pages that can spell all of its texts. The engine
// reads the index before the first text is needed and extracts only the language it chooses.
// Portable: PendrixPack writes the index with the same rules the engine reads it with.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The built-in language: US English.
constexpr uint16_t kBuiltInLanguageId = 0x0409;
inline constexpr char kBuiltInLanguageName[] = "en-US";
// The index, a resource of type kLanguageResourceType (ui/language/resource.h).
inline constexpr char kLanguageIndexResource[] = "LANGUAGES";

// A locale name has at most 84 characters; Windows has 14 ANSI code pages.
constexpr size_t kLocaleNameSize = 85;
constexpr size_t kMaxCodePages = 32;

struct PackageLanguage {
  uint16_t id = 0;                        // the language number, 1031 for German (Germany)
  char name[kLocaleNameSize] = {};        // its locale name, "de-DE"
  uint16_t codePages[kMaxCodePages] = {};  // the ANSI code pages that spell every text of it
  size_t codePageCount = 0;
  bool Spelled(unsigned codePage) const;
};

// The languages of a package's index, at most kMaxPackageLanguages of them.
constexpr size_t kMaxPackageLanguages = 100;
struct LanguageIndex {
  PackageLanguage languages[kMaxPackageLanguages];
  size_t count = 0;
  const PackageLanguage* begin() const { return languages; }
  const PackageLanguage* end() const { return languages + count; }
  const PackageLanguage& operator[](size_t i) const { return languages[i]; }
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
};

// The resource that holds a language's DLL: "LANG_" and its number, "LANG_1031".
void LanguageResourceName(uint16_t id, char (&name)[32]);

// One line of the index: "<number> <locale name> <code page> <code page> ...".
std::string FormatLanguageIndexLine(const PackageLanguage& language);
// The languages of an index, in its order. Lines that are not of that form (a comment, a line
// cut short, a number out of range) are passed over; so is a number listed a second time, and
// every line after the last language an index can hold.
void ParseLanguageIndex(const char* text, size_t size, LanguageIndex& index);

// What /UILanguage names: a number ("1031") or a locale name, its parts joined by "_" or "-"
// ("de_DE", "de"). Empty when the text is neither.
struct LanguageRequest {
  uint16_t id = 0;                  // when a number was written
  char name[kLocaleNameSize] = {};  // otherwise, lower case with "-" between its parts
  bool Empty() const { return id == 0 && name[0] == '\0'; }
};
LanguageRequest ParseLanguageRequest(const char* text);

enum class LanguageReason {
  kRequested,          // the language /UILanguage names
  kRequestedPrimary,   // one of the same primary language as the one /UILanguage names
  kUserLanguage,       // the user's UI language
  kUserPrimary,        // one of the same primary language as the user's UI language
  kEnglish,            // none matches: English, the package's own when it carries one
};

struct LanguageChoice {
  int chosen = -1;  // index into the package's languages; -1 is the built-in language
  LanguageReason reason = LanguageReason::kEnglish;
  // /UILanguage named a language that the package does not carry (or that cannot be spelled):
  // the user's UI language decided instead.
  bool requestUnmet = false;
  // Languages that matched but are passed over: the code page cannot spell their texts (the
  // first four).
  int unspellable[4] = {};
  size_t unspellableCount = 0;
};

// The exact language first (the locale, or the number), then one of the same primary language
// (its default sublanguage first), then English. /UILanguage, when it names a language of the
// package, decides before the user's UI language. A language whose texts `codePage` cannot spell
// is never chosen: its words would reach the screen as question marks.
LanguageChoice ChooseLanguage(const LanguageIndex& languages, uint16_t userLanguage, unsigned codePage,
                              const LanguageRequest& request);
