#include <doctest.h>

#include "settings/YesNo.h"

TEST_CASE("a yes-or-no value is yes when its first three characters are yes in any case") {
  struct Case {
    int line;
    const char* value;
    bool yes;
  } cases[] = {
      {__LINE__, "yes", true},
      {__LINE__, "Yes", true},
      {__LINE__, "YES", true},
      {__LINE__, "yEs", true},
      {__LINE__, "yesterday", true},
      {__LINE__, "yes please", true},
      {__LINE__, "ye", false},
      {__LINE__, "y", false},
      {__LINE__, "", false},
      {__LINE__, "no", false},
      {__LINE__, "true", false},
      {__LINE__, "1", false},
      {__LINE__, " yes", false},
      {__LINE__, "y\0s", false},
      {__LINE__, "yas", false},
      {__LINE__, "\xD9" "ES", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(IsYesValue(c.value) == c.yes);
  }
  CHECK_FALSE(IsYesValue(nullptr));
}
