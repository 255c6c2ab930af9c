#include "trust/ChangeRights.h"

#include <algorithm>

namespace {

// The rights of a DACL entry on a file or folder, by number: the same bits mean one thing on a
// file and another on a folder.
constexpr uint32_t kWriteData = 0x2;       // a file's bytes; on a folder, adding a file
constexpr uint32_t kAppendData = 0x4;      // a file's end; on a folder, adding a folder
constexpr uint32_t kDeleteChild = 0x40;    // a folder's: deleting or renaming what is in it
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kWriteDac = 0x40000;
constexpr uint32_t kWriteOwner = 0x80000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericWrite = 0x40000000;

// A folder above may be deleted or renamed, or opened to anyone. The right to make folders in
// it (a drive's root grants it to every user) changes nothing that is already there.
constexpr uint32_t kChangesFolderAbove = kDelete | kWriteDac | kWriteOwner | kDeleteChild | kGenericAll;

uint32_t RightsThatCount(HeldPlace place) {
  switch (place) {
    case HeldPlace::kFile:
      return kWriteData | kAppendData | kDelete | kWriteDac | kWriteOwner | kGenericAll | kGenericWrite;
    case HeldPlace::kFileFolder:
      // A file added beside an installer is a DLL that it may load.
      return kChangesFolderAbove | kWriteData | kGenericWrite;
    case HeldPlace::kFolderAbove:
      break;
  }
  return kChangesFolderAbove;
}

bool NamesNobody(const std::string& sid) { return sid == "S-1-3-0" || sid == "S-1-3-1" || sid == "S-1-3-4"; }

}  // namespace

bool IsSystemPrincipal(const std::string& sid) {
  return sid == "S-1-5-18" || sid == "S-1-5-32-544" ||
         sid == "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
}

std::vector<std::string> WhoMayChange(const ObjectSecurity& security, HeldPlace place) {
  std::vector<std::string> who;
  auto add = [&who](const std::string& sid) {
    if (sid.empty() || IsSystemPrincipal(sid) || std::find(who.begin(), who.end(), sid) != who.end()) return;
    who.push_back(sid);
  };
  add(security.owner);
  if (security.nullDacl) {
    add("S-1-1-0");
    return who;
  }
  const uint32_t counted = RightsThatCount(place);
  for (const AccessEntry& entry : security.entries)
    if (entry.allows && !entry.inheritOnly && (entry.rights & counted) != 0 && !NamesNobody(entry.sid)) add(entry.sid);
  return who;
}
