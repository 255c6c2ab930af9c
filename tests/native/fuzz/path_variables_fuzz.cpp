// Path expansion from arbitrary text into buffers of every size: always terminated within the
// buffer, the rest of it cleared, and the text the start of the expansion that a large buffer holds.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "settings/PathExpansion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
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
