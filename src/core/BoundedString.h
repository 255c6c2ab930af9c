// Copying, appending and formatting into fixed character buffers: values are cut at the
// buffer's size (or a smaller limit) and always terminated; nothing is ever written past it.
#pragma once
#include <cstdarg>
#include <cstddef>

namespace bounded {

// Copies at most min(limit, size - 1) characters of src; returns the length written.
size_t Copy(char* dst, size_t size, const char* src, size_t limit = static_cast<size_t>(-1));
// Appends so that the whole text stays within min(limit, size - 1) characters.
size_t Append(char* dst, size_t size, const char* src, size_t limit = static_cast<size_t>(-1));
// printf-style formatting cut at size - 1 characters; returns the length written.
size_t FormatV(char* dst, size_t size, const char* format, va_list args);
size_t Format(char* dst, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

}  // namespace bounded

template <size_t N>
inline size_t CopyCut(char (&dst)[N], const char* src, size_t limit = N - 1) {
  return bounded::Copy(dst, N, src, limit);
}

template <size_t N>
inline size_t AppendCut(char (&dst)[N], const char* src, size_t limit = N - 1) {
  return bounded::Append(dst, N, src, limit);
}

template <size_t N>
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
inline size_t FormatCut(char (&dst)[N], const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = bounded::FormatV(dst, N, format, args);
  va_end(args);
  return n;
}
