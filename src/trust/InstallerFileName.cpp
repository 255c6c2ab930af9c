#include "trust/InstallerFileName.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/PathText.h"
#include "core/TextCompare.h"
#include "install/MsiSwitch.h"

namespace {

// The length of the digit that ends a COM or LPT device name at `digit`: an ASCII digit, or a
// superscript 1, 2 or 3 as the Latin code pages spell it (one byte) or as UTF-8 does (two). 0
// when there is none.
size_t DeviceDigitLength(const unsigned char* digit, size_t available) {
  if (available >= 1 && digit[0] >= '0' && digit[0] <= '9') return 1;
  auto superscript = [](unsigned char c) { return c == 0xB9 || c == 0xB2 || c == 0xB3; };
  if (available >= 1 && superscript(digit[0])) return 1;
  if (available >= 2 && digit[0] == 0xC2 && superscript(digit[1])) return 2;
  return 0;
}

// Windows opens these as devices in any folder, with any extension ("nul.exe").
bool IsDeviceName(const char* name, size_t length) {
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  size_t stem = 0;
  while (stem < length && name[stem] != '.') stem++;
  while (stem > 0 && name[stem - 1] == ' ') stem--;
  for (const char* device : kDevices)
    if (strlen(device) == stem && StartsWithIgnoreCase(name, device)) return true;
  if (stem < 4 || !(StartsWithIgnoreCase(name, "COM") || StartsWithIgnoreCase(name, "LPT"))) return false;
  return DeviceDigitLength(reinterpret_cast<const unsigned char*>(name) + 3, stem - 3) == stem - 3;
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
  // Windows drops a dot or a blank at a name's end when it opens a path, but not when a file is
  // opened relative to its folder: the name checked and the name run would be two files.
  const char last = name[length - 1];
  return !onlyDotsAndBlanks && last != '.' && last != ' ' && !IsDeviceName(name, length);
}

}  // namespace

bool IsPlainFileName(const char* name) { return name != nullptr && IsPlainPart(name, strlen(name)); }

bool IsRunnablePath(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  size_t root = PathRootLength(path);
  if (root == 0 && (IsPathSeparator(path[0]) || path[1] == ':')) return false;
  // The parts after the root: names, "." or "..", none empty; the last one names the file.
  const char* part = path + root;
  if (*part == '\0') return false;
  for (;;) {
    const char* end = part;
    while (*end != '\0' && !IsPathSeparator(*end)) end++;
    size_t length = static_cast<size_t>(end - part);
    bool dots = (length == 1 && part[0] == '.') || (length == 2 && part[0] == '.' && part[1] == '.');
    if (*end == '\0') return !dots && IsPlainPart(part, length);
    if (!dots && !IsPlainPart(part, length)) return false;
    part = end + 1;
  }
}

bool ResolveBesidePath(const char* base, const char* path, char (&out)[260]) {
  out[0] = '\0';
  if (!IsRunnablePath(path)) return false;
  char joined[2 * sizeof(out)] = {};
  if (PathRootLength(path) == 0) {
    if (PathRootLength(base) == 0) return false;
    bounded::Format(joined, sizeof(joined), "%s\\%s", base, path);
  } else {
    CopyCut(joined, path);
  }
  size_t root = PathRootLength(joined);
  char resolved[sizeof(joined)] = {};
  CopyCut(resolved, joined, root);
  for (char& c : resolved)
    if (c == '/') c = '\\';
  size_t length = strlen(resolved);
  if (length > 0 && resolved[length - 1] != '\\') resolved[length++] = '\\';  // a share named without one
  const size_t rootLength = length;
  for (const char* part = joined + root; *part != '\0';) {
    const char* end = part;
    while (*end != '\0' && !IsPathSeparator(*end)) end++;
    size_t partLength = static_cast<size_t>(end - part);
    if (partLength == 2 && part[0] == '.' && part[1] == '.') {
      if (length == rootLength) return false;  // above the root
      length--;
      while (length > rootLength && resolved[length - 1] != '\\') length--;
    } else if (partLength != 0 && !(partLength == 1 && part[0] == '.')) {
      if (length + partLength + 1 >= sizeof(resolved)) return false;
      memcpy(resolved + length, part, partLength);
      length += partLength;
      resolved[length++] = '\\';
    }
    resolved[length] = '\0';
    part = *end != '\0' ? end + 1 : end;
  }
  if (length <= rootLength || length > sizeof(out)) return false;
  resolved[length - 1] = '\0';  // the separator after the file's name
  CopyCut(out, resolved);
  return true;
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
  if (doNotExtract) return IsRunnablePath(out) ? InstallerFileRule::kOk : InstallerFileRule::kNotRunnable;
  return IsPlainFileName(out) ? InstallerFileRule::kOk : InstallerFileRule::kNotAFileName;
}
