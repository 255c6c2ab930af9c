// Version comparison of arbitrary texts: the result is one of the three comparison results, a
// version with a field equals itself, and swapping two versions that both have fields swaps the
// answer.
#include <cstdint>
#include <string>
#include <vector>

#include "core/SplitString.h"
#include "settings/ProductVersion.h"

static bool HasField(const std::string& text) {
  std::vector<std::string> fields;
  return SplitString(text.c_str(), ".", fields) > 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  size_t cut = input.find('\n');
  std::string package = input.substr(0, cut).c_str();
  std::string installed = cut == std::string::npos ? std::string() : input.substr(cut + 1).c_str();

  int result = CompareProductVersions(package.c_str(), installed.c_str());
  if (result < kProductOlderInstalled || result > kProductNewerInstalled) __builtin_trap();
  if (HasField(package) && CompareProductVersions(package.c_str(), package.c_str()) != kProductSameInstalled)
    __builtin_trap();
  if (HasField(package) && HasField(installed) &&
      CompareProductVersions(installed.c_str(), package.c_str()) != -result)
    __builtin_trap();
  return 0;
}
