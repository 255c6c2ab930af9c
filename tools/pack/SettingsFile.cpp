#include "SettingsFile.h"

#include "ErrorText.h"
#include "Utf8Text.h"
#include "core/HandleOwner.h"

namespace {

// Far more than any settings file, and little enough to convert in memory.
constexpr DWORD kLargestSettings = 16u << 20;
const uint8_t kUtf16LeMark[] = {0xFF, 0xFE};

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

void AppendUtf16Le(const std::wstring& text, std::vector<uint8_t>& out) {
  out.assign(kUtf16LeMark, kUtf16LeMark + sizeof(kUtf16LeMark));
  for (wchar_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
  }
}

// Text in a code page to UTF-16; with MB_ERR_INVALID_CHARS an ill-formed byte fails the call.
bool Widen(UINT codePage, DWORD flags, const uint8_t* bytes, size_t size, std::wstring& wide) {
  wide.clear();
  if (size == 0) return true;
  const char* text = reinterpret_cast<const char*>(bytes);
  int n = MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<size_t>(n));
  return MultiByteToWideChar(codePage, flags, text, static_cast<int>(size), &wide[0], n) == n;
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
  m_encoding = DetectTextEncoding(bytes.data(), bytes.size());
  std::wstring wide;
  switch (m_encoding) {
    case TextEncoding::kAscii:
    case TextEncoding::kUtf16Le:
      m_embedded = std::move(bytes);
      // The profile functions take an ANSI path: a name the code page cannot spell is read through a copy.
      return SpelledIn(CP_ACP, Utf8ToWide(path)) ? 0 : WriteCopy(shown, error);
    case TextEncoding::kNotText:
      error = "the settings file " + Quoted(shown) + " holds NUL bytes and no UTF-16 byte-order mark: save it as " +
              "UTF-8, UTF-16 LE or ANSI";
      return ERROR_INVALID_DATA;
    case TextEncoding::kUtf8Bom: {
      const uint8_t* text = bytes.data() + sizeof(kUtf8Bom);
      size_t size = bytes.size() - sizeof(kUtf8Bom);
      size_t bad = Utf8ErrorOffset(text, size);
      if (bad != size || !Widen(CP_UTF8, MB_ERR_INVALID_CHARS, text, size, wide)) {
        error = "the settings file " + Quoted(shown) + " begins with a UTF-8 byte-order mark, but byte " +
                std::to_string(bad + sizeof(kUtf8Bom)) + " is no UTF-8: save it again as UTF-8";
        return ERROR_INVALID_DATA;
      }
      size_t first = 0;
      while (first < size && (text[first] == ' ' || text[first] == '\t')) first++;
      m_markHidesFirstSection = first < size && text[first] == '[';
      break;
    }
    case TextEncoding::kUtf8:
    case TextEncoding::kAnsi:
      // ANSI as the profile functions read it: in the code page of this Windows.
      if (!Widen(m_encoding == TextEncoding::kUtf8 ? CP_UTF8 : CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(),
                 bytes.size(), wide)) {
        DWORD code = GetLastError();
        error = "the settings file " + Quoted(shown) + " cannot be read as " + TextEncodingName(m_encoding) + " (" +
                SystemMessage(code) + "): save it as UTF-8 or UTF-16 LE";
        return ERROR_INVALID_DATA;
      }
      break;
    case TextEncoding::kUtf16Be:
      for (size_t i = 2; i + 1 < bytes.size(); i += 2) wide += static_cast<wchar_t>((bytes[i] << 8) | bytes[i + 1]);
      break;
  }
  AppendUtf16Le(wide, m_embedded);
  m_converted = true;
  return WriteCopy(shown, error);
}

DWORD SettingsFile::WriteCopy(const std::string& shown, std::string& error) {
  DWORD result = m_copy.Write(m_embedded.data(), static_cast<DWORD>(m_embedded.size()));
  if (result != 0)
    error = "the settings file " + Quoted(shown) + " is " + TextEncodingName(m_encoding) +
            ", and its copy for reading cannot be written to the temporary folder (" + SystemMessage(result) + ")";
  return result;
}

std::string ReadSettingsText(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (ReadWhole(AnsiToUtf8(path), bytes) != 0) return "";
  if (bytes.size() < sizeof(kUtf16LeMark) || bytes[0] != kUtf16LeMark[0] || bytes[1] != kUtf16LeMark[1])
    return std::string(bytes.begin(), bytes.end());
  std::wstring wide;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) wide += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
  return text;
}
