#include "trust/WorkFolderRules.h"

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

namespace {

// SYSTEM or the Administrators group, by SDDL's alias or in full.
bool IsAdministratorsOrSystem(const char* sid, size_t length) {
  static const char* const kKnown[] = {"SY", "BA", "S-1-5-18", "S-1-5-32-544"};
  for (const char* known : kKnown)
    if (strlen(known) == length && strncmp(sid, known, length) == 0) return true;
  return false;
}

}  // namespace

bool OnlyAdministratorsMayWrite(const char* ownerAndDacl) {
  if (ownerAndDacl == nullptr || strncmp(ownerAndDacl, "O:", 2) != 0) return false;
  const char* owner = ownerAndDacl + 2;
  const char* dacl = strstr(owner, "D:");  // no SID holds a colon
  if (dacl == nullptr || !IsAdministratorsOrSystem(owner, static_cast<size_t>(dacl - owner))) return false;
  // Its flags: protected, inherited automatically, to be inherited. "NO_ACCESS_CONTROL" (a null
  // DACL, open to everyone) and any other is refused.
  const char* p = dacl + 2;
  while (*p != '\0' && *p != '(') {
    if (*p == 'P')
      p++;
    else if (strncmp(p, "AI", 2) == 0 || strncmp(p, "AR", 2) == 0)
      p += 2;
    else
      return false;
  }
  // Entries "(type;flags;rights;object;inherited object;SID)": those that deny restrict, and those
  // that allow must name SYSTEM or the administrators.
  while (*p == '(') {
    const char* end = strchr(p, ')');
    if (end == nullptr || (strncmp(p, "(D;", 3) != 0 && strncmp(p, "(A;", 3) != 0)) return false;
    const char* sid = end;
    int fields = 1;
    for (const char* c = p; c < end; c++) fields += *c == ';';
    while (sid[-1] != ';') sid--;
    if (fields != 6) return false;
    if (p[1] == 'A' && !IsAdministratorsOrSystem(sid, static_cast<size_t>(end - sid))) return false;
    p = end + 1;
  }
  return *p == '\0';
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

bool CreatedFolderSddl(bool system, const char* userSid, char* sddl, size_t size) {
  if (sddl == nullptr || size == 0) return false;
  sddl[0] = '\0';
  // 0x1301bf: read, write, run and delete, but not the DACL or the owner.
  const char kAdministrators[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  if (system) return bounded::Copy(sddl, size, kAdministrators) == sizeof(kAdministrators) - 1;
  if (userSid == nullptr || userSid[0] == '\0') return false;
  size_t wanted = sizeof(kAdministrators) - 1 + strlen("(A;OICI;0x1301bf;;;)") + strlen(userSid);
  return bounded::Format(sddl, size, "%s(A;OICI;0x1301bf;;;%s)", kAdministrators, userSid) == wanted;
}
