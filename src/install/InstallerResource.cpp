#include "install/InstallerResource.h"

#include "core/BoundedString.h"

void InstallerResourceName(const char* name, char (&out)[kResourceNameSize]) {
  FormatCut(out, "INSTALLER_%s", name != nullptr ? name : "");
  for (char* p = out; *p != '\0'; p++)
    if (*p == ' ') *p = '_';
}
