// Lines for the console, formatted by the C runtime's own formatter (the one the compiler's
// library brings for printf would add some 20 KB to a tool that the language DLL carries).
#pragma once
#include <cstdarg>
#include <cstdio>

#include "core/BoundedString.h"

#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
inline void Print(FILE* stream, const char* format, ...) {
  char line[1600];
  va_list args;
  va_start(args, format);
  bounded::FormatV(line, sizeof(line), format, args);
  va_end(args);
  fputs(line, stream);
}
