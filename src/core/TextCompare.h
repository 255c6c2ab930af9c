// Keyword comparisons that ignore the case of ASCII letters, the same on every platform.
#pragma once
#include <cstddef>

inline char LowerAsciiChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// True when both texts are equal apart from the case of ASCII letters; null equals nothing.
inline bool EqualsIgnoreCase(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (; *a != '\0' && *b != '\0'; a++, b++)
    if (LowerAsciiChar(*a) != LowerAsciiChar(*b)) return false;
  return *a == *b;
}

// True when text begins with prefix, apart from the case of ASCII letters.
inline bool StartsWithIgnoreCase(const char* text, const char* prefix) {
  if (text == nullptr || prefix == nullptr) return false;
  for (; *prefix != '\0'; text++, prefix++)
    if (LowerAsciiChar(*text) != LowerAsciiChar(*prefix)) return false;  // the terminator matches no letter
  return true;
}
