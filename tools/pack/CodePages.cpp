#include "CodePages.h"

#include <windows.h>

#include "BuiltInLanguage.h"

namespace {

uint32_t Widen(unsigned codePage, const uint8_t* bytes, size_t size, bool strict, std::u16string& wide) {
  wide.clear();
  if (size == 0) return 0;
  const char* text = reinterpret_cast<const char*>(bytes);
  const DWORD flags = strict ? MB_ERR_INVALID_CHARS : 0;
  int n = MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return GetLastError();
  wide.resize(static_cast<size_t>(n));
  if (MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), reinterpret_cast<wchar_t*>(&wide[0]), n) != n)
    return GetLastError();
  return 0;
}

}  // namespace

const TextConversions& WindowsConversions() {
  static const TextConversions conversions = {Widen, Utf8};
  return conversions;
}
