#include "core/BoundedString.h"

#include <cstdio>
#include <cstring>

namespace bounded {

static size_t Capacity(size_t size, size_t limit) { return size - 1 < limit ? size - 1 : limit; }

size_t Copy(char* dst, size_t size, const char* src, size_t limit) {
  if (dst == nullptr || size == 0) return 0;
  size_t cap = Capacity(size, limit);
  size_t n = 0;
  if (src != nullptr) {
    while (n < cap && src[n] != '\0') n++;
    memmove(dst, src, n);
  }
  dst[n] = '\0';
  return n;
}

size_t Append(char* dst, size_t size, const char* src, size_t limit) {
  if (dst == nullptr || size == 0) return 0;
  size_t cap = Capacity(size, limit);
  size_t len = strnlen(dst, size - 1);
  if (len >= cap) {
    dst[len < size ? len : size - 1] = '\0';
    return len;
  }
  if (src != nullptr) {
    while (len < cap && *src != '\0') dst[len++] = *src++;
  }
  dst[len] = '\0';
  return len;
}

bool AppendWhole(char* dst, size_t size, const char* src) {
  if (dst == nullptr || size == 0) return false;
  size_t len = strnlen(dst, size - 1);
  size_t add = src != nullptr ? strlen(src) : 0;
  if (add > size - 1 - len) return false;
  memcpy(dst + len, src, add);
  dst[len + add] = '\0';
  return true;
}

size_t FormatV(char* dst, size_t size, const char* format, va_list args) {
  if (dst == nullptr || size == 0) return 0;
  dst[0] = '\0';
  if (format == nullptr) return 0;
  // Some C runtimes leave a cut result unterminated and return -1: terminate it here.
#if defined(_WIN32)
  // Windows' own C runtime: the compiler's C99 formatter would add 20 KB of floating-point code to
  // the engine, which formats only texts and integers.
  int n = _vsnprintf(dst, size, format, args);
#else
  int n = vsnprintf(dst, size, format, args);
#endif
  dst[size - 1] = '\0';
  if (n < 0 || static_cast<size_t>(n) >= size) return strlen(dst);
  return static_cast<size_t>(n);
}

size_t Format(char* dst, size_t size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = FormatV(dst, size, format, args);
  va_end(args);
  return n;
}

}  // namespace bounded
