#include <doctest.h>

#include <string>

#include "requirements/VersionExpression.h"

TEST_CASE("a version expression is read as strtok and atoi read it, each part cut to 16 bits") {
  struct Case {
    int line;
    std::string text;
    uint16_t major, minor, build, revision;
  } cases[] = {
      {__LINE__, "5.1", 5, 1, 0, 0},
      {__LINE__, "6", 6, 0, 0, 0},
      {__LINE__, "5..1", 5, 1, 0, 0},
      {__LINE__, ".6.1.", 6, 1, 0, 0},
      {__LINE__, "6.0.6000.16386", 6, 0, 6000, 16386},
      {__LINE__, "1.2.3.4.5", 1, 2, 3, 4},
      {__LINE__, "xp", 0, 0, 0, 0},
      {__LINE__, "", 0, 0, 0, 0},
      {__LINE__, "6.x.1", 6, 0, 1, 0},
      {__LINE__, " 5. +1", 5, 1, 0, 0},
      {__LINE__, "5sp2.1rc", 5, 1, 0, 0},
      {__LINE__, "-1.0", 65535, 0, 0, 0},
      {__LINE__, "65542.1", 6, 1, 0, 0},
      {__LINE__, "99999999999.1", 65535, 1, 0, 0},
      // A 260-byte copy: the 259th character is read, the 260th is not.
      {__LINE__, std::string(258, '.') + "7", 7, 0, 0, 0},
      {__LINE__, std::string(259, '.') + "7", 0, 0, 0, 0},
      {__LINE__, "5." + std::string(257, '0') + "9", 5, 0, 0, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    ParsedVersion v = ParseVersionString(c.text.c_str());
    CHECK(v.Major() == c.major);
    CHECK(v.Minor() == c.minor);
    CHECK(v.Build() == c.build);
    CHECK(v.Revision() == c.revision);
    CHECK(v.dwVersionMS == (static_cast<uint32_t>(c.major) << 16 | c.minor));
  }
  CHECK(ParseVersionString(nullptr).dwVersionMS == 0);
}

TEST_CASE("a version is at least another by major, then minor; ReqPlatform reads three characters") {
  CHECK_FALSE(IsVersionAtLeast(5, 0, 5, 1));
  CHECK(IsVersionAtLeast(5, 2, 5, 1));
  CHECK(IsVersionAtLeast(7, 0, 6, 1));
  CHECK_FALSE(IsVersionAtLeast(4, 10, 5, 1));
  CHECK(MeetsPlatformRequirement("x64bit", true));
  CHECK_FALSE(MeetsPlatformRequirement("x6", true));
  CHECK(MeetsPlatformRequirement("X86", false));
  CHECK_FALSE(PlatformRuleHolds("64 ", true));
}

TEST_CASE("a dotted version is one to four numbers of 16 bits, as a version is meant to be written") {
  const struct {
    int line;
    const char* text;
    bool dotted;
  } cases[] = {
      {__LINE__, "5.1", true},       {__LINE__, "6", true},         {__LINE__, "6.0.6000.16386", true},
      {__LINE__, "65535.0", true},   {__LINE__, "65536.0", false},  {__LINE__, "6.0.6000.1.2", false},
      {__LINE__, "5..1", true},      {__LINE__, "5.1sp2", false},   {__LINE__, "-5.1", false},
      {__LINE__, "xp", false},       {__LINE__, "5.1 ", false},     {__LINE__, "", false},
      {__LINE__, nullptr, false},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(IsDottedVersion(c.text) == c.dotted);
  }
}
