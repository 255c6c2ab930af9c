#include <doctest.h>

#include <string>

#include "core/WorkFolderRules.h"

TEST_CASE("a working folder's name is the prefix and 32 hex digits, and nothing else passes for one") {
  const unsigned char random[kWorkFolderRandomBytes] = {0x00, 0x01, 0xAB, 0xFF, 0x10, 0x7E, 0x80, 0x09,
                                                        0xC3, 0x5A, 0x00, 0x00, 0x42, 0xDE, 0xAD, 0x99};
  char name[kWorkFolderNameSize];
  FormatWorkFolderName(random, name);
  CHECK(std::string(name) == "Pendrix-0001ABFF107E8009C35A000042DEAD99");
  CHECK(IsWorkFolderName(name));

  const struct {
    int line;
    const char* name;
    bool ours;
  } cases[] = {
      {__LINE__, "pendrix-0001abff107e8009c35a000042dead99", true},
      {__LINE__, "Pendrix-0001ABFF107E8009C35A000042DEAD9", false},    // one digit short
      {__LINE__, "Pendrix-0001ABFF107E8009C35A000042DEAD990", false},  // one too many
      {__LINE__, "Pendrix-0001ABFF107E8009C35A000042DEAD9G", false},
      {__LINE__, "Pendrix-0001ABFF107E8009C35A000042DEAD99.tmp", false},
      {__LINE__, "Pendrix-", false},
      {__LINE__, "Pendrix0001ABFF107E8009C35A000042DEAD99", false},
      {__LINE__, "", false},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(IsWorkFolderName(c.name) == c.ours);
  }
}

TEST_CASE("the working folder's access: administrators and SYSTEM, and the user only when not elevated") {
  char sddl[200];
  REQUIRE(WorkFolderSddl(true, "", sddl, sizeof(sddl)));
  CHECK(std::string(sddl) == "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  const char user[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
  REQUIRE(WorkFolderSddl(false, user, sddl, sizeof(sddl)));
  CHECK(std::string(sddl) == std::string("O:") + user + "D:P(A;OICI;FA;;;" + user + ")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  // Without the user, or cut, there is no descriptor to apply: never a folder open to others.
  CHECK_FALSE(WorkFolderSddl(false, "", sddl, sizeof(sddl)));
  CHECK_FALSE(WorkFolderSddl(false, user, sddl, 60));
  CHECK_FALSE(WorkFolderSddl(true, "", sddl, 20));
}
