#include <doctest.h>

#include <string>

#include "trust/WorkFolderRules.h"

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

TEST_CASE("a folder made for a log: the administrators and SYSTEM in full, the user to modify, nothing handed down") {
  char sddl[200];
  REQUIRE(CreatedFolderSddl(false, "S-1-5-21-1-2-3-1001", sddl, sizeof(sddl)));
  CHECK(std::string(sddl) == "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;S-1-5-21-1-2-3-1001)");
  REQUIRE(CreatedFolderSddl(true, "", sddl, sizeof(sddl)));
  CHECK(std::string(sddl) == "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)");
  CHECK_FALSE(CreatedFolderSddl(false, "", sddl, sizeof(sddl)));
  CHECK_FALSE(CreatedFolderSddl(false, "S-1-5-21-1-2-3-1001", sddl, 60));
}

TEST_CASE("only a folder that SYSTEM or the administrators own, and that lets no one else in, is theirs alone") {
  const char user[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
  const struct {
    int line;
    std::string sddl;
    bool theirs;
  } cases[] = {
      {__LINE__, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // as the engine sets it
      {__LINE__, "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", true},  // as Windows may read it back
      {__LINE__, "O:S-1-5-18D:P(A;OICIID;0x1200a9;;;S-1-5-32-544)(D;;FA;;;WD)", true},
      {__LINE__, "O:BAD:P", true},  // an empty list: no one but the owner
      {__LINE__, std::string("O:") + user + "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false},  // the user owns it
      {__LINE__, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICIIO;FA;;;" + std::string(user) + ")", false},
      {__LINE__, "O:BAD:P(A;;FR;;;WD)(A;OICI;FA;;;BA)", false},  // anyone may read: refused all the same
      // What Wine reads back: its owner is the user, who is let in too.
      {__LINE__, "O:S-1-5-21-0-0-0-1000D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)", false},
      {__LINE__, "O:BAD:NO_ACCESS_CONTROL", false},  // a null list lets everyone in
      {__LINE__, "O:BAD:P(OA;;FA;;;BA)", false},
      {__LINE__, "O:BAD:P(A;;FA;;;BA)S:(AU;SA;FA;;;WD)", false},
      {__LINE__, "O:BAD:P(A;;FA;;BA)", false},
      {__LINE__, "O:BAD:P(A;;FA;;;BA", false},
      {__LINE__, "O:BA", false},
      {__LINE__, "", false},  // not read at all
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(OnlyAdministratorsMayWrite(c.sddl.c_str()) == c.theirs);
  }
}
