// Exit-code lists of an installer section ("3010|1641"): the "|" items of the list rule, each
// read as an unsigned decimal number.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The most codes a list keeps.
constexpr size_t kCodeListCapacity = 49;

// The number at the start of text as strtoul reads it with base 10 into a 32-bit unsigned long:
// white space skipped, an optional sign, digits up to the first other character. No digits
// give 0 ("0x643" is 0), a minus sign gives the two's complement ("-1" is 4294967295), and a
// number beyond 32 bits gives 4294967295. The same on every platform the rules build for.
uint32_t ParseUnsigned32(const char* text);

// Converts the items of a "|" list into codes, at most capacity of them, and returns how many
// were kept. Items beyond capacity are dropped, so that no reader of the list goes past it.
size_t ParseCodeList(const char* text, uint32_t* codes, size_t capacity);

// True when an item of a code list reads as the code it shows: blanks or tabs around it, an optional
// sign, and digits whose value fits in 32 bits. Anything else still converts ("0x643" is 0,
// "3010a" is 3010), but not to what a reader of the settings would expect.
bool IsPlainCode(const std::string& item);
