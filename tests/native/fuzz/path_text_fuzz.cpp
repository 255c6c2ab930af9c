// Feeds arbitrary paths to the path text rules the /Log path and an installer's output file go
// through, with buffers of every size: the root is part of the path, a split folder and name are
// the path's own text and join into a path that splits the same, a numbered name adds its number
// before the extension, and a join succeeds exactly when folder and name fit.
#include <cstdint>
#include <cstring>
#include <string>

#include "core/PathText.h"

namespace {

void CheckSplit(const std::string& path, size_t folderSize, size_t nameSize) {
  char folder[300], name[300];
  if (!SplitFolderAndName(path.c_str(), folder, folderSize, name, nameSize)) return;
  const size_t nameLength = strlen(name), folderLength = strlen(folder);
  if (nameLength == 0 || nameLength >= nameSize || folderLength >= folderSize) __builtin_trap();
  // The name is what follows the last separator; the folder is where the path begins.
  if (path.compare(path.size() - nameLength, nameLength, name) != 0 || !IsPathSeparator(path[path.size() - nameLength - 1]))
    __builtin_trap();
  if (path.compare(0, folderLength, folder) != 0 || PathRootLength(folder) != PathRootLength(path.c_str()))
    __builtin_trap();
  // Joined again, it splits into the same name and folder (one separator of a doubled pair before
  // the name aside: Windows reads them as one).
  char joined[600], again[300], againName[300];
  if (!JoinFolderAndName(folder, name, joined, sizeof(joined)) ||
      !SplitFolderAndName(joined, again, sizeof(again), againName, sizeof(againName)) || strcmp(againName, name) != 0)
    __builtin_trap();
  std::string expected = folder;
  if (expected.size() > PathRootLength(folder) && IsPathSeparator(expected.back())) expected.pop_back();
  if (expected != again) __builtin_trap();
}

void CheckJoin(const std::string& folder, const std::string& name, size_t size) {
  char out[300];
  const bool separator = !folder.empty() && !IsPathSeparator(folder.back());
  const std::string whole = folder + (separator ? "\\" : "") + name;
  const bool fits = !folder.empty() && whole.size() <= size - 1;
  if (JoinFolderAndName(folder.c_str(), name.c_str(), out, size) != fits) __builtin_trap();
  if (fits ? whole != out : out[0] != '\0') __builtin_trap();
}

void CheckNumbered(const std::string& name, unsigned n, size_t size) {
  char out[300];
  const std::string number = "." + std::to_string(n);
  const bool fits = !name.empty() && name.size() + number.size() <= size - 1;
  if (NumberedFileName(name.c_str(), n, out, size) != fits) __builtin_trap();
  if (!fits) {
    if (out[0] != '\0') __builtin_trap();
    return;
  }
  // The number stands before the extension, or after a name that has none (a leading dot starts
  // a name).
  const size_t dot = name.rfind('.');
  const size_t at = dot == std::string::npos || dot == 0 ? name.size() : dot;
  if (name.substr(0, at) + number + name.substr(at) != out) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  // Two bytes choose the buffers' sizes (1 to 300) and a number; the rest is the path.
  const size_t first = 1 + data[0] % 300, second = 1 + data[1] % 300;
  std::string path(reinterpret_cast<const char*>(data + 2), size - 2);
  path = path.c_str();  // the rules work on terminated text
  if (PathRootLength(path.c_str()) > path.size()) __builtin_trap();
  CheckSplit(path, first, second);
  const size_t cut = data[1] % (path.size() + 1);
  CheckJoin(path.substr(0, cut), path.substr(cut), first);
  CheckNumbered(path.substr(cut), data[0] | (data[1] << 8), second);
  return 0;
}
