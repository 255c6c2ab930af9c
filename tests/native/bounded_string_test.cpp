#include <doctest.h>

#include <cstring>
#include <string>

#include "core/BoundedString.h"

TEST_CASE("copy, append and format cut at the buffer and always terminate") {
  char small[8];
  memset(small, 'x', sizeof(small));
  CHECK(CopyCut(small, "0123456789") == 7);
  CHECK(std::string(small) == "0123456");

  CHECK(CopyCut(small, "abcdef", 3) == 3);
  CHECK(std::string(small) == "abc");
  CHECK(AppendCut(small, "defghij") == 7);
  CHECK(std::string(small) == "abcdefg");
  CHECK(AppendCut(small, "more") == 7);
  CHECK(std::string(small) == "abcdefg");

  CopyCut(small, "ab");
  CHECK(AppendCut(small, "cdef", 4) == 4);
  CHECK(std::string(small) == "abcd");

  CHECK(FormatCut(small, "%s-%d", "name", 12345) == 7);
  CHECK(std::string(small) == "name-12");
  CHECK(FormatCut(small, "%s", "ok") == 2);
  CHECK(std::string(small) == "ok");

  CHECK(CopyCut(small, nullptr) == 0);
  CHECK(small[0] == '\0');

  // A piece whose cut would change its meaning goes in whole or not at all.
  CopyCut(small, "ab");
  CHECK(AppendWhole(small, "cdefg"));
  CHECK(std::string(small) == "abcdefg");
  CopyCut(small, "ab");
  CHECK_FALSE(AppendWhole(small, "cdefgh"));
  CHECK(std::string(small) == "ab");
}

TEST_CASE("a guard byte after the buffer is never touched") {
  struct {
    char buffer[16];
    char guard;
  } area;
  area.guard = 'G';
  std::string big(100, 'z');
  CopyCut(area.buffer, big.c_str());
  AppendCut(area.buffer, big.c_str());
  FormatCut(area.buffer, "%s%s", big.c_str(), big.c_str());
  CopyCut(area.buffer, "");
  AppendWhole(area.buffer, std::string(15, 'w').c_str());
  CHECK(area.guard == 'G');
  CHECK(strlen(area.buffer) == 15);
}
