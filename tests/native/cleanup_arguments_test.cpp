#include <doctest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../../tools/cleanup/CleanupArguments.h"

namespace {

using E = CleanupArgumentError;

const char kCode[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";

struct ArgumentsCase {
  int line;
  std::vector<std::string> arguments;
  E expected;
  const char* productCode;  // when accepted
};

}  // namespace

TEST_CASE("the cleanup tool's letters and product code") {
  const ArgumentsCase cases[] = {
      {__LINE__, {"TW!", kCode}, E::kNone, kCode},
      {__LINE__, {"tw!", "{6f1d6e3a-2b7c-4c59-9a4e-3d5b8a7c1123}"}, E::kNone, kCode},
      {__LINE__, {"!wT", kCode}, E::kNone, kCode},
      {__LINE__, {"TW", kCode}, E::kNone, kCode},
      {__LINE__, {}, E::kNoLetters, nullptr},
      {__LINE__, {kCode}, E::kUnknownLetter, nullptr},
      {__LINE__, {"TWA!", kCode}, E::kUnknownLetter, nullptr},
      {__LINE__, {"/TW!", kCode}, E::kUnknownLetter, nullptr},
      {__LINE__, {"W!", kCode}, E::kNoRemoveLetter, nullptr},
      {__LINE__, {"T!", kCode}, E::kNoAllUsersLetter, nullptr},
      {__LINE__, {"TW!"}, E::kNoProductCode, nullptr},
      {__LINE__, {"TW!", "6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123"}, E::kMalformedProductCode, nullptr},
      {__LINE__, {"TW!", "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C112}"}, E::kMalformedProductCode, nullptr},
      {__LINE__, {"TW!", "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C112G}"}, E::kMalformedProductCode, nullptr},
      {__LINE__, {"TW!", "{6F1D6E3A2-B7C-4C59-9A4E-3D5B8A7C1123}"}, E::kMalformedProductCode, nullptr},
      {__LINE__, {"TW!", "alpha.msi"}, E::kMalformedProductCode, nullptr},
      {__LINE__, {"TW!", kCode, kCode}, E::kExtraArgument, nullptr},
  };
  for (const ArgumentsCase& c : cases) {
    CAPTURE(c.line);
    std::vector<const char*> argv;
    for (const std::string& argument : c.arguments) argv.push_back(argument.c_str());
    CleanupRequest request;
    memset(&request, 'x', sizeof(request));
    CHECK(ParseCleanupArguments(static_cast<int>(argv.size()), argv.data(), request) == c.expected);
    if (c.expected == E::kNone) CHECK(std::string(request.productCode) == c.productCode);
    CHECK(strlen(CleanupArgumentErrorText(c.expected)) > 0);
  }
}

TEST_CASE("a GUID packed as Windows Installer's registry keys name it") {
  struct PackCase {
    int line;
    const char* guid;
    const char* packed;  // "" when refused
  };
  const PackCase cases[] = {
      {__LINE__, "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}", "A3E6D1F6C7B295C4A9E4D3B5A8C71132"},
      {__LINE__, "{6f1d6e3a-2b7c-4c59-9a4e-3d5b8a7c1e02}", "A3E6D1F6C7B295C4A9E4D3B5A8C7E120"},
      {__LINE__, "{3B0A58C2-91E4-4F0D-8C36-5E2F7D9A4B01}", "2C85A0B34E19D0F4C863E5F2D7A9B410"},
      {__LINE__, "{01234567-89AB-CDEF-0123-456789ABCDEF}", "76543210BA98FEDC1032547698BADCFE"},
      {__LINE__, "01234567-89AB-CDEF-0123-456789ABCDEF", ""},
      {__LINE__, "", ""},
  };
  for (const PackCase& c : cases) {
    CAPTURE(c.line);
    char packed[kPackedGuidLength + 1];
    memset(packed, 'x', sizeof(packed));
    CHECK(PackGuid(c.guid, packed) == (c.packed[0] != '\0'));
    CHECK(std::string(packed) == c.packed);
  }
}
