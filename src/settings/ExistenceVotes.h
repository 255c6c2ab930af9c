// The existence rules of an installer section ("File|1|$(System32)\x.dll;RegKey|0|HKLM\...")
// read into rules, and the vote each rule casts with the outcome of its test.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What the rules decide about an installer, as the skip decision uses it.
enum ExistenceResult : int {
  kExistenceSkip = 0,       // skip the installer
  kExistenceMustRun = 1,    // run it, even over an installed same-or-newer version
  kExistenceNoDemand = 2,   // no demand either way; also the result without rules
};

enum class ExistenceRuleType { kRegKey, kFile, kOS, kPlatform, kUnknown };

// The type words, in the order of ExistenceRuleType.
inline constexpr const char* kExistenceRuleTypes[] = {"RegKey", "File", "OS", "Platform"};

// Rule values with a meaning: what the outcome of a rule's test does to the result.
enum ExistenceRuleValue : int32_t {
  kRunOnlyWhenAbsent = 0,   // found: skip; absent: must run
  kRunOnlyWhenPresent = 1,  // found: must run; absent: skip
  kRunWhenAbsent = 2,       // absent: must run
  kRunWhenPresent = 3,      // found: must run
  kSkipWhenPresent = 4,     // found: skip; absent: no demand, whatever earlier rules said
  kSkipWhenAbsent = 5,      // absent: skip; found: no demand, whatever earlier rules said
};
constexpr int32_t kLowestRuleValue = kRunOnlyWhenAbsent;
constexpr int32_t kHighestRuleValue = kSkipWhenAbsent;

struct ExistenceRule {
  std::string type;      // as written
  int32_t value;         // the rule value, read as atoi reads it (0 when missing)
  std::string argument;  // the key, path, version or platform (empty when missing)
};

// Rules are the ";" items and fields the "|" items of the list rule (empty items vanish, spaces
// are kept). An item without any field gives no rule; fields after the third are ignored.
std::vector<ExistenceRule> ParseExistenceRules(const char* text);

// "RegKey", "File", "OS" or "Platform" without regard to case; any other text is unknown.
ExistenceRuleType ClassifyExistenceRule(const std::string& type);

// Rule values kLowestRuleValue to kHighestRuleValue have a meaning; others vote kExistenceNoDemand.
bool IsKnownRuleValue(int32_t value);

// The overall result after one rule with this value whose test found the thing (exists) or not.
// Votes lower the overall result; kSkipWhenPresent and kSkipWhenAbsent may also raise it back
// to kExistenceNoDemand.
int ApplyExistenceRule(int overall, int32_t value, bool exists);
