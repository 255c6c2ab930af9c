#include <doctest.h>

#include "settings/ProductVersion.h"

TEST_CASE("a package version against the installed one: -1 package newer, 0 same, 1 installed newer") {
  const struct {
    int line;
    const char* package;
    const char* installed;
    int result;
  } cases[] = {
      {__LINE__, "1.2.4", "1.2.3", -1},
      {__LINE__, "1.2.4", "1.2.4", 0},
      {__LINE__, "1.2.4", "1.3", 1},
      // Only as many fields as the shorter version has are compared.
      {__LINE__, "1.2.1", "1.2", 0},
      {__LINE__, "1.2", "1.2.1", 0},
      // Fields are numbers, not text.
      {__LINE__, "1.10", "1.9", -1},
      {__LINE__, "1.9", "1.10", 1},
      {__LINE__, "01", "1", 0},
      {__LINE__, "2.0", "10.0", 1},
      // Empty fields are dropped by the list rule.
      {__LINE__, "1..2", "1.2", 0},
      {__LINE__, ".3.", "3", 0},
      // Empty sides, and sides without a field.
      {__LINE__, "", "", 0},
      {__LINE__, "1.0", "", -1},
      {__LINE__, "", "1.0", 1},
      {__LINE__, nullptr, nullptr, 0},
      {__LINE__, "..", "1", 1},
      {__LINE__, "1", "..", -1},
      {__LINE__, "..", "..", 1},
      // A field is the number at its start; beyond 32 bits it saturates instead of wrapping.
      {__LINE__, "1.2beta", "1.2", 0},
      {__LINE__, "4294967296", "4294967295", 0},
      {__LINE__, "3000000000", "2147483647", -1},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(CompareProductVersions(c.package, c.installed) == c.result);
  }
}
