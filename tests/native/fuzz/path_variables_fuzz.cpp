// Path expansion from arbitrary text into buffers of every size: always terminated within the
// buffer, the rest of it cleared, and the text the start of the expansion that a large buffer holds.
// The same bytes through the path text rules the /Log path and an installer's output file go
// through, with buffers of every size (the first two bytes choose them). A split folder and name
// are the path's own text and, joined again, split the same (one separator of a doubled pair
// before the name aside: Windows reads them as one). A join and a numbered name succeed exactly
// when they fit, and say what the rule says.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/PathText.h"
#include "settings/PathExpansion.h"

namespace {

void CheckSplit(const std::string& path, size_t folderSize, size_t nameSize) {
  char folder[300], name[300], joined[600], again[300], againName[300];
  if (!SplitFolderAndName(path.c_str(), folder, folderSize, name, nameSize)) return;
  const size_t length = strlen(name);
  std::string expected = folder;
  if (expected.size() > PathRootLength(folder) && IsPathSeparator(expected.back())) expected.pop_back();
  if (length == 0 || length >= nameSize || strlen(folder) >= folderSize || path.compare(0, strlen(folder), folder) != 0 ||
      path.compare(path.size() - length, length, name) != 0 || !IsPathSeparator(path[path.size() - length - 1]) ||
      !JoinFolderAndName(folder, name, joined, sizeof(joined)) ||
      !SplitFolderAndName(joined, again, sizeof(again), againName, sizeof(againName)) || expected != again ||
      strcmp(againName, name) != 0)
    __builtin_trap();
}

void CheckPathText(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const size_t first = 1 + data[0] % 300, second = 1 + data[1] % 300;
  const std::string path = std::string(reinterpret_cast<const char*>(data + 2), size - 2).c_str();
  if (PathRootLength(path.c_str()) > path.size()) __builtin_trap();
  CheckSplit(path, first, second);

  // The path cut in two: a folder and a name to join, and a name to number.
  const std::string folder = path.substr(0, data[1] % (path.size() + 1)), name = path.substr(folder.size());
  char out[300];
  const std::string joined = folder + (folder.empty() || IsPathSeparator(folder.back()) ? "" : "\\") + name;
  const bool joins = !folder.empty() && joined.size() < first;
  if (JoinFolderAndName(folder.c_str(), name.c_str(), out, first) != joins || (joins ? joined : "") != out)
    __builtin_trap();
  // The number stands before the extension, or after a name without one (a leading dot starts it).
  const unsigned n = data[0] | (data[1] << 8);
  const size_t dot = name.rfind('.'), at = dot == std::string::npos || dot == 0 ? name.size() : dot;
  const std::string numbered = name.substr(0, at) + "." + std::to_string(n) + name.substr(at);
  const bool fits = !name.empty() && numbered.size() < second;
  if (NumberedFileName(name.c_str(), n, out, second) != fits || (fits ? numbered : "") != out) __builtin_trap();
}

}  // namespace


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckPathText(data, size);
  if (size == 0) return 0;
  size_t bufferSize = data[0];
  std::string path(reinterpret_cast<const char*>(data + 1), size - 1);
  path = path.c_str();
  const PathFolders folders = {"C:", "C:\\Program Files (x86)", "C:\\Windows", "C:\\Windows\\System32",
                               "C:\\Program Files", "C:\\Windows\\Sysnative"};

  std::vector<char> full(path.size() * 20 + 64);
  bool converted = ExpandPathVariables(path.c_str(), folders, full.data(), full.size());
  if (converted != (path.find_first_not_of('\\') != std::string::npos)) __builtin_trap();
  std::string expanded(full.data());
  if (expanded.size() >= full.size()) __builtin_trap();

  std::vector<char> buffer(bufferSize + 1, 'x');
  if (ExpandPathVariables(path.c_str(), folders, buffer.data(), bufferSize) != (bufferSize > 0 && converted))
    __builtin_trap();
  if (buffer[bufferSize] != 'x') __builtin_trap();
  if (bufferSize == 0) return 0;
  size_t length = strnlen(buffer.data(), bufferSize);
  if (length >= bufferSize) __builtin_trap();
  for (size_t i = length; i < bufferSize; i++)
    if (buffer[i] != '\0') __builtin_trap();
  if (expanded.compare(0, length, buffer.data()) != 0 || length != std::min(expanded.size(), bufferSize - 1))
    __builtin_trap();
  return 0;
}
