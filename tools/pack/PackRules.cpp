#include "PackRules.h"

#include <cstring>

#include "core/BoundedString.h"
#include "install/MsiSwitch.h"

void InstallerResourceName(const char* name, char (&out)[kResourceNameSize]) {
  FormatCut(out, "INSTALLER_%s", name != nullptr ? name : "");
  for (char* p = out; *p != '\0'; p++)
    if (*p == ' ') *p = '_';
}

bool IsMsiexecRun(const char* file) { return file != nullptr && strstr(file, "msiexec") != nullptr; }

PayloadRule PayloadFileName(const char* file, const char* arguments, char (&out)[kPayloadNameSize]) {
  out[0] = '\0';
  if (IsMsiexecRun(file)) {
    if (FindMsiSwitchWord(arguments, out, sizeof(out)) < 0 || out[0] == '\0') {
      out[0] = '\0';
      return PayloadRule::kNoMsiFile;
    }
  } else {
    CopyCut(out, file != nullptr ? file : "");
  }
  if (strpbrk(out, "\\/:*?\"<>|") != nullptr) return PayloadRule::kNotAFileName;
  return PayloadRule::kOk;
}
