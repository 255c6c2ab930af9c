#include "core/CommandLine.h"

#include <algorithm>
#include <cstring>

#include "core/BoundedString.h"
#include "core/SetupTypeName.h"
#include "core/SplitString.h"

const char* ArgumentsAfterProgramName(const char* commandLine) {
  if (commandLine == nullptr) return "";
  const unsigned char* at = reinterpret_cast<const unsigned char*>(commandLine);
  bool quoted = false;
  for (; *at > ' ' || (*at != '\0' && quoted); at++)
    if (*at == '"') quoted = !quoted;
  while (*at != '\0' && *at <= ' ') at++;
  return reinterpret_cast<const char*>(at);
}

size_t OptionLength(const char* text) {
  const char* at = text;
  while (*at != '\0' && *at != '/' && *at != '-') {
    const char* partner = *at == '"' ? strchr(at + 1, '"') : nullptr;
    at = partner != nullptr ? partner + 1 : at + 1;
  }
  return static_cast<size_t>(at - text);
}

CommandLineParser::CommandLineParser(const char* commandLine) {
  if (commandLine != nullptr && commandLine[0] != '\0') {
    m_copy = commandLine;
    m_hasCopy = true;
  }
}

void CommandLineParser::Parse() {
  if (!m_hasCopy) return;
  for (const char* at = m_copy.c_str(); *at != '\0';) {
    const size_t length = OptionLength(at);
    if (length == 0) {  // the "/" or "-" that starts an option
      at++;
      continue;
    }
    const std::string token(at, length);
    at += length;
    size_t space = token.find(' ');
    if (space == std::string::npos) {
      HandleOption(token.c_str(), nullptr);
      continue;
    }
    std::string name = token.substr(0, space);
    std::string value = token.substr(space + 1);
    HandleOption(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
}

void RemoveBlanks(char* text) {
  if (text == nullptr) return;
  size_t start = 0;
  while (text[start] == ' ') start++;
  size_t len = strlen(text + start);
  while (len > 0 && text[start + len - 1] == ' ') len--;
  memmove(text, text + start, len);
  text[len] = '\0';
}

void UnquoteSpaces(char* text) {
  if (text == nullptr || text[0] != '"') return;
  size_t len = strlen(text);
  if (text[len - 1] != '"') return;
  // A lone quote is its own opening and closing quote.
  size_t inner = len >= 2 ? len - 2 : 0;
  memmove(text, text + 1, inner);
  text[inner] = '\0';
}

namespace {

bool EqualsIgnoreCase(const char* a, const char* b) {
  for (;; a++, b++) {
    unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
    if (ca >= 'A' && ca <= 'Z') ca = static_cast<unsigned char>(ca - 'A' + 'a');
    if (cb >= 'A' && cb <= 'Z') cb = static_cast<unsigned char>(cb - 'A' + 'a');
    if (ca != cb) return false;
    if (ca == '\0') return true;
  }
}

// A path value: cut to 259 characters, blanks stripped, one pair of enclosing quotes removed.
template <size_t N>
void StorePath(char (&field)[N], const char* value) {
  CopyCut(field, value, 259);
  RemoveBlanks(field);
  UnquoteSpaces(field);
}

}  // namespace

void BootstrapperCommandLine::HandleOption(const char* name, const char* value) {
  if (name == nullptr || name[0] == '\0') return;
  if (!HandleKnownOption(name, value)) m_UnknownOptions.push_back(name);
}

bool BootstrapperCommandLine::HandleKnownOption(const char* name, const char* value) {
  switch (name[0]) {
    case '?':
      m_dwFlags |= kOptHelp;
      return true;
    case 'h': case 'H':
      if (!EqualsIgnoreCase(name, "help")) return false;
      m_dwFlags |= kOptHelp;
      return true;
    case 'l': case 'L':
      if (!EqualsIgnoreCase(name, "log")) return false;
      m_dwFlags |= kOptLog;
      if (value != nullptr) StorePath(m_szLogPath, value);
      return true;
    case 'e': case 'E':
      if (!EqualsIgnoreCase(name, "ExtractSettings")) return false;
      m_dwFlags |= kOptExtractSettings;
      if (value != nullptr) StorePath(m_szExtractSettingsPath, value);
      return true;
    case 'r': case 'R':
      if (!EqualsIgnoreCase(name, "ReplaceSettings")) return false;
      m_dwFlags |= kOptReplaceSettings;
      if (value != nullptr) StorePath(m_szReplaceSettingsPath, value);
      return true;
    case 'n': case 'N':
      if (EqualsIgnoreCase(name, "NoWelcomeDlg")) m_dwFlags |= kOptNoWelcomeDlg;
      else if (EqualsIgnoreCase(name, "NoWelcomeWave")) m_dwFlags |= kOptNoWelcomeWave;
      else return false;
      return true;
    case 't': case 'T':
      if (!EqualsIgnoreCase(name, "Type")) return false;
      m_dwFlags |= kOptType;
      if (value != nullptr) {
        // Deployment tools quote every value; no section name holds quotes.
        CopyCut(m_szTypeName, value, kSetupTypeChars);
        RemoveBlanks(m_szTypeName);
        UnquoteSpaces(m_szTypeName);
      }
      return true;
    case 'm': case 'M':
      if (!EqualsIgnoreCase(name, "morehelp")) return false;
      m_dwFlags |= kOptMoreHelp;
      return true;
    case 'p': case 'P':
      if (!EqualsIgnoreCase(name, "passthru")) return false;
      StorePassThrough(value);
      return true;
    case 'a': case 'A':
      if (!EqualsIgnoreCase(name, "allowxddm")) return false;
      m_dwFlags |= kOptAllowXddm;
      return true;
    case 'q': case 'Q':
      if (EqualsIgnoreCase(name, "q")) m_dwFlags |= kOptQuiet;
      else if (EqualsIgnoreCase(name, "quiet")) m_dwFlags |= kOptQuietRun;
      else return false;
      return true;
    case 'u': case 'U':
      if (!EqualsIgnoreCase(name, "UILanguage")) return false;
      m_dwFlags |= kOptUILanguage;
      if (value != nullptr) {
        CopyCut(m_szUILanguage, value);
        RemoveBlanks(m_szUILanguage);
        UnquoteSpaces(m_szUILanguage);
      }
      return true;
    default:
      return false;
  }
}

bool BootstrapperCommandLine::WithStoredPaths(std::string& out, bool* logPathDropped) const {
  out.clear();
  if (logPathDropped != nullptr) *logPathDropped = false;
  const char* text = GetCommandLineCopy();
  if (text == nullptr) return true;
  const struct {
    const char* name;
    const char* field;
  } paths[] = {{"log", m_szLogPath}, {"ReplaceSettings", m_szReplaceSettingsPath},
               {"ExtractSettings", m_szExtractSettingsPath}};
  // A quote without a partner would pair with one written here, and join what follows it.
  const bool quotesPaired = std::count(text, text + strlen(text), '"') % 2 == 0;
  // Tokens and delimiters as Parse splits them; the delimiters are copied as they are.
  while (*text != '\0') {
    size_t length = OptionLength(text);
    if (length == 0) {
      out += *text++;
      continue;
    }
    std::string token(text, length);
    text += length;
    size_t space = token.find(' ');
    const char* field = nullptr;
    for (const auto& path : paths)
      if (space != std::string::npos && EqualsIgnoreCase(token.substr(0, space).c_str(), path.name)) field = path.field;
    // The value as the field stored it from this token.
    char typed[260] = {};
    if (field != nullptr) StorePath(typed, token.c_str() + space + 1);
    if (field == nullptr || field[0] == '\0' || typed[0] == '\0' || strcmp(typed, field) == 0) {
      out += token;
      continue;
    }
    // The blanks around the typed value stay, so that nothing else of the line moves.
    size_t first = token.find_first_not_of(' ', space + 1);
    size_t last = token.find_last_not_of(' ');
    const bool quote = strpbrk(field, " /-") != nullptr;
    if (strchr(field, '"') != nullptr || (quote && !quotesPaired)) {
      // Relative, a settings file would be looked for where the resumed run starts, and might
      // be another; a log may go to the default file instead.
      if (field != m_szLogPath) return false;
      if (logPathDropped != nullptr) *logPathDropped = true;
      out += token.substr(0, space) + token.substr(last + 1);
      continue;
    }
    out += token.substr(0, first);
    out += quote ? "\"" + std::string(field) + "\"" : std::string(field);
    out += token.substr(last + 1);
  }
  return true;
}

// "<Installer1[,Installer2...]>@<Command>": the command is added to each named installer's list.
void BootstrapperCommandLine::StorePassThrough(const char* value) {
  if (value == nullptr) return;
  std::vector<std::string> halves;
  if (SplitString(value, "@", halves) != 2) return;
  std::vector<std::string> names;
  if (SplitString(halves[0].c_str(), ",", names) == 0) names.push_back(halves[0]);
  for (const std::string& installer : names) m_PassThrough.emplace_back(installer, halves[1]);
  m_dwFlags |= kOptPassthru;
}
