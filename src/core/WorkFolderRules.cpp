#include "core/WorkFolderRules.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/TextCompare.h"

void FormatWorkFolderName(const unsigned char (&random)[kWorkFolderRandomBytes], char (&name)[kWorkFolderNameSize]) {
  static const char kHex[] = "0123456789ABCDEF";
  size_t at = CopyCut(name, kWorkFolderPrefix);
  for (unsigned char byte : random) {
    name[at++] = kHex[byte >> 4];
    name[at++] = kHex[byte & 0xF];
  }
  name[at] = '\0';
}

bool IsWorkFolderName(const char* name) {
  if (!StartsWithIgnoreCase(name, kWorkFolderPrefix)) return false;
  const char* digits = name + strlen(kWorkFolderPrefix);
  for (size_t i = 0; i < 2 * kWorkFolderRandomBytes; i++) {
    char c = digits[i];
    bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!hex) return false;
  }
  return digits[2 * kWorkFolderRandomBytes] == '\0';
}

bool WorkFolderSddl(bool elevated, const char* userSid, char* sddl, size_t size) {
  if (sddl == nullptr || size == 0) return false;
  sddl[0] = '\0';
  // OICI: files and folders made inside get the same entries; FA: full access.
  if (elevated) return bounded::Copy(sddl, size, "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") == 39;
  if (userSid == nullptr || userSid[0] == '\0') return false;
  size_t wanted = strlen("O:D:P(A;OICI;FA;;;)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") + 2 * strlen(userSid);
  return bounded::Format(sddl, size, "O:%sD:P(A;OICI;FA;;;%s)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", userSid, userSid) ==
         wanted;
}
