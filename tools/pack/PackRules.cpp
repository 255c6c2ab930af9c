#include "PackRules.h"

#include <cstring>

#include "core/BoundedString.h"

bool IsPlainFileName(const char* name) {
  for (const char* p = name; *p != '\0'; p++)
    if (static_cast<unsigned char>(*p) < 32 || strchr("\\/:*?\"<>|", *p) != nullptr) return false;
  return true;
}

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
  if (!IsPlainFileName(out)) return PayloadRule::kNotAFileName;
  return PayloadRule::kOk;
}
