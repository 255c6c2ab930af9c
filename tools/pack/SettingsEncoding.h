// How a settings file is encoded, told from its bytes, for the encodings Notepad saves. Windows'
// profile functions read ANSI and UTF-16 LE with a byte-order mark only, so PendrixPack takes
// every other text apart by its bytes and embeds it as UTF-16 LE. Portable.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// Windows' code-page conversions, which the portable readers are handed: MultiByteToWideChar
// and WideCharToMultiByte on Windows (CodePages.h), a stand-in in the native tests.
struct TextConversions {
  // Bytes of a code page to UTF-16: 0, or the Windows error code, such as a byte that is no
  // character of the code page when `strict` is set.
  uint32_t (*widen)(unsigned codePage, const uint8_t* bytes, size_t size, bool strict, std::u16string& wide);
  // UTF-16 to UTF-8.
  std::string (*utf8)(const std::u16string& text);
};
inline constexpr unsigned kAnsiCodePage = 0;  // the ANSI code page of this Windows
inline constexpr unsigned kUtf8CodePage = 65001;

// UTF-16 from bytes in either order, after a byte-order mark of `skip` bytes; an odd last byte,
// half a character, is left out.
std::u16string Utf16FromBytes(const uint8_t* bytes, size_t size, size_t skip, bool bigEndian);

// A settings file as the package carries it: pure ASCII and UTF-16 LE as they are, any other
// text as UTF-16 LE with a byte-order mark, which Windows' profile functions read on any machine.
struct SettingsText {
  TextEncoding encoding = TextEncoding::kAscii;
  std::vector<uint8_t> embedded;
  bool converted = false;
  // A UTF-8 byte-order mark on the line of the first section header: Windows reads it as part
  // of the line, and that section is lost to a package that reads the file beside it.
  bool markHidesFirstSection = false;
  size_t badByte = 0;            // after a UTF-8 mark, where the bytes stop being UTF-8
  uint32_t conversionError = 0;  // why UTF-8 or ANSI without a mark did not convert
};

// False when the bytes are no text: NUL bytes without a UTF-16 mark, no UTF-8 after a UTF-8
// mark, or bytes that are no characters of the encoding they were told to be in.
bool ReadSettingsText(const uint8_t* bytes, size_t size, const TextConversions& convert, SettingsText& text);
