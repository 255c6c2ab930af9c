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

int FindMsiSwitchWord(const char* arguments, char* word, size_t size) {
  if (word == nullptr || size == 0) return -1;
  memset(word, 0, size);
  if (arguments == nullptr || arguments[0] == '\0') return -1;
  for (int i = 0; i < 6; i++) {
    char switchText[20] = {};
    CopyCut(switchText, kMsiActionSwitches[i], 19);
    const char* found = FindIgnoreCase(arguments, switchText);
    if (found == nullptr) continue;
    const char* start = found + strlen(switchText);
    const char* end = WordEnd(start);
    bounded::Copy(word, size, start, static_cast<size_t>(end - start));
    UnquoteSpaces(word);
    return i;
  }
  return -1;
}
