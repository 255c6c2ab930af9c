#include "core/SplitString.h"

#include <cstring>

size_t SplitString(const char* text, const char* delimiters, std::vector<std::string>& out,
                   size_t maxCount) {
  if (text == nullptr) return 0;
  if (delimiters == nullptr) delimiters = "";
  size_t appended = 0;
  const char* p = text;
  while (appended < maxCount) {
    p += strspn(p, delimiters);
    if (*p == '\0') break;
    size_t len = strcspn(p, delimiters);
    out.emplace_back(p, len);
    appended++;
    p += len;
  }
  return appended;
}
