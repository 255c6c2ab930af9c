#include "settings/CodeList.h"

#include <string>
#include <vector>

#include "core/SplitString.h"

static bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

uint32_t ParseUnsigned32(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsCSpace(*p)) p++;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint64_t value = 0;
  bool overflow = false;
  for (; *p >= '0' && *p <= '9'; p++) {
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > 0xFFFFFFFFu) {
      overflow = true;
      value = 0xFFFFFFFFu;  // keeps the product small; the result is saturated anyway
    }
  }
  if (overflow) return 0xFFFFFFFFu;
  uint32_t result = static_cast<uint32_t>(value);
  return negative ? 0u - result : result;
}

size_t ParseCodeList(const char* text, uint32_t* codes, size_t capacity) {
  if (text == nullptr || codes == nullptr) return 0;
  std::vector<std::string> items;
  SplitString(text, "|", items, capacity);
  for (size_t i = 0; i < items.size(); i++) codes[i] = ParseUnsigned32(items[i].c_str());
  return items.size();
}

bool IsPlainCode(const std::string& item) {
  size_t begin = item.find_first_not_of(" \t");
  if (begin == std::string::npos) return false;
  size_t end = item.find_last_not_of(" \t") + 1;
  if (item[begin] == '+' || item[begin] == '-') begin++;
  if (begin == end) return false;
  uint64_t value = 0;
  for (size_t i = begin; i < end; i++) {
    if (item[i] < '0' || item[i] > '9') return false;
    value = value * 10 + static_cast<uint64_t>(item[i] - '0');
    if (value > 0xFFFFFFFFu) return false;
  }
  return true;
}
