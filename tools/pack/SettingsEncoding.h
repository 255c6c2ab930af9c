// How a settings file is encoded, told from its bytes, for the encodings Notepad saves. Windows'
// profile functions read ANSI and UTF-16 LE with a byte-order mark only, so PendrixPack takes
// every other text apart by its bytes and embeds it as UTF-16 LE. Portable.
#pragma once
#include <cstddef>
#include <cstdint>

enum class TextEncoding {
  kAscii,    // 7-bit bytes only: the same text in every encoding
  kUtf8,     // valid UTF-8 with a byte above 127, without a byte-order mark
  kUtf8Bom,  // begins with EF BB BF; the rest should be UTF-8
  kUtf16Le,  // begins with FF FE
  kUtf16Be,  // begins with FE FF
  kAnsi,     // any other bytes without a NUL: the ANSI code page
  kNotText,  // a NUL byte without a UTF-16 byte-order mark (UTF-16 without one, or no text at all)
};

inline constexpr uint8_t kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

// Where the first byte that is no well-formed UTF-8 lies: a sequence in its shortest form, no
// surrogate, nothing above U+10FFFF. Returns size when every byte is well formed.
size_t Utf8ErrorOffset(const uint8_t* bytes, size_t size);

TextEncoding DetectTextEncoding(const uint8_t* bytes, size_t size);

// A text without a byte-order mark in which one line holds UTF-8 beyond ASCII and another is no
// UTF-8: a UTF-8 file with a line saved or pasted in another encoding. The first line that is no
// UTF-8 and the first that holds such UTF-8, counted from 1; both 0 when the text is not mixed
// (UTF-8 throughout, or no line of it UTF-8 beyond ASCII, as an ANSI file).
struct EncodingMix {
  size_t otherLine = 0;
  size_t utf8Line = 0;
};
EncodingMix FindEncodingMix(const uint8_t* bytes, size_t size);

// The line, counted from 1, that holds the byte at `offset`.
size_t LineAt(const uint8_t* bytes, size_t offset);

// The encoding's name as Notepad's Save As dialog offers it.
const char* TextEncodingName(TextEncoding encoding);
