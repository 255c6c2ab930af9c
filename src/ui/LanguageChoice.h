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

struct PackageLanguage {
  uint16_t id = 0;                  // the language number, 1031 for German (Germany)
  std::string name;                 // its locale name, "de-DE"
  std::vector<unsigned> codePages;  // the ANSI code pages that spell every text of it
};

// The resource that holds a language's DLL: "LANG_" and its number, "LANG_1031".
std::string LanguageResourceName(uint16_t id);

// One line of the index: "<number> <locale name> <code page> <code page> ...".
std::string FormatLanguageIndexLine(const PackageLanguage& language);
// The languages of an index, in its order. Lines that are not of that form (a comment, a line
// cut short, a number out of range) are passed over; so is a number listed a second time.
std::vector<PackageLanguage> ParseLanguageIndex(const char* text, size_t size);

// What /UILanguage names: a number ("1031") or a locale name, its parts joined by "_" or "-"
// ("de_DE", "de"). Empty when the text is neither.
struct LanguageRequest {
  uint16_t id = 0;   // when a number was written
  std::string name;  // otherwise, lower case with "-" between its parts
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
  // Languages that matched but are passed over: the code page cannot spell their texts.
  std::vector<int> unspellable;
};

// The exact language first (the locale, or the number), then one of the same primary language
// (its default sublanguage first), then English. /UILanguage, when it names a language of the
// package, decides before the user's UI language. A language whose texts `codePage` cannot spell
// is never chosen: its words would reach the screen as question marks.
LanguageChoice ChooseLanguage(const std::vector<PackageLanguage>& languages, uint16_t userLanguage, unsigned codePage,
                              const LanguageRequest& request);
