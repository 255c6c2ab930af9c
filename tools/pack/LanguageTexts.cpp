#include "LanguageTexts.h"

#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "core/TextCompare.h"

namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// A key and its section as one text, under which every spelling of them in another case is the
// same (section and key are one line's, so no line break stands in them).
std::string FoldedName(const std::string& section, const std::string& key) {
  std::string name = section + "\n" + key;
  for (char& c : name) c = LowerAsciiChar(c);
  return name;
}

bool IsOneOf(char c, const char* set) { return c != '\0' && strchr(set, c) != nullptr; }

}  // namespace

std::string TextsAsUtf8(const std::vector<uint8_t>& bytes, const TextConversions& convert, unsigned ansiCodePage,
                        std::string& utf8, size_t& line) {
  line = 0;
  const TextEncoding encoding = DetectTextEncoding(bytes.data(), bytes.size());
  std::u16string wide;
  switch (encoding) {
    case TextEncoding::kAscii:
    case TextEncoding::kUtf8:
      utf8.assign(bytes.begin(), bytes.end());
      return "";
    case TextEncoding::kUtf8Bom: {
      const size_t rest = bytes.size() - sizeof(kUtf8Bom);
      const size_t bad = Utf8ErrorOffset(bytes.data() + sizeof(kUtf8Bom), rest);
      if (bad != rest) {
        line = LineAt(bytes.data(), bad + sizeof(kUtf8Bom));
        return "the file begins with a UTF-8 byte-order mark, but this line is no UTF-8: it was saved or pasted in "
               "another encoding; save the whole file again as UTF-8";
      }
      utf8.assign(bytes.begin() + sizeof(kUtf8Bom), bytes.end());
      return "";
    }
    case TextEncoding::kUtf16Le:
    case TextEncoding::kUtf16Be:
      utf8 = convert.utf8(Utf16FromBytes(bytes.data(), bytes.size(), 2, encoding == TextEncoding::kUtf16Be));
      return "";
    case TextEncoding::kAnsi: {
      // Read as ANSI, a UTF-8 file with one line in another encoding would show every other
      // line's letters as two or three wrong ones.
      const EncodingMix mix = FindEncodingMix(bytes.data(), bytes.size());
      if (mix.otherLine != 0) {
        line = mix.otherLine;
        return "this line is no UTF-8, while line " + std::to_string(mix.utf8Line) +
               " is: the file mixes encodings, as when a line is saved or pasted in another one; save the whole "
               "file as UTF-8";
      }
      convert.widen(ansiCodePage, bytes.data(), bytes.size(), false, wide);
      utf8 = convert.utf8(wide);
      return "";
    }
    case TextEncoding::kNotText:
      break;
  }
  return "it holds NUL bytes and no UTF-16 byte-order mark: save it as UTF-8, UTF-16 LE or ANSI";
}

std::string EscapeText(const std::string& text) {
  std::string value;
  for (size_t i = 0; i < text.size(); i++) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') i++;
      value += "\\n";
    } else if (c == '\\' && i + 1 < text.size() && IsOneOf(text[i + 1], "n\\\r\n")) {
      // What follows would make one escape of it: an n, another backslash, or the "\n" of a line break.
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
  std::unordered_set<std::string> seen;
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
    if (!seen.insert(FoldedName(section, key)).second) {
      problems.push_back({number, "[" + section + "] " + key + " is written again: only the first counts"});
      continue;
    }
    texts.push_back({section, key, UnescapeText(Trim(trimmed.substr(equals + 1))), number, kept, ""});
  }
  return texts;
}

std::string WriteLanguageTexts(const std::vector<LanguageText>& texts, const std::string& header) {
  // The texts of each section, the sections in the order first met.
  std::vector<std::vector<const LanguageText*>> sections;
  std::unordered_map<std::string, size_t> place;
  for (const LanguageText& text : texts) {
    auto found = place.emplace(text.section, sections.size());
    if (found.second) sections.emplace_back();
    sections[found.first->second].push_back(&text);
  }
  std::string out = header;
  for (const std::vector<const LanguageText*>& section : sections) {
    out += "\r\n[" + section.front()->section + "]\r\n";
    for (const LanguageText* each : section) {
      for (size_t start = 0; start < each->note.size();) {
        size_t end = each->note.find('\n', start);
        if (end == std::string::npos) end = each->note.size();
        out += "; " + each->note.substr(start, end - start) + "\r\n";
        start = end + 1;
      }
      if (each->kept) out += std::string("; ") + kKeepMark + "\r\n";
      out += each->key + "=" + EscapeText(each->text) + "\r\n";
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
