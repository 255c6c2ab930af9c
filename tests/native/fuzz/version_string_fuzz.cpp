// Version expressions from arbitrary text: only the first 259 characters count, and a parsed
// version written back as "major.minor.build.revision" reads as itself.
#include <cstdint>
#include <cstdio>
#include <string>

#include "requirements/VersionExpression.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();
  ParsedVersion v = ParseVersionString(text.c_str());
  ParsedVersion cut = ParseVersionString(text.substr(0, kVersionTextChars).c_str());
  if (v.dwVersionMS != cut.dwVersionMS || v.dwVersionLS != cut.dwVersionLS) __builtin_trap();
  char written[32];
  snprintf(written, sizeof(written), "%u.%u.%u.%u", v.Major(), v.Minor(), v.Build(), v.Revision());
  ParsedVersion again = ParseVersionString(written);
  if (again.dwVersionMS != v.dwVersionMS || again.dwVersionLS != v.dwVersionLS) __builtin_trap();
  return 0;
}
