#include "SettingsEncoding.h"

#include <cstring>

namespace {

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed sequence at bytes[0], or 0.
size_t SequenceLength(const uint8_t* bytes, size_t size) {
  const uint8_t lead = bytes[0];
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80, high = 0xBF;  // the range of the second byte, which rules out long forms
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // U+D800 to U+DFFF are surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (size < length || bytes[1] < low || bytes[1] > high) return 0;
  for (size_t i = 2; i < length; i++)
    if (!IsContinuation(bytes[i])) return 0;
  return length;
}

bool StartsWith(const uint8_t* bytes, size_t size, const uint8_t* prefix, size_t length) {
  return size >= length && memcmp(bytes, prefix, length) == 0;
}

}  // namespace

size_t Utf8ErrorOffset(const uint8_t* bytes, size_t size) {
  for (size_t at = 0; at < size;) {
    size_t length = SequenceLength(bytes + at, size - at);
    if (length == 0) return at;
    at += length;
  }
  return size;
}

TextEncoding DetectTextEncoding(const uint8_t* bytes, size_t size) {
  static const uint8_t kLittle[] = {0xFF, 0xFE}, kBig[] = {0xFE, 0xFF};
  if (StartsWith(bytes, size, kLittle, sizeof(kLittle))) return TextEncoding::kUtf16Le;
  if (StartsWith(bytes, size, kBig, sizeof(kBig))) return TextEncoding::kUtf16Be;
  if (StartsWith(bytes, size, kUtf8Bom, sizeof(kUtf8Bom))) return TextEncoding::kUtf8Bom;
  bool ascii = true;
  for (size_t i = 0; i < size; i++) {
    if (bytes[i] == 0) return TextEncoding::kNotText;
    if (bytes[i] >= 0x80) ascii = false;
  }
  if (ascii) return TextEncoding::kAscii;
  return Utf8ErrorOffset(bytes, size) == size ? TextEncoding::kUtf8 : TextEncoding::kAnsi;
}

EncodingMix FindEncodingMix(const uint8_t* bytes, size_t size) {
  EncodingMix mix;
  size_t line = 1;
  for (size_t start = 0; start < size; line++) {
    const uint8_t* end = static_cast<const uint8_t*>(memchr(bytes + start, '\n', size - start));
    size_t length = end != nullptr ? static_cast<size_t>(end - bytes) - start : size - start;
    bool beyondAscii = false;
    for (size_t i = start; i < start + length && !beyondAscii; i++) beyondAscii = bytes[i] >= 0x80;
    if (beyondAscii) {
      size_t& first = Utf8ErrorOffset(bytes + start, length) == length ? mix.utf8Line : mix.otherLine;
      if (first == 0) first = line;
    }
    start += length + 1;
  }
  if (mix.otherLine == 0 || mix.utf8Line == 0) mix = EncodingMix();
  return mix;
}

size_t LineAt(const uint8_t* bytes, size_t offset) {
  size_t line = 1;
  for (size_t i = 0; i < offset; i++) line += bytes[i] == '\n' ? 1 : 0;
  return line;
}

const char* TextEncodingName(TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kAscii:
      return "ASCII";
    case TextEncoding::kUtf8:
      return "UTF-8";
    case TextEncoding::kUtf8Bom:
      return "UTF-8 with BOM";
    case TextEncoding::kUtf16Le:
      return "UTF-16 LE";
    case TextEncoding::kUtf16Be:
      return "UTF-16 BE";
    case TextEncoding::kAnsi:
      return "ANSI";
    case TextEncoding::kNotText:
      break;
  }
  return "no text";
}

std::u16string Utf16FromBytes(const uint8_t* bytes, size_t size, size_t skip, bool bigEndian) {
  std::u16string wide;
  wide.reserve(size / 2);
  for (size_t i = skip; i + 1 < size; i += 2)
    wide += static_cast<char16_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1] : bytes[i] | (bytes[i + 1] << 8));
  return wide;
}

bool ReadSettingsText(const uint8_t* bytes, size_t size, const TextConversions& convert, SettingsText& text) {
  text = SettingsText();
  text.encoding = DetectTextEncoding(bytes, size);
  std::u16string wide;
  switch (text.encoding) {
    case TextEncoding::kAscii:
    case TextEncoding::kUtf16Le:
      text.embedded.assign(bytes, bytes + size);
      return true;
    case TextEncoding::kNotText:
      return false;
    case TextEncoding::kUtf8Bom: {
      const uint8_t* rest = bytes + sizeof(kUtf8Bom);
      const size_t length = size - sizeof(kUtf8Bom);
      text.badByte = sizeof(kUtf8Bom) + Utf8ErrorOffset(rest, length);
      if (text.badByte != size || convert.widen(kUtf8CodePage, rest, length, true, wide) != 0) return false;
      size_t first = 0;
      while (first < length && (rest[first] == ' ' || rest[first] == '\t')) first++;
      text.markHidesFirstSection = first < length && rest[first] == '[';
      break;
    }
    case TextEncoding::kUtf8:
    case TextEncoding::kAnsi:
      // ANSI as the profile functions read it: in the code page of this Windows.
      text.conversionError = convert.widen(text.encoding == TextEncoding::kUtf8 ? kUtf8CodePage : kAnsiCodePage,
                                           bytes, size, true, wide);
      if (text.conversionError != 0) return false;
      break;
    case TextEncoding::kUtf16Be:
      wide = Utf16FromBytes(bytes, size, 2, true);
      break;
  }
  static const uint8_t kUtf16LeMark[] = {0xFF, 0xFE};
  text.embedded.assign(kUtf16LeMark, kUtf16LeMark + sizeof(kUtf16LeMark));
  for (char16_t c : wide) {
    text.embedded.push_back(static_cast<uint8_t>(c & 0xFF));
    text.embedded.push_back(static_cast<uint8_t>(c >> 8));
  }
  text.converted = true;
  return true;
}
