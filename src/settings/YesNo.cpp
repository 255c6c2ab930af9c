#include "settings/YesNo.h"

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsYesValue(const char* value) {
  if (value == nullptr) return false;
  const char yes[] = "yes";
  for (int i = 0; i < 3; i++)
    if (LowerAscii(value[i]) != yes[i]) return false;  // stops at the terminator, which is no letter
  return true;
}
