#include "install/MsiSwitch.h"

#include <cstring>

#include "core/BoundedString.h"
#include "core/CommandLine.h"
#include "core/TextCompare.h"

const char* const kMsiActionSwitches[6] = {"/i ", "/package ", "/x ", "/uninstall ", "/p ", "/update "};

bool IsMsiexecRun(const char* file) { return file != nullptr && strstr(file, "msiexec") != nullptr; }

// The first place where needle occurs in text, the case of ASCII letters aside.
static const char* FindIgnoreCase(const char* text, const char* needle) {
  for (; *text != '\0'; text++)
    if (StartsWithIgnoreCase(text, needle)) return text;
  return nullptr;
}

// Where the word that starts at `start` ends. A property or a switch that follows the word is
// never part of it ("/i AI.msi PROP=1 /qn" names AI.msi), and a quoted name with blanks is
// whole even when nothing follows it ("/i \"my file.msi\"").
static const char* WordEnd(const char* start) {
  if (*start == '"') {
    const char* closing = strchr(start + 1, '"');
    return closing != nullptr ? closing + 1 : start + strlen(start);
  }
  if (const char* blank = strchr(start, ' ')) return blank;
  return start + strlen(start);
}

// The first switch in the order of the table, and where the word after it begins and ends.
static int LocateSwitchWord(const char* arguments, const char*& start, const char*& end) {
  if (arguments == nullptr || arguments[0] == '\0') return -1;
  for (int i = 0; i < 6; i++) {
    char switchText[20] = {};
    CopyCut(switchText, kMsiActionSwitches[i], 19);
    const char* found = FindIgnoreCase(arguments, switchText);
    if (found == nullptr) continue;
    start = found + strlen(switchText);
    end = WordEnd(start);
    return i;
  }
  return -1;
}

int FindMsiSwitchWord(const char* arguments, char* word, size_t size) {
  if (word == nullptr || size == 0) return -1;
  memset(word, 0, size);
  const char* start = nullptr;
  const char* end = nullptr;
  int found = LocateSwitchWord(arguments, start, end);
  if (found < 0) return -1;
  bounded::Copy(word, size, start, static_cast<size_t>(end - start));
  UnquoteSpaces(word);
  return found;
}

bool ReplaceMsiSwitchWord(const char* arguments, const char* word, char* out, size_t size) {
  if (out == nullptr || size == 0) return false;
  out[0] = '\0';
  const char* start = nullptr;
  const char* end = nullptr;
  if (word == nullptr || LocateSwitchWord(arguments, start, end) < 0) return false;
  const size_t before = static_cast<size_t>(start - arguments);
  if (before + strlen(word) + 2 + strlen(end) >= size) return false;
  bounded::Copy(out, size, arguments, before);
  bounded::Append(out, size, "\"");
  bounded::Append(out, size, word);
  bounded::Append(out, size, "\"");
  bounded::Append(out, size, end);
  return true;
}
