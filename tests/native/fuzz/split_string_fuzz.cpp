// The list rule on arbitrary text: no empty token, no delimiter inside a token, and the
// tokens in order make up the text without its delimiters.
#include <cstdint>
#include <string>
#include <vector>

#include "core/SplitString.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string delimiters(1, static_cast<char>(data[0] == 0 ? '|' : data[0]));
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();  // the rule works on terminated text
  std::vector<std::string> tokens;
  size_t n = SplitString(text.c_str(), delimiters.c_str(), tokens);
  if (n != tokens.size()) __builtin_trap();
  std::string joined, stripped;
  for (const std::string& token : tokens) {
    if (token.empty() || token.find_first_of(delimiters) != std::string::npos) __builtin_trap();
    joined += token;
  }
  for (char c : text)
    if (delimiters.find(c) == std::string::npos) stripped += c;
  if (joined != stripped) __builtin_trap();
  return 0;
}
