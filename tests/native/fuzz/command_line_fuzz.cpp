// Feeds arbitrary command lines to the parser: it must never read or write out of bounds and
// every stored value must stay within its buffer; written for a resume, it reads back the same.
// The same bytes as the process's whole command line: what follows the program's name is a
// piece of it without blanks before it, and after a quoted name it is all that follows.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/CommandLine.h"

namespace {
struct Parsed : BootstrapperCommandLine {
  explicit Parsed(const char* commandLine) : BootstrapperCommandLine(commandLine) { Parse(); }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.c_str();  // the process's command line is terminated text
  const char* arguments = ArgumentsAfterProgramName(text.c_str());
  const size_t quote = std::min(text.find('"'), text.size());
  const auto rest = std::find_if(text.begin() + quote, text.end(), [](unsigned char c) { return c > ' '; });
  if (arguments < text.c_str() || arguments > text.c_str() + text.size() || (*arguments > 0 && *arguments <= ' ') ||
      ArgumentsAfterProgramName(("\"C:\\" + text.substr(0, quote) + "\" " + text.substr(quote)).c_str()) !=
          std::string(rest, text.end()))
    __builtin_trap();
  Parsed parsed(text.c_str());
  if (strlen(parsed.m_szLogPath) > 259 || strlen(parsed.m_szTypeName) > 99 ||
      strlen(parsed.m_szExtractSettingsPath) > 259 || strlen(parsed.m_szReplaceSettingsPath) > 259)
    __builtin_trap();
  if (parsed.Has(kOptPassthru) == parsed.m_PassThrough.empty()) __builtin_trap();
  std::string written;
  if (!parsed.WithStoredPaths(written)) __builtin_trap();
  Parsed again(written.c_str());
  if (again.m_dwFlags != parsed.m_dwFlags || strcmp(again.m_szLogPath, parsed.m_szLogPath) != 0 ||
      strcmp(again.m_szReplaceSettingsPath, parsed.m_szReplaceSettingsPath) != 0 ||
      strcmp(again.m_szExtractSettingsPath, parsed.m_szExtractSettingsPath) != 0)
    __builtin_trap();
  return 0;
}
