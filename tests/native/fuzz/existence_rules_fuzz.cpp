// Existence rules from arbitrary text: fields hold no separator, and any sequence of votes ends
// in one of the three results.
#include <cstdint>
#include <string>
#include <vector>

#include "settings/ExistenceVotes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t found = data[0];  // one bit per rule: whether its thing exists
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  std::vector<ExistenceRule> rules = ParseExistenceRules(text.c_str());
  int overall = kExistenceNoDemand;
  for (size_t i = 0; i < rules.size(); i++) {
    const ExistenceRule& rule = rules[i];
    if (rule.type.empty() || rule.type.find_first_of(";|") != std::string::npos ||
        rule.argument.find_first_of(";|") != std::string::npos)
      __builtin_trap();
    ClassifyExistenceRule(rule.type);
    int before = overall;
    overall = ApplyExistenceRule(overall, rule.value, (found >> (i % 8)) & 1);
    if (overall < kExistenceSkip || overall > kExistenceNoDemand) __builtin_trap();
    if (!IsKnownRuleValue(rule.value) && overall != before) __builtin_trap();
    if (overall == kExistenceSkip) break;
  }
  return 0;
}
