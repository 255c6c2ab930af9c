#include <doctest.h>

#include "core/SplitString.h"

namespace {

struct SplitCase {
  int line;
  const char* text;
  const char* delimiters;
  size_t max;
  std::vector<std::string> tokens;
};

}  // namespace

TEST_CASE("SplitString keeps maximal runs outside the delimiter set") {
  const SplitCase cases[] = {
      {__LINE__, "", "|", kSplitUnlimited, {}},
      {__LINE__, "|||", "|", kSplitUnlimited, {}},
      {__LINE__, "A", "|", kSplitUnlimited, {"A"}},
      {__LINE__, "A||B|", "|", kSplitUnlimited, {"A", "B"}},
      {__LINE__, "|A|B", "|", kSplitUnlimited, {"A", "B"}},
      {__LINE__, "A | B", "|", kSplitUnlimited, {"A ", " B"}},
      {__LINE__, "Log c:\\x-1.log /Type t", "/-", kSplitUnlimited, {"Log c:\\x", "1.log ", "Type t"}},
      {__LINE__, "a/-b", "/-", kSplitUnlimited, {"a", "b"}},
      {__LINE__, "3010||1641|", "|", kSplitUnlimited, {"3010", "1641"}},
      {__LINE__, "a,b,c", ",", 2, {"a", "b"}},
      {__LINE__, "a,b,c", ",", 0, {}},
      {__LINE__, "\xE4\xF6|\xFC", "|", kSplitUnlimited, {"\xE4\xF6", "\xFC"}},
      {__LINE__, "abc", "", kSplitUnlimited, {"abc"}},
  };
  for (const SplitCase& c : cases) {
    CAPTURE(c.line);
    std::vector<std::string> out = {"earlier"};
    size_t n = SplitString(c.text, c.delimiters, out, c.max);
    CHECK(n == c.tokens.size());
    REQUIRE(out.size() == c.tokens.size() + 1);
    CHECK(out[0] == "earlier");  // tokens are appended, the list is not cleared
    for (size_t i = 0; i < c.tokens.size(); i++) CHECK(out[i + 1] == c.tokens[i]);
  }
}

TEST_CASE("SplitString with null text appends nothing") {
  std::vector<std::string> out;
  CHECK(SplitString(nullptr, "|", out) == 0);
  CHECK(out.empty());
}
