#include <doctest.h>

#include <climits>
#include <string>
#include <vector>

#include "settings/ExistenceVotes.h"
#include "settings/RegistryRoot.h"

TEST_CASE("each rule value votes with its test's result") {
  constexpr int kSkip = kExistenceSkip, kRun = kExistenceMustRun, kNone = kExistenceNoDemand;
  // The overall result after the rule, from no demand and from a demand to run, for a thing found
  // and not found.
  struct Case {
    int line;
    int32_t value;
    int fromNoneFound, fromNoneAbsent, fromRunFound, fromRunAbsent;
    bool known;
  } cases[] = {
      {__LINE__, kRunOnlyWhenAbsent, kSkip, kRun, kSkip, kRun, true},
      {__LINE__, kRunOnlyWhenPresent, kRun, kSkip, kRun, kSkip, true},
      {__LINE__, kRunWhenAbsent, kNone, kRun, kRun, kRun, true},
      {__LINE__, kRunWhenPresent, kRun, kNone, kRun, kRun, true},
      {__LINE__, kSkipWhenPresent, kSkip, kNone, kSkip, kNone, true},
      {__LINE__, kSkipWhenAbsent, kNone, kSkip, kNone, kSkip, true},
      {__LINE__, -1, kNone, kNone, kRun, kRun, false},
      {__LINE__, 6, kNone, kNone, kRun, kRun, false},
      {__LINE__, INT32_MAX, kNone, kNone, kRun, kRun, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(ApplyExistenceRule(kNone, c.value, true) == c.fromNoneFound);
    CHECK(ApplyExistenceRule(kNone, c.value, false) == c.fromNoneAbsent);
    CHECK(ApplyExistenceRule(kRun, c.value, true) == c.fromRunFound);
    CHECK(ApplyExistenceRule(kRun, c.value, false) == c.fromRunAbsent);
    CHECK(IsKnownRuleValue(c.value) == c.known);
  }
  // File|3|a with the file present, then RegKey|4|b with the key absent: the demand is cleared.
  CHECK(ApplyExistenceRule(ApplyExistenceRule(kNone, kRunWhenPresent, true), kSkipWhenPresent, false) == kNone);
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

TEST_CASE("registry roots: four names and their long forms, each also with 64 for the 64-bit view") {
  const RegistryRoot lm = RegistryRoot::kLocalMachine, cu = RegistryRoot::kCurrentUser;
  const struct {
    int line;
    const char* name;
    RegistryRoot root;
    bool view64, known;
  } cases[] = {
      {__LINE__, "HKLM", lm, false, true},          {__LINE__, "hkey_local_machine64", lm, true, true},
      {__LINE__, "HKCU64", cu, true, true},         {__LINE__, "HKEY_USERS64", RegistryRoot::kUsers, true, true},
      {__LINE__, "HKCR64", RegistryRoot::kClassesRoot, true, true},
      {__LINE__, "HKLM6464", lm, false, false},     {__LINE__, "HKLM 64", lm, false, false},
      {__LINE__, "64", lm, false, false},           {__LINE__, "HKEY_CURRENT_CONFIG", lm, false, false},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    RegistryRootName name = ReadRegistryRoot(c.name);
    CHECK((name.root == c.root && name.view64 == c.view64 && name.known == c.known));
  }
}
