#include "core/WholeNumber.h"

static bool IsCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int32_t ParseSigned32(const char* text) {
  if (text == nullptr) return 0;
  const char* p = text;
  while (IsCSpace(*p)) p++;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  const int64_t limit = negative ? -static_cast<int64_t>(INT32_MIN) : INT32_MAX;
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; p++) {
    value = value * 10 + (*p - '0');
    if (value > limit) value = limit;  // held at the limit; further digits cannot bring it back
  }
  return static_cast<int32_t>(negative ? -value : value);
}
