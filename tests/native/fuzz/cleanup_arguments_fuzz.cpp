// The cleanup tool's arguments from arbitrary bytes, split at NUL into arguments: an accepted
// command line has letters among T, W and ! with T and W, and a braced upper-case product code
// that packs into 32 hex digits.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../../../tools/cleanup/CleanupArguments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> arguments;
  std::string current;
  for (size_t i = 0; i < size; i++) {
    if (data[i] == 0) {
      arguments.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 0) arguments.push_back(current);
  std::vector<const char*> argv;
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());

  CleanupRequest request;
  memset(&request, 'x', sizeof(request));
  CleanupArgumentError error = ParseCleanupArguments(static_cast<int>(argv.size()), argv.data(), request);
  if (CleanupArgumentErrorText(error) == nullptr) __builtin_trap();
  if (error != CleanupArgumentError::kNone) return 0;

  if (arguments.size() != 2) __builtin_trap();
  std::string letters = arguments[0];
  std::transform(letters.begin(), letters.end(), letters.begin(), ::toupper);
  if (letters.find_first_not_of("TW!") != std::string::npos) __builtin_trap();
  if (letters.find('T') == std::string::npos || letters.find('W') == std::string::npos) __builtin_trap();

  std::string code(request.productCode, strnlen(request.productCode, sizeof(request.productCode)));
  if (code.size() != kProductCodeLength || !IsBracedGuid(code.c_str())) __builtin_trap();
  if (code.find_first_of("abcdef") != std::string::npos) __builtin_trap();
  if (strcasecmp(code.c_str(), arguments[1].c_str()) != 0) __builtin_trap();

  char packed[kPackedGuidLength + 1];
  if (!PackGuid(code.c_str(), packed) || strlen(packed) != kPackedGuidLength) __builtin_trap();
  return 0;
}
