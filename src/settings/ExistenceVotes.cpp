#include "settings/ExistenceVotes.h"

#include "core/SplitString.h"
#include "core/TextCompare.h"
#include "core/WholeNumber.h"

std::vector<ExistenceRule> ParseExistenceRules(const char* text) {
  std::vector<ExistenceRule> rules;
  std::vector<std::string> items;
  SplitString(text, ";", items);
  for (const std::string& item : items) {
    std::vector<std::string> fields;
    if (SplitString(item.c_str(), "|", fields, 3) == 0) continue;
    ExistenceRule rule;
    rule.type = fields[0];
    rule.value = fields.size() > 1 ? ParseSigned32(fields[1].c_str()) : 0;
    if (fields.size() > 2) rule.argument = fields[2];
    rules.push_back(rule);
  }
  return rules;
}

ExistenceRuleType ClassifyExistenceRule(const std::string& type) {
  int index = 0;
  for (const char* word : kExistenceRuleTypes) {
    if (EqualsIgnoreCase(type.c_str(), word)) return static_cast<ExistenceRuleType>(index);
    index++;
  }
  return ExistenceRuleType::kUnknown;
}

bool IsKnownRuleValue(int32_t value) { return value >= kLowestRuleValue && value <= kHighestRuleValue; }

int ApplyExistenceRule(int overall, int32_t value, bool exists) {
  auto vote = [overall](int v) { return v < overall ? v : overall; };
  switch (value) {
    case kRunOnlyWhenAbsent:
      return exists ? kExistenceSkip : vote(kExistenceMustRun);
    case kRunOnlyWhenPresent:
      return exists ? vote(kExistenceMustRun) : kExistenceSkip;
    case kRunWhenAbsent:
      return vote(exists ? kExistenceNoDemand : kExistenceMustRun);
    case kRunWhenPresent:
      return vote(exists ? kExistenceMustRun : kExistenceNoDemand);
    case kSkipWhenPresent:  // when absent, any earlier demand to run is cleared
      return exists ? kExistenceSkip : kExistenceNoDemand;
    case kSkipWhenAbsent:  // when present, any earlier demand to run is cleared
      return exists ? kExistenceNoDemand : kExistenceSkip;
    default:
      return vote(kExistenceNoDemand);
  }
}
