#include <doctest.h>

#include <string>

#include "core/PathText.h"

TEST_CASE("a folder and a name join when the whole fits, to the last character") {
  struct Case {
    int line;
    const char* folder;
    const char* name;
    size_t size;
    const char* joined;  // "" when refused
  };
  const Case cases[] = {
      {__LINE__, "C:\\", "setup.log", 100, "C:\\setup.log"},
      {__LINE__, "C:\\x", "y", 7, "C:\\x\\y"},  // six characters and the terminator
      {__LINE__, "C:\\x", "y", 6, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    char out[100] = "junk";
    CHECK(JoinFolderAndName(c.folder, c.name, out, c.size) == (c.joined[0] != '\0'));
    CHECK(std::string(out) == c.joined);
  }
}
