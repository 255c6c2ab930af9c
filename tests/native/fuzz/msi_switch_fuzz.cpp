// The switch search on arbitrary arguments: the word is terminated within the buffer, comes
// from the text after the switch (found in any letter case), and holds no blank unless it was
// quoted.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "install/MsiSwitch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t room = data[0] % 64 + 1;
  std::string arguments(reinterpret_cast<const char*>(data + 1), size - 1);
  arguments = arguments.c_str();
  std::vector<char> word(room + 1, 'x');
  int found = FindMsiSwitchWord(arguments.c_str(), word.data(), room);
  if (word[room] != 'x') __builtin_trap();  // nothing written past the buffer
  size_t length = strnlen(word.data(), room);
  if (length == room) __builtin_trap();  // always terminated inside
  std::string lowered = arguments;
  for (char& c : lowered)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (found < 0) {
    if (length != 0) __builtin_trap();
    for (const char* s : kMsiActionSwitches)
      if (lowered.find(s) != std::string::npos) __builtin_trap();
    return 0;
  }
  if (found > 5) __builtin_trap();
  size_t at = lowered.find(kMsiActionSwitches[found]);
  if (at == std::string::npos) __builtin_trap();
  std::string after = arguments.substr(at + strlen(kMsiActionSwitches[found]));
  std::string got(word.data(), length);
  if (after.find(got) == std::string::npos) __builtin_trap();
  if (!after.empty() && after[0] != '"' && got.find(' ') != std::string::npos) __builtin_trap();
  return 0;
}
