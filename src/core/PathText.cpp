#include "core/PathText.h"

#include <cstring>

#include "core/BoundedString.h"

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The length of one name of a share's root: not empty, and not a device form ("?" or ".").
size_t ShareNameLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0' && !IsPathSeparator(text[n])) n++;
  if (n == 0 || (n == 1 && (text[0] == '?' || text[0] == '.'))) return 0;
  return n;
}

}  // namespace

size_t PathRootLength(const char* path) {
  if (path == nullptr) return 0;
  if (IsLetter(path[0]) && path[1] == ':') return IsPathSeparator(path[2]) ? 3 : 0;
  if (!IsPathSeparator(path[0]) || !IsPathSeparator(path[1])) return 0;
  size_t server = ShareNameLength(path + 2);
  if (server == 0 || !IsPathSeparator(path[2 + server])) return 0;
  size_t shareStart = 2 + server + 1;
  size_t share = ShareNameLength(path + shareStart);
  if (share == 0) return 0;
  size_t end = shareStart + share;
  return IsPathSeparator(path[end]) ? end + 1 : end;
}

bool NumberedFileName(const char* name, unsigned n, char* out, size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  if (name == nullptr || name[0] == '\0') return false;
  const char* dot = strrchr(name, '.');
  // A leading dot starts a name, not an extension.
  size_t stem = dot != nullptr && dot != name ? static_cast<size_t>(dot - name) : strlen(name);
  char number[16] = {};
  bounded::Format(number, sizeof(number), ".%u", n);
  if (stem + strlen(number) + strlen(name + stem) >= size) return false;
  memcpy(out, name, stem);
  out[stem] = '\0';
  bounded::Append(out, size, number);
  bounded::Append(out, size, name + stem);
  return true;
}

bool SplitFolderAndName(const char* path, char* folder, size_t folderSize, char* name, size_t nameSize) {
  size_t root = PathRootLength(path);
  if (root == 0) return false;
  const char* last = path + strlen(path);
  while (last > path + root && !IsPathSeparator(last[-1])) last--;
  if (*last == '\0') return false;
  size_t folderLength = static_cast<size_t>(last - path);
  // The separator before the name goes, unless it ends the root ("C:\").
  if (folderLength > root) folderLength--;
  if (folderLength >= folderSize || strlen(last) >= nameSize) return false;
  bounded::Copy(folder, folderSize, path, folderLength);
  bounded::Copy(name, nameSize, last);
  return true;
}

bool JoinFolderAndName(const char* folder, const char* name, char* out, size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  if (folder == nullptr || folder[0] == '\0' || name == nullptr) return false;
  const char* separator = IsPathSeparator(folder[strlen(folder) - 1]) ? "" : "\\";
  if (strlen(folder) + strlen(separator) + strlen(name) > size - 1) return false;
  bounded::Format(out, size, "%s%s%s", folder, separator, name);
  return true;
}
