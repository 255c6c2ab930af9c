#include "LanguageTexts.h"

#include <cstring>

#include "core/TextCompare.h"

namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool SameKey(const LanguageText& a, const std::string& section, const std::string& key) {
  return EqualsIgnoreCase(a.section.c_str(), section.c_str()) && EqualsIgnoreCase(a.key.c_str(), key.c_str());
}

bool IsOneOf(char c, const char* set) { return c != '\0' && strchr(set, c) != nullptr; }

}  // namespace

std::string EscapeText(const std::string& text) {
  std::string value;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') i++;
      value += "\\n";
    } else if (c == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == '\\')) {
      value += "\\\\";
    } else {
      value += c;
    }
  }
  // Blanks and quotes at either end would be lost to the reader's trimming and unquoting.
  if (!value.empty() && (IsOneOf(value.front(), " \t\"") || IsOneOf(value.back(), " \t\"")))
    value = "\"" + value + "\"";
  return value;
}

std::string UnescapeText(const std::string& value) {
  std::string inner = value;
  if (inner.size() >= 2 && inner.front() == '"' && inner.back() == '"') inner = inner.substr(1, inner.size() - 2);
  std::string text;
  for (size_t i = 0; i < inner.size(); i++) {
    if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == 'n') {
      text += "\r\n";
      i++;
    } else if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == '\\') {
      text += '\\';
      i++;
    } else {
      text += inner[i];
    }
  }
  return text;
}

std::vector<LanguageText> ReadLanguageTexts(const std::string& utf8, std::vector<TextsProblem>& problems) {
  std::vector<LanguageText> texts;
  std::string section;
  int number = 0;
  bool keep = false;  // a "; keep" above the key to come
  for (size_t at = 0; at <= utf8.size();) {
    size_t end = utf8.find('\n', at);
    if (end == std::string::npos) end = utf8.size();
    std::string line = utf8.substr(at, end - at);
    at = end + 1;
    number++;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string trimmed = Trim(line);
    if (!trimmed.empty() && trimmed[0] == ';')
      keep = keep || EqualsIgnoreCase(Trim(trimmed.substr(1)).c_str(), kKeepMark);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    const bool kept = keep;
    keep = false;
    if (trimmed[0] == '[') {
      if (trimmed.back() != ']') {
        problems.push_back({number, "a section name without its closing \"]\""});
        section.clear();
        continue;
      }
      section = Trim(trimmed.substr(1, trimmed.size() - 2));
      continue;
    }
    size_t equals = trimmed.find('=');
    if (equals == std::string::npos) {
      problems.push_back({number, "neither a section, nor a key with \"=\", nor a comment: the line is ignored"});
      continue;
    }
    std::string key = Trim(trimmed.substr(0, equals));
    if (section.empty()) {
      problems.push_back({number, "the key \"" + key + "\" stands before any section: it is ignored"});
      continue;
    }
    bool again = false;
    for (const LanguageText& earlier : texts) again = again || SameKey(earlier, section, key);
    if (again) {
      problems.push_back({number, "[" + section + "] " + key + " is written again: only the first counts"});
      continue;
    }
    texts.push_back({section, key, UnescapeText(Trim(trimmed.substr(equals + 1))), number, kept, ""});
  }
  return texts;
}

std::string WriteLanguageTexts(const std::vector<LanguageText>& texts, const std::string& header) {
  std::string out = header;
  std::vector<std::string> written;
  for (const LanguageText& text : texts) {
    bool seen = false;
    for (const std::string& name : written) seen = seen || name == text.section;
    if (seen) continue;
    written.push_back(text.section);
    out += "\r\n[" + text.section + "]\r\n";
    for (const LanguageText& each : texts) {
      if (each.section != text.section) continue;
      for (size_t start = 0; start < each.note.size();) {
        size_t end = each.note.find('\n', start);
        if (end == std::string::npos) end = each.note.size();
        out += "; " + each.note.substr(start, end - start) + "\r\n";
        start = end + 1;
      }
      if (each.kept) out += std::string("; ") + kKeepMark + "\r\n";
      out += each.key + "=" + EscapeText(each.text) + "\r\n";
    }
  }
  return out;
}

std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      i++;
      continue;
    }
    size_t at = i + 1;
    std::string kind = "%";
    while (at < text.size() && IsOneOf(text[at], "-+ #0")) at++;
    if (at < text.size() && text[at] == '*') {
      kind += "*";
      at++;
    }
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') at++;
    if (at < text.size() && text[at] == '.') {
      at++;
      if (at < text.size() && text[at] == '*') {
        kind += ".*";
        at++;
      }
      while (at < text.size() && text[at] >= '0' && text[at] <= '9') at++;
    }
    for (const char* length : {"I64", "I32", "hh", "ll", "h", "l", "L", "I", "w", "j", "z", "t"}) {
      if (text.compare(at, strlen(length), length) == 0) {
        kind += length;
        at += strlen(length);
        break;
      }
    }
    // Without a conversion the percent sign stands for itself, and takes no argument.
    if (at >= text.size() || !IsOneOf(text[at], "diouxXcCsSpneEfgGaAZ")) continue;
    found.push_back(kind + text[at]);
    i = at;
  }
  return found;
}

std::string PlaceholderProblem(const std::string& builtIn, const std::string& translation) {
  const std::vector<std::string> wanted = Placeholders(builtIn);
  const std::vector<std::string> given = Placeholders(translation);
  if (wanted == given) return "";
  auto list = [](const std::vector<std::string>& placeholders) {
    if (placeholders.empty()) return std::string("none");
    std::string joined;
    for (const std::string& placeholder : placeholders) joined += (joined.empty() ? "" : " ") + placeholder;
    return joined;
  };
  return "its placeholders are " + list(given) + " where the built-in text has " + list(wanted) +
         ": the engine fills them in that order and kind, so the text would show garbage or stop the package (a "
         "percent sign of its own is written %%)";
}
