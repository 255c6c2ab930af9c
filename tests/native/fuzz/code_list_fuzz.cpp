// Code lists from arbitrary text: never more codes than room, and each code is the number at
// the start of its item.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/SplitString.h"
#include "settings/CodeList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t capacity = data[0] % 60;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  text = text.c_str();
  std::vector<uint32_t> codes(capacity + 1, 0xA5A5A5A5u);
  size_t count = ParseCodeList(text.c_str(), codes.data(), capacity);
  if (count > capacity || codes[capacity] != 0xA5A5A5A5u) __builtin_trap();
  std::vector<std::string> items;
  SplitString(text.c_str(), "|", items);
  if (count != (items.size() < capacity ? items.size() : capacity)) __builtin_trap();
  for (size_t i = 0; i < count; i++) {
    if (codes[i] != ParseUnsigned32(items[i].c_str())) __builtin_trap();
    // A plain run of up to nine digits reads as itself.
    const std::string& item = items[i];
    if (!item.empty() && item.size() <= 9 && item.find_first_not_of("0123456789") == std::string::npos &&
        codes[i] != static_cast<uint32_t>(std::stoul(item)))
      __builtin_trap();
  }
  return 0;
}
