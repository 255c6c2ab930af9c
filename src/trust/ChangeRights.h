// Who besides the machine's administrators can change a file that an elevated run reads or
// runs without having carried it: by owning it or a folder above it (an owner can always
// rewrite the DACL), or by a right its DACL grants. Pure text and numbers, no <windows.h>: the
// engine reads the owner and the DACL and names what this returns.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One entry of a DACL as it applies to the object itself: what it allows or denies, and whom.
struct AccessEntry {
  bool allows = true;
  bool inheritOnly = false;  // applies only to what is made inside, not to the object
  uint32_t rights = 0;
  std::string sid;  // "S-1-5-32-545"
};

struct ObjectSecurity {
  std::string owner;        // the owner's SID, "" when it has none
  bool nullDacl = false;    // no DACL at all: everyone may do anything
  std::vector<AccessEntry> entries;
};

// Where the object lies on the path of what is read.
enum class HeldPlace {
  kFile,         // the file itself: writing, appending, deleting it, or changing its DACL or owner
  kFileFolder,   // the folder that holds it: adding files, deleting them, and what counts above
  kFolderAbove,  // any folder further up: deleting or renaming it (delete-child on its parent
                 // included), or changing its DACL or owner
};

// SYSTEM, the Administrators group and TrustedInstaller: who may always change the system.
bool IsSystemPrincipal(const std::string& sid);

// The principals, other than those IsSystemPrincipal accepts, that can change the object in its
// place: its owner first, then each whose allowing entry grants a right that counts there, each
// once. A null DACL names Everyone ("S-1-1-0"). Entries that deny are not weighed: a principal
// that one entry allows a change is taken to have it. The creator placeholders of inheritable
// entries ("S-1-3-0", "S-1-3-1") and "S-1-3-4" (the owner's rights, judged as the owner) name
// nobody of their own. The caller weighs the rest (the running user, members of Administrators).
std::vector<std::string> WhoMayChange(const ObjectSecurity& security, HeldPlace place);
