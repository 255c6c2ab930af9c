#include <doctest.h>

#include <string>
#include <vector>

#include "settings/CodeList.h"

namespace {

struct NumberCase {
  int line;
  const char* text;
  uint32_t value;
};

struct ListCase {
  int line;
  std::string text;
  std::vector<uint32_t> codes;
};

std::string Repeat(const std::string& item, size_t times) {
  std::string text;
  for (size_t i = 0; i < times; i++) text += (i ? "|" : "") + item;
  return text;
}

}  // namespace

TEST_CASE("a code is read like strtoul with base 10 into 32 bits") {
  const NumberCase cases[] = {
      {__LINE__, "3010", 3010},
      {__LINE__, "0", 0},
      {__LINE__, "", 0},
      {__LINE__, "abc", 0},
      {__LINE__, "0x643", 0},
      {__LINE__, "1603abc", 1603},
      {__LINE__, "  \t1641", 1641},
      {__LINE__, "1641 ", 1641},
      {__LINE__, "+7", 7},
      {__LINE__, "-1", 4294967295u},
      {__LINE__, "-1603", 4294965693u},
      {__LINE__, "-", 0},
      {__LINE__, "- 5", 0},
      {__LINE__, "--5", 0},
      {__LINE__, "4294967295", 4294967295u},
      {__LINE__, "4294967296", 4294967295u},
      {__LINE__, "99999999999999999999999", 4294967295u},
      {__LINE__, "-4294967295", 1},
      {__LINE__, "-4294967296", 4294967295u},
      {__LINE__, "00000000000000000000012", 12},
  };
  for (const NumberCase& c : cases) {
    CAPTURE(c.line);
    CHECK(ParseUnsigned32(c.text) == c.value);
  }
  CHECK(ParseUnsigned32(nullptr) == 0);
}

TEST_CASE("a code list keeps the items of the list rule, at most the capacity") {
  const ListCase cases[] = {
      {__LINE__, "3010|1641", {3010, 1641}},
      {__LINE__, "3010||1641|", {3010, 1641}},
      {__LINE__, "|3010", {3010}},
      {__LINE__, "", {}},
      {__LINE__, "|||", {}},
      {__LINE__, "abc", {0}},
      {__LINE__, "0x643", {0}},
      {__LINE__, "-1", {4294967295u}},
      {__LINE__, " 3010 | 1641 ", {3010, 1641}},
      {__LINE__, " ", {0}},
      {__LINE__, "3010;1641", {3010}},
      {__LINE__, Repeat("7", 48), std::vector<uint32_t>(48, 7)},
      {__LINE__, Repeat("7", 49), std::vector<uint32_t>(49, 7)},
      {__LINE__, Repeat("7", 50), std::vector<uint32_t>(49, 7)},
      {__LINE__, Repeat("1", 200), std::vector<uint32_t>(49, 1)},
  };
  for (const ListCase& c : cases) {
    CAPTURE(c.line);
    uint32_t codes[49 + 1];
    for (uint32_t& code : codes) code = 0xA5A5A5A5u;
    size_t count = ParseCodeList(c.text.c_str(), codes, 49);
    REQUIRE(count == c.codes.size());
    for (size_t i = 0; i < count; i++) CHECK(codes[i] == c.codes[i]);
    CHECK(codes[49] == 0xA5A5A5A5u);  // nothing written past the capacity
  }
}

TEST_CASE("a code list with no room or no text keeps nothing") {
  uint32_t code = 0xA5A5A5A5u;
  CHECK(ParseCodeList("3010", &code, 0) == 0);
  CHECK(code == 0xA5A5A5A5u);
  CHECK(ParseCodeList(nullptr, &code, 1) == 0);
  CHECK(ParseCodeList("3010", nullptr, 1) == 0);
}

TEST_CASE("an item is a plain code when it reads as the number it shows") {
  const struct {
    int line;
    const char* item;
    bool plain;
  } cases[] = {
      {__LINE__, "3010", true},        {__LINE__, " 1641 ", true},     {__LINE__, "-1", true},
      {__LINE__, "+5", true},          {__LINE__, "4294967295", true}, {__LINE__, "4294967296", false},
      {__LINE__, "0x643", false},      {__LINE__, "3010a", false},     {__LINE__, "abc", false},
      {__LINE__, "", false},           {__LINE__, " ", false},         {__LINE__, "-", false},
      {__LINE__, "30 10", false},      {__LINE__, "\t3010", true},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(IsPlainCode(c.item) == c.plain);
  }
}
