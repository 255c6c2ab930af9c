// The names and the access rule of a run's working folder, as text: the engine turns the
// security descriptor's SDDL form into the real one, and removes an earlier run's folder only
// when its name has this form.
#pragma once
#include <cstddef>

inline constexpr char kWorkFolderPrefix[] = "Pendrix-";
constexpr size_t kWorkFolderRandomBytes = 16;
// The prefix, two hex digits per random byte, and the terminator.
constexpr size_t kWorkFolderNameSize = sizeof(kWorkFolderPrefix) + 2 * kWorkFolderRandomBytes;

// "Pendrix-" and the random bytes in upper-case hex: a name no other program can foresee.
void FormatWorkFolderName(const unsigned char (&random)[kWorkFolderRandomBytes], char (&name)[kWorkFolderNameSize]);

// True for a name FormatWorkFolderName could have made (the prefix in any case).
bool IsWorkFolderName(const char* name);

// Who may use the folder. Elevated (or as SYSTEM): owned by the administrators, and only SYSTEM
// and the administrators have access. Otherwise the user as well, who owns it. The DACL is
// protected, so nothing of the parent folder's is inherited, and what is in the folder inherits
// it. Returns false when userSid is needed and empty, or the text does not fit.
bool WorkFolderSddl(bool elevated, const char* userSid, char* sddl, size_t size);

// The DACL of a folder that an elevated run makes on the way to a log: full control for SYSTEM
// and the administrators, and modify for the running user (unless that is SYSTEM), so that the
// resumed run may log there too; protected, so that nothing of the parent's (under C:\, every
// user's right to modify) comes down. False when userSid is needed and empty, or the text does
// not fit.
bool CreatedFolderSddl(bool system, const char* userSid, char* sddl, size_t size);

// True when an owner and DACL in SDDL form (as Windows reads them back from the folder) leave only
// SYSTEM and the administrators able to change what is in the folder: one of them owns it, and its
// DACL (not a null one) allows no one else anything, with no entries of other kinds. A text that
// says anything more, or that cannot be read, is false.
bool OnlyAdministratorsMayWrite(const char* ownerAndDacl);
