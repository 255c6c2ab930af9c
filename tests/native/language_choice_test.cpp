#include <doctest.h>

#include <string>
#include <vector>

#include "ui/LanguageChoice.h"

namespace {

// What a package of German, Austrian German, Russian and a maker's own US English carries.
const char kIndex[] =
    "1031 de-DE 1250 1252\r\n"
    "3079 de-AT 1252\r\n"
    "1049 ru-RU 1251\r\n"
    "1033 en-US 1252\r\n";

}  // namespace

TEST_CASE("the index lists each language once, with its code pages; other lines are passed over") {
  struct Case {
    int line;
    std::string text;
    std::vector<std::string> lines;  // the languages as the index line format writes them
  };
  const Case cases[] = {
      {__LINE__, kIndex, {"1031 de-DE 1250 1252", "3079 de-AT 1252", "1049 ru-RU 1251", "1033 en-US 1252"}},
      {__LINE__, "; a comment\n\n1031   de-DE\t1252", {"1031 de-DE 1252"}},
      {__LINE__, "1031 de-DE 1252\n1031 de-CH 1252", {"1031 de-DE 1252"}},
      {__LINE__, "1031\n0 xx 1252\n65536 de 1252\nde-DE 1031\n1031 de/DE 1252\n1031 de-DE 12x", {}},
      {__LINE__, std::string("1031 de-DE 1252\0 3079 de-AT", 28), {"1031 de-DE 1252"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::vector<std::string> lines;
    LanguageIndex index;
    ParseLanguageIndex(c.text.data(), c.text.size(), index);
    for (const PackageLanguage& language : index) lines.push_back(FormatLanguageIndexLine(language));
    CHECK(lines == c.lines);
  }
  char resource[32] = {};
  LanguageResourceName(1031, resource);
  CHECK(std::string(resource) == "LANG_1031");
}

TEST_CASE("/UILanguage is a language number or a locale name with _ or -") {
  struct Case {
    int line;
    const char* written;
    uint16_t id;
    const char* name;
  };
  const Case cases[] = {
      {__LINE__, "1031", 1031, ""},     {__LINE__, "de_DE", 0, "de-de"}, {__LINE__, "DE", 0, "de"},
      {__LINE__, "zh_Hant_TW", 0, "zh-hant-tw"}, {__LINE__, "65536", 0, ""}, {__LINE__, "de DE", 0, ""},
      {__LINE__, "_de", 0, ""},         {__LINE__, "", 0, ""},           {__LINE__, nullptr, 0, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    LanguageRequest request = ParseLanguageRequest(c.written);
    CHECK(request.id == c.id);
    CHECK(std::string(request.name) == c.name);
  }
}

TEST_CASE("the exact language first, then the same primary language, then English; never one the code page cannot spell") {
  LanguageIndex languages;
  ParseLanguageIndex(kIndex, sizeof(kIndex) - 1, languages);
  REQUIRE(languages.size() == 4);
  constexpr int kBuiltIn = -1;
  struct Case {
    int line;
    uint16_t user;
    unsigned codePage;
    const char* requested;
    int chosen;
    LanguageReason reason;
    bool unmet;
    std::vector<int> unspellable;
  };
  const Case cases[] = {
      {__LINE__, 0x0407, 1252, nullptr, 0, LanguageReason::kUserLanguage, false, {}},
      {__LINE__, 0x0C07, 1252, nullptr, 1, LanguageReason::kUserLanguage, false, {}},
      // Swiss German: of the two Germans, the primary language's default one.
      {__LINE__, 0x0807, 1252, nullptr, 0, LanguageReason::kUserPrimary, false, {}},
      {__LINE__, 0x0807, 1250, nullptr, 0, LanguageReason::kUserPrimary, false, {1}},
      {__LINE__, 0x0419, 1251, nullptr, 2, LanguageReason::kUserLanguage, false, {}},
      // Russian on a Windows of code page 1252 would show question marks: English instead.
      {__LINE__, 0x0419, 1252, nullptr, 3, LanguageReason::kEnglish, false, {2}},
      {__LINE__, 0x040C, 1252, nullptr, 3, LanguageReason::kEnglish, false, {}},
      // The maker's English cannot be spelled either: the built-in one.
      {__LINE__, 0x040C, 1251, nullptr, kBuiltIn, LanguageReason::kEnglish, false, {3}},
      {__LINE__, 0x0809, 1252, nullptr, 3, LanguageReason::kUserPrimary, false, {}},
      {__LINE__, 0x0409, 1252, "de_DE", 0, LanguageReason::kRequested, false, {}},
      {__LINE__, 0x0409, 1252, "DE-at", 1, LanguageReason::kRequested, false, {}},
      {__LINE__, 0x0409, 1252, "3079", 1, LanguageReason::kRequested, false, {}},
      {__LINE__, 0x0409, 1252, "de", 0, LanguageReason::kRequestedPrimary, false, {}},
      {__LINE__, 0x0409, 1252, "de_LU", 0, LanguageReason::kRequestedPrimary, false, {}},
      {__LINE__, 0x0409, 1252, "4103", 0, LanguageReason::kRequestedPrimary, false, {}},
      {__LINE__, 0x0407, 1252, "fr", 0, LanguageReason::kUserLanguage, true, {}},
      {__LINE__, 0x0407, 1252, "ru", 0, LanguageReason::kUserLanguage, true, {2}},
      {__LINE__, 0x0407, 1252, "de DE", 0, LanguageReason::kUserLanguage, false, {}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    LanguageChoice choice = ChooseLanguage(languages, c.user, c.codePage, ParseLanguageRequest(c.requested));
    CHECK(choice.chosen == c.chosen);
    CHECK(choice.reason == c.reason);
    CHECK(choice.requestUnmet == c.unmet);
    CHECK(std::vector<int>(choice.unspellable, choice.unspellable + choice.unspellableCount) == c.unspellable);
  }
  // Without languages of its own the package speaks its built-in English to everyone.
  LanguageChoice alone = ChooseLanguage({}, 0x0407, 1252, ParseLanguageRequest("en_US"));
  CHECK(alone.chosen == kBuiltIn);
  CHECK(alone.reason == LanguageReason::kRequested);
  CHECK(ChooseLanguage({}, 0x0407, 1252, {}).reason == LanguageReason::kEnglish);
}
