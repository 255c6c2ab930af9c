// The cleanup tool's command line, "TW! {product code}", and the packed form in which Windows
// Installer names a product or component in the registry. Free of <windows.h>.
#pragma once
#include <cstddef>

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and its packed registry form of 32 hex digits.
constexpr size_t kProductCodeLength = 38;
constexpr size_t kPackedGuidLength = 32;

// Why a command line was refused; kNone when it was accepted.
enum class CleanupArgumentError {
  kNone,
  kNoLetters,            // no arguments, or an empty first one
  kUnknownLetter,       // a letter other than T, W and !
  kNoRemoveLetter,      // T is missing: there would be nothing to do
  kNoAllUsersLetter,    // W is missing: removing for one user only is not offered
  kNoProductCode,
  kMalformedProductCode,
  kExtraArgument,
};

struct CleanupRequest {
  char productCode[kProductCodeLength + 1];  // braced, upper case
};

// Reads the arguments after the program name: first the letters, then the braced product code,
// nothing else. Letters ignore case and may repeat; T (remove all data of the product) and W
// (for all users) are required, ! (answer yes to everything) is accepted and changes nothing,
// since the tool never asks. request is filled only when the result is kNone.
CleanupArgumentError ParseCleanupArguments(int count, const char* const* arguments, CleanupRequest& request);

// The reason for a refusal in a few words, for the line that precedes the usage.
const char* CleanupArgumentErrorText(CleanupArgumentError error);

// The one-line usage of the tool.
extern const char kCleanupUsage[];

// True when text is a braced GUID: 8-4-4-4-12 hex digits in either case.
bool IsBracedGuid(const char* text);

// The packed form of a braced GUID as the registry keys of Windows Installer use it: each of
// the first three groups reversed, then each of the last eight bytes with its two digits swapped;
// upper case. False (and packed empty) when guid is not a braced GUID.
bool PackGuid(const char* guid, char (&packed)[kPackedGuidLength + 1]);
