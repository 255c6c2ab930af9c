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
    case 0:  // run only when absent
      return exists ? kExistenceSkip : vote(kExistenceMustRun);
    case 1:  // run only when present
      return exists ? vote(kExistenceMustRun) : kExistenceSkip;
    case 2:
      return vote(exists ? kExistenceNoDemand : kExistenceMustRun);
    case 3:
      return vote(exists ? kExistenceMustRun : kExistenceNoDemand);
    case 4:  // skip when present; when absent, clear any earlier demand to run
      return exists ? kExistenceSkip : kExistenceNoDemand;
    case 5:  // skip when absent; when present, clear any earlier demand to run
      return exists ? kExistenceNoDemand : kExistenceSkip;
    default:
      return vote(kExistenceNoDemand);
  }
}
