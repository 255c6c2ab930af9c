#include "install/InstallerFileName.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/TextCompare.h"
#include "install/MsiSwitch.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Windows opens these as devices in any folder, with any extension ("nul.exe").
bool IsDeviceName(const char* name, size_t length) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = 0;
  while (stem < length && name[stem] != '.') stem++;
  while (stem > 0 && name[stem - 1] == ' ') stem--;
  for (const char* device : kDevices)
    if (strlen(device) == stem && StartsWithIgnoreCase(name, device)) return true;
  return stem == 4 && (StartsWithIgnoreCase(name, "COM") || StartsWithIgnoreCase(name, "LPT")) && name[3] >= '0' &&
         name[3] <= '9';
}

// One part of a path, [name, name + length).
bool IsPlainPart(const char* name, size_t length) {
  if (length == 0) return false;
  bool onlyDotsAndBlanks = true;
  for (size_t i = 0; i < length; i++) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 32 || strchr("\\/:*?\"<>|", c) != nullptr) return false;
    if (c != '.' && c != ' ') onlyDotsAndBlanks = false;
  }
  return !onlyDotsAndBlanks && !IsDeviceName(name, length);
}

}  // namespace

bool IsPlainFileName(const char* name) { return name != nullptr && IsPlainPart(name, strlen(name)); }

bool IsPathBelowFolder(const char* path) {
  if (path == nullptr || path[0] == '\0' || IsSeparator(path[0])) return false;
  for (const char* part = path;;) {
    const char* end = part;
    while (*end != '\0' && !IsSeparator(*end)) end++;
    if (!IsPlainPart(part, static_cast<size_t>(end - part))) return false;
    if (*end == '\0') return true;
    part = end + 1;
  }
}

bool IsProductCodeWord(const char* word) {
  size_t length = word != nullptr ? strlen(word) : 0;
  return length >= 2 && word[0] == '{' && word[length - 1] == '}';
}

InstallerFileRule InstallerFileName(const char* file, const char* arguments, bool doNotExtract,
                                    char (&out)[kInstallerFileNameSize]) {
  out[0] = '\0';
  if (IsMsiexecRun(file)) {
    if (FindMsiSwitchWord(arguments, out, sizeof(out)) < 0 || out[0] == '\0' ||
        (doNotExtract && IsProductCodeWord(out))) {
      out[0] = '\0';
      return doNotExtract ? InstallerFileRule::kNoFile : InstallerFileRule::kNoMsiFile;
    }
  } else {
    CopyCut(out, file != nullptr ? file : "");
  }
  if (doNotExtract) return IsPathBelowFolder(out) ? InstallerFileRule::kOk : InstallerFileRule::kLeavesFolder;
  return IsPlainFileName(out) ? InstallerFileRule::kOk : InstallerFileRule::kNotAFileName;
}
