#include <doctest.h>

#include "settings/ProductVersion.h"

TEST_CASE("a package version against the installed one: the package newer, the same, or the installed newer") {
  constexpr int kPackageNewer = kProductOlderInstalled, kSame = kProductSameInstalled,
                kInstalledNewer = kProductNewerInstalled;
  const struct {
    int line;
    const char* package;
    const char* installed;
    int result;
  } cases[] = {
      {__LINE__, "1.2.4", "1.2.3", kPackageNewer},
      {__LINE__, "1.2.4", "1.2.4", kSame},
      {__LINE__, "1.2.4", "1.3", kInstalledNewer},
      // Only as many fields as the shorter version has are compared.
      {__LINE__, "1.2.1", "1.2", kSame},
      {__LINE__, "1.2", "1.2.1", kSame},
      // Fields are numbers, not text.
      {__LINE__, "1.10", "1.9", kPackageNewer},
      {__LINE__, "1.9", "1.10", kInstalledNewer},
      {__LINE__, "01", "1", kSame},
      {__LINE__, "2.0", "10.0", kInstalledNewer},
      // Empty fields are dropped by the list rule.
      {__LINE__, "1..2", "1.2", kSame},
      {__LINE__, ".3.", "3", kSame},
      // Empty sides, and sides without a field.
      {__LINE__, "", "", kSame},
      {__LINE__, "1.0", "", kPackageNewer},
      {__LINE__, "", "1.0", kInstalledNewer},
      {__LINE__, nullptr, nullptr, kSame},
      {__LINE__, "..", "1", kInstalledNewer},
      {__LINE__, "1", "..", kPackageNewer},
      {__LINE__, "..", "..", kInstalledNewer},
      // A field is the number at its start; beyond 32 bits it saturates instead of wrapping.
      {__LINE__, "1.2beta", "1.2", kSame},
      {__LINE__, "4294967296", "4294967295", kSame},
      {__LINE__, "3000000000", "2147483647", kPackageNewer},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(CompareProductVersions(c.package, c.installed) == c.result);
  }
}
