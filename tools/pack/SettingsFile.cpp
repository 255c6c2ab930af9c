#include "SettingsFile.h"

#include "CodePages.h"
#include "ErrorText.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"

namespace {

// Far more than any settings file, and little enough to convert in memory.
constexpr DWORD kLargestSettings = 16u << 20;

DWORD ReadWhole(const std::string& path, std::vector<uint8_t>& bytes) {
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return GetLastError();
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) return GetLastError();
  if (size.QuadPart > kLargestSettings) return ERROR_FILE_TOO_LARGE;
  bytes.resize(static_cast<size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
    return GetLastError();
  bytes.resize(read);
  return 0;
}

}  // namespace

DWORD SettingsFile::Load(const std::string& path, const std::string& shown, std::string& error) {
  m_path = path;
  m_ansiPath = Utf8ToAnsi(path);
  std::vector<uint8_t> bytes;
  DWORD result = ReadWhole(path, bytes);
  if (result == ERROR_FILE_TOO_LARGE) {
    error = "the settings file " + Quoted(shown) + " is larger than " + std::to_string(kLargestSettings >> 20) +
            " MB: it is no settings file";
    return result;
  }
  if (result != 0) {
    error = "the settings file " + Quoted(shown) + " cannot be read (" + SystemMessage(result) + ")";
    return result;
  }
  SettingsText text;
  const bool read = ReadSettingsText(bytes.data(), bytes.size(), WindowsConversions(), text);
  m_encoding = text.encoding;
  m_markHidesFirstSection = text.markHidesFirstSection;
  m_embedded = std::move(text.embedded);
  if (!read && m_encoding == TextEncoding::kNotText) {
    error = "the settings file " + Quoted(shown) + " holds NUL bytes and no UTF-16 byte-order mark: save it as " +
            "UTF-8, UTF-16 LE or ANSI";
    return ERROR_INVALID_DATA;
  }
  if (!read && m_encoding == TextEncoding::kUtf8Bom) {
    error = "the settings file " + Quoted(shown) + " begins with a UTF-8 byte-order mark, but byte " +
            std::to_string(text.badByte) + " is no UTF-8: save it again as UTF-8";
    return ERROR_INVALID_DATA;
  }
  if (!read) {
    error = "the settings file " + Quoted(shown) + " cannot be read as " + TextEncodingName(m_encoding) + " (" +
            SystemMessage(text.conversionError) + "): save it as UTF-8 or UTF-16 LE";
    return ERROR_INVALID_DATA;
  }
  m_converted = text.converted;
  // The profile functions take an ANSI path: a name the code page cannot spell is read through a copy.
  if (!m_converted && SpelledIn(CP_ACP, Utf8ToWide(path))) return 0;
  return WriteCopy(shown, error);
}

DWORD SettingsFile::WriteCopy(const std::string& shown, std::string& error) {
  DWORD result = m_copy.Write(m_embedded.data(), static_cast<DWORD>(m_embedded.size()));
  if (result != 0)
    error = "the settings file " + Quoted(shown) + " is " + TextEncodingName(m_encoding) +
            ", and its copy for reading cannot be written to the temporary folder (" + SystemMessage(result) + ")";
  return result;
}

std::string SettingsTextOfNames(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (ReadWhole(AnsiToUtf8(path), bytes) != 0) return "";
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) return std::string(bytes.begin(), bytes.end());
  const std::u16string wide = Utf16FromBytes(bytes.data(), bytes.size(), 2, false);
  const wchar_t* chars = reinterpret_cast<const wchar_t*>(wide.data());
  int n = WideCharToMultiByte(CP_ACP, 0, chars, static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, chars, static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
  return text;
}
