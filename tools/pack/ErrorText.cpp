#include "ErrorText.h"

std::string SystemMessage(DWORD code) {
  char text[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                           sizeof(text), nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.'))
    text[--n] = '\0';
  return n > 0 ? "error " + std::to_string(code) + ": " + text : "error " + std::to_string(code);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }
