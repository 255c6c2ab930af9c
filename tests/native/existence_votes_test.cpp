#include <doctest.h>

#include <climits>
#include <string>
#include <vector>

#include "settings/ExistenceVotes.h"

TEST_CASE("each rule value votes with its test's result") {
  // The overall result after the rule, from a start of 2 and of 1, for a thing found and not found.
  struct Case {
    int line;
    int32_t value;
    int from2Found, from2Absent, from1Found, from1Absent;
  } cases[] = {
      {__LINE__, 0, 0, 1, 0, 1},       {__LINE__, 1, 1, 0, 1, 0},       {__LINE__, 2, 2, 1, 1, 1},
      {__LINE__, 3, 1, 2, 1, 1},       {__LINE__, 4, 0, 2, 0, 2},       {__LINE__, 5, 2, 0, 2, 0},
      {__LINE__, -1, 2, 2, 1, 1},      {__LINE__, 6, 2, 2, 1, 1},       {__LINE__, INT32_MAX, 2, 2, 1, 1},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(ApplyExistenceRule(2, c.value, true) == c.from2Found);
    CHECK(ApplyExistenceRule(2, c.value, false) == c.from2Absent);
    CHECK(ApplyExistenceRule(1, c.value, true) == c.from1Found);
    CHECK(ApplyExistenceRule(1, c.value, false) == c.from1Absent);
    CHECK(IsKnownRuleValue(c.value) == (c.value >= 0 && c.value <= 5));
  }
  // File|3|a with the file present, then RegKey|4|b with the key absent: the demand is cleared.
  CHECK(ApplyExistenceRule(ApplyExistenceRule(2, 3, true), 4, false) == kExistenceNoDemand);
}

TEST_CASE("rules are the items of the list rule: type, value as atoi reads it, argument") {
  struct Rule {
    std::string type;
    int32_t value;
    std::string argument;
  };
  struct Case {
    int line;
    const char* text;
    std::vector<Rule> rules;
  } cases[] = {
      {__LINE__, "", {}},
      {__LINE__, ";;|||;", {}},
      {__LINE__, "File|3|a;RegKey|4|b", {{"File", 3, "a"}, {"RegKey", 4, "b"}}},
      {__LINE__, "File | 1 | C:\\x y", {{"File ", 1, " C:\\x y"}}},
      {__LINE__, "OS", {{"OS", 0, ""}}},
      {__LINE__, "OS||6.0", {{"OS", 6, ""}}},  // empty fields vanish, so 6.0 is the value
      {__LINE__, "OS|x|6.0|extra|more", {{"OS", 0, "6.0"}}},
      {__LINE__, "RegKey|-2|k;File|99999999999|f", {{"RegKey", -2, "k"}, {"File", INT32_MAX, "f"}}},
      {__LINE__, "|File|2|f|", {{"File", 2, "f"}}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::vector<ExistenceRule> rules = ParseExistenceRules(c.text);
    REQUIRE(rules.size() == c.rules.size());
    for (size_t i = 0; i < rules.size(); i++) {
      CHECK(rules[i].type == c.rules[i].type);
      CHECK(rules[i].value == c.rules[i].value);
      CHECK(rules[i].argument == c.rules[i].argument);
    }
  }
  CHECK(ParseExistenceRules(nullptr).empty());
}

TEST_CASE("rule types are compared without regard to case; any other text is unknown") {
  CHECK(ClassifyExistenceRule("regkey") == ExistenceRuleType::kRegKey);
  CHECK(ClassifyExistenceRule("pLaTfOrM") == ExistenceRuleType::kPlatform);
  CHECK(ClassifyExistenceRule("File ") == ExistenceRuleType::kUnknown);
  CHECK(ClassifyExistenceRule("Files") == ExistenceRuleType::kUnknown);
}
