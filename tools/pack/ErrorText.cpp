#include "ErrorText.h"

#include "Utf8Text.h"

std::string SystemMessage(DWORD code) {
  wchar_t text[512] = {};
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           sizeof(text) / sizeof(text[0]), nullptr);
  while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' || text[n - 1] == L'.'))
    text[--n] = L'\0';
  return n > 0 ? "error " + std::to_string(code) + ": " + WideToUtf8(text, n) : "error " + std::to_string(code);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
