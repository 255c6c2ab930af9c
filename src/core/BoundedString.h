// Copying, appending and formatting into fixed character buffers: values are cut at the
// buffer's size (or a smaller limit) and always terminated; nothing is ever written past it.
#pragma once
#include <cstdarg>
#include <cstddef>

// Formats are checked against the formatter that runs them: on Windows the system's C runtime,
// which knows no C99 forms such as %zu.
#if defined(__MINGW32__)
#define BOUNDED_FORMAT(formatArg, firstArg) __attribute__((format(ms_printf, formatArg, firstArg)))
#elif defined(__GNUC__)
#define BOUNDED_FORMAT(formatArg, firstArg) __attribute__((format(printf, formatArg, firstArg)))
#else
#define BOUNDED_FORMAT(formatArg, firstArg)
#endif

namespace bounded {

// Copies at most min(limit, size - 1) characters of src; returns the length written.
size_t Copy(char* dst, size_t size, const char* src, size_t limit = static_cast<size_t>(-1));
// Appends so that the whole text stays within min(limit, size - 1) characters.
size_t Append(char* dst, size_t size, const char* src, size_t limit = static_cast<size_t>(-1));
// Appends the whole of src, or nothing when it does not fit in size - 1 characters: for what a
// cut would change the meaning of (a property of a command line). Returns whether it appended.
bool AppendWhole(char* dst, size_t size, const char* src);
// printf-style formatting cut at size - 1 characters; returns the length written.
size_t FormatV(char* dst, size_t size, const char* format, va_list args);
size_t Format(char* dst, size_t size, const char* format, ...) BOUNDED_FORMAT(3, 4);

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
inline bool AppendWhole(char (&dst)[N], const char* src) {
  return bounded::AppendWhole(dst, N, src);
}

template <size_t N>
BOUNDED_FORMAT(2, 3)
inline size_t FormatCut(char (&dst)[N], const char* format, ...) {
  va_list args;
  va_start(args, format);
  size_t n = bounded::FormatV(dst, N, format, args);
  va_end(args);
  return n;
}
