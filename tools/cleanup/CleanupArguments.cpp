#include "CleanupArguments.h"

#include <cstring>

const char kCleanupUsage[] =
    "Usage: MsiZap.exe TW! {product code}  (T: remove all Windows Installer data of the product, "
    "W: for all users, !: answer yes to everything)";

namespace {

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The positions of the dashes in a braced GUID; every other inner position holds a hex digit.
bool IsDashAt(size_t i) { return i == 9 || i == 14 || i == 19 || i == 24; }

}  // namespace

bool IsBracedGuid(const char* text) {
  if (text == nullptr || strlen(text) != kProductCodeLength) return false;
  if (text[0] != '{' || text[kProductCodeLength - 1] != '}') return false;
  for (size_t i = 1; i < kProductCodeLength - 1; i++)
    if (IsDashAt(i) ? text[i] != '-' : !IsHexDigit(text[i])) return false;
  return true;
}

bool PackGuid(const char* guid, char (&packed)[kPackedGuidLength + 1]) {
  packed[0] = '\0';
  if (!IsBracedGuid(guid)) return false;
  // The digits without braces and dashes: 8, 4, 4, then 16 for the last eight bytes.
  char digits[kPackedGuidLength];
  size_t n = 0;
  for (size_t i = 1; i < kProductCodeLength - 1; i++)
    if (!IsDashAt(i)) digits[n++] = Upper(guid[i]);
  size_t out = 0;
  const size_t groups[][2] = {{0, 8}, {8, 4}, {12, 4}};
  for (const auto& group : groups)
    for (size_t i = group[0] + group[1]; i > group[0]; i--) packed[out++] = digits[i - 1];
  for (size_t i = 16; i < kPackedGuidLength; i += 2) {
    packed[out++] = digits[i + 1];
    packed[out++] = digits[i];
  }
  packed[out] = '\0';
  return true;
}

CleanupArgumentError ParseCleanupArguments(int count, const char* const* arguments, CleanupRequest& request) {
  if (count < 1 || arguments == nullptr || arguments[0] == nullptr || arguments[0][0] == '\0')
    return CleanupArgumentError::kNoLetters;
  bool remove = false;
  bool allUsers = false;
  for (const char* p = arguments[0]; *p != '\0'; p++) {
    char letter = Upper(*p);
    if (letter == 'T') {
      remove = true;
    } else if (letter == 'W') {
      allUsers = true;
    } else if (letter != '!') {
      return CleanupArgumentError::kUnknownLetter;
    }
  }
  if (!remove) return CleanupArgumentError::kNoRemoveLetter;
  if (!allUsers) return CleanupArgumentError::kNoAllUsersLetter;
  if (count < 2 || arguments[1] == nullptr || arguments[1][0] == '\0') return CleanupArgumentError::kNoProductCode;
  if (!IsBracedGuid(arguments[1])) return CleanupArgumentError::kMalformedProductCode;
  if (count > 2) return CleanupArgumentError::kExtraArgument;
  for (size_t i = 0; i <= kProductCodeLength; i++) request.productCode[i] = Upper(arguments[1][i]);
  return CleanupArgumentError::kNone;
}

const char* CleanupArgumentErrorText(CleanupArgumentError error) {
  switch (error) {
    case CleanupArgumentError::kNone:
      return "accepted";
    case CleanupArgumentError::kNoLetters:
      return "the letters are missing";
    case CleanupArgumentError::kUnknownLetter:
      return "unknown letter: only T, W and ! are understood";
    case CleanupArgumentError::kNoRemoveLetter:
      return "T is missing: nothing would be removed";
    case CleanupArgumentError::kNoAllUsersLetter:
      return "W is missing: the registration is removed only for all users at once";
    case CleanupArgumentError::kNoProductCode:
      return "the product code is missing";
    case CleanupArgumentError::kMalformedProductCode:
      return "the product code is not a braced GUID";
    case CleanupArgumentError::kExtraArgument:
      return "more arguments than the letters and one product code";
  }
  return "not understood";
}
