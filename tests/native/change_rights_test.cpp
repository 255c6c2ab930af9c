// Who besides the administrators can change what an elevated run reads beside the package, and
// which reparse points a file that is run may carry.
#include <doctest.h>

#include <string>
#include <vector>

#include "trust/ChangeRights.h"
#include "trust/ReparseTags.h"

namespace {

const char kUsers[] = "S-1-5-32-545";
const char kUser[] = "S-1-5-21-1004336348-1177238915-682003330-1001";
const char kAuthenticated[] = "S-1-5-11";
// As Windows 10 sets them: the administrators and SYSTEM with full access, users reading.
const std::vector<AccessEntry> kSystemOnly = {
    {true, false, 0x1F01FF, "S-1-5-32-544"}, {true, false, 0x1F01FF, "S-1-5-18"}, {true, false, 0x1200A9, kUsers}};

ObjectSecurity Security(const char* owner, std::vector<AccessEntry> extra = {}, bool nullDacl = false) {
  ObjectSecurity security{owner, nullDacl, kSystemOnly};
  security.entries.insert(security.entries.end(), extra.begin(), extra.end());
  return security;
}

}  // namespace

TEST_CASE("only an owner or a right that changes the object in its place lets another account in") {
  const HeldPlace file = HeldPlace::kFile, folder = HeldPlace::kFileFolder, above = HeldPlace::kFolderAbove;
  const char* const trustedInstaller = "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  const struct {
    int line;
    ObjectSecurity security;
    HeldPlace place;
    std::vector<std::string> who;
  } cases[] = {
      {__LINE__, Security("S-1-5-32-544"), file, {}},
      {__LINE__, Security(trustedInstaller), above, {}},
      {__LINE__, Security(kUser), file, {kUser}},  // an owner can always rewrite the DACL
      {__LINE__, Security("S-1-5-18", {}, true), file, {"S-1-1-0"}},
      // The file: writing, appending, deleting, its DACL or owner.
      {__LINE__, Security("S-1-5-18", {{true, false, 0x2, kUsers}}), file, {kUsers}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x10000, kUser}, {true, false, 0x40000, kUsers}}), file,
       {kUser, kUsers}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x40000000, kUsers}}), file, {kUsers}},  // generic write
      {__LINE__, Security("S-1-5-18", {{true, false, 0x100 | 0x80 | 0x8, kUsers}}), file, {}},  // attributes, EAs
      // Its folder: adding or deleting files; a folder above: deleting or renaming what is in it.
      {__LINE__, Security("S-1-5-18", {{true, false, 0x2, kUsers}}), folder, {kUsers}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x40, kUsers}}), above, {kUsers}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x10000000, kUsers}}), above, {kUsers}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x2, kUsers}}), above, {}},
      // A drive's root lets every user make folders, and hands modify down to what they make.
      {__LINE__, Security("S-1-5-18", {{true, false, 0x4, kAuthenticated}, {true, true, 0x1301BF, kAuthenticated}}),
       folder, {}},
      {__LINE__, Security("S-1-5-18", {{true, false, 0x4, kAuthenticated}}), above, {}},
      // A deny takes nothing away: it is not weighed.
      {__LINE__, Security("S-1-5-18", {{false, false, 0x2, kUsers}, {true, false, 0x2, kUsers}}), file, {kUsers}},
      // The creator placeholders name nobody on the object itself; an owner's rights are the owner's.
      {__LINE__, Security("S-1-5-18", {{true, false, 0x1F01FF, "S-1-3-0"}, {true, false, 0x1F01FF, "S-1-3-4"}}), file,
       {}},
      // Each principal once, the owner first.
      {__LINE__, Security(kUser, {{true, false, 0x2, kUser}, {true, false, 0x2, kUsers}}), file, {kUser, kUsers}},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(WhoMayChange(c.security, c.place) == c.who);
  }
}

TEST_CASE("a file that is run may carry only the reparse points Windows resolves to its own bytes") {
  const struct {
    int line;
    uint32_t tag;
    bool data;
    const char* text;
  } cases[] = {
      {__LINE__, 0x9000F01A, true, "a reparse point of another kind"},  // cloud files
      {__LINE__, 0x80000017, true, "a reparse point of another kind"},  // WOF
      {__LINE__, 0x8000001B, false, "an app execution alias"},
      {__LINE__, 0xA000000C, false, "a symbolic link"},
      {__LINE__, 0xA0000003, false, "a junction or a mount point"},
      {__LINE__, 0xA0000019, false, "a link of another kind"},
      {__LINE__, 0x9000101B, false, "a reparse point of another kind"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(IsDataReparseTag(c.tag) == c.data);
    CHECK(std::string(ReparseTagText(c.tag)) == c.text);
  }
}
