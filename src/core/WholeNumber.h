// Whole numbers written in the settings as the C runtime's atoi reads them.
#pragma once
#include <cstdint>

// The number at the start of text: white space skipped, an optional sign, decimal digits up to
// the first other character. No digits give 0 ("x1" and "" are 0); a number beyond 32 bits is
// held at INT32_MAX or INT32_MIN, as the Windows runtime's atoi does, rather than wrapping into
// an unrelated value. Null gives 0.
int32_t ParseSigned32(const char* text);
