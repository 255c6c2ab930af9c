#include "requirements/VersionExpression.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/SplitString.h"
#include "core/TextCompare.h"
#include "core/WholeNumber.h"

ParsedVersion ParseVersionString(const char* text) {
  ParsedVersion version = {0, 0};
  if (text == nullptr) return version;
  std::string copy(text, strnlen(text, kVersionTextChars));
  std::vector<std::string> pieces;
  SplitString(copy.c_str(), ".", pieces, 4);
  uint32_t parts[4] = {0, 0, 0, 0};
  for (size_t i = 0; i < pieces.size(); i++)
    parts[i] = static_cast<uint32_t>(ParseSigned32(pieces[i].c_str())) & 0xFFFFu;
  version.dwVersionMS = (parts[0] << 16) | parts[1];
  version.dwVersionLS = (parts[2] << 16) | parts[3];
  return version;
}

bool IsDottedVersion(const char* text) {
  if (text == nullptr) return false;
  std::vector<std::string> pieces;
  SplitString(text, ".", pieces);
  if (pieces.empty() || pieces.size() > 4) return false;
  for (const std::string& piece : pieces)
    if (piece.size() > 5 || piece.find_first_not_of("0123456789") != std::string::npos ||
        strtoul(piece.c_str(), nullptr, 10) > 0xFFFFu)
      return false;
  return true;
}

bool IsVersionAtLeast(uint32_t haveMajor, uint32_t haveMinor, uint32_t needMajor, uint32_t needMinor) {
  if (haveMajor != needMajor) return haveMajor > needMajor;
  return haveMinor >= needMinor;
}

bool MeetsPlatformRequirement(const char* required, bool x64) {
  if (required == nullptr || required[0] == '\0') return true;
  if (StartsWithIgnoreCase(required, kPlatformKeywords[0])) return !x64;
  if (StartsWithIgnoreCase(required, kPlatformKeywords[1])) return x64;
  return false;
}

bool PlatformRuleHolds(const char* argument, bool x64) {
  return x64 && argument != nullptr && strcmp(argument, kPlatformRuleArgument) == 0;
}
