#include <doctest.h>

#include <cstring>
#include <string>

#include "install/MsiSwitch.h"

namespace {

struct SwitchCase {
  int line;
  const char* arguments;
  int found;  // index into kMsiActionSwitches, or -1
  const char* word;
};

}  // namespace

TEST_CASE("the word after the first Windows Installer switch found") {
  const SwitchCase cases[] = {
      {__LINE__, "/i AI.msi", 0, "AI.msi"},
      {__LINE__, "/i AI.msi /qn", 0, "AI.msi"},
      {__LINE__, "/qn /i AI.msi", 0, "AI.msi"},
      {__LINE__, "/i \"my file.msi\" /qn", 0, "my file.msi"},
      {__LINE__, "/i \"my file.msi\"", 0, "my file.msi"},
      {__LINE__, "/i \"my file.msi\" PROP=1 /qn", 0, "my file.msi"},
      {__LINE__, "/i \"C:\\a b\\c d.msi\" /qn", 0, "C:\\a b\\c d.msi"},
      {__LINE__, "/i \"unclosed name.msi", 0, "\"unclosed name.msi"},
      {__LINE__, "/i AI.msi PROP=1 /qn", 0, "AI.msi"},
      {__LINE__, "/i AI.msi REBOOT=ReallySuppress", 0, "AI.msi"},
      {__LINE__, "/x {12345678-1234-1234-1234-123456789ABC}", 2, "{12345678-1234-1234-1234-123456789ABC}"},
      {__LINE__, "/x {12345678-1234-1234-1234-123456789ABC} /qn", 2, "{12345678-1234-1234-1234-123456789ABC}"},
      {__LINE__, "/uninstall {ABC} /qb", 3, "{ABC}"},
      {__LINE__, "/package AI.msi", 1, "AI.msi"},
      {__LINE__, "/p patch.msp", 4, "patch.msp"},
      {__LINE__, "/update patch.msp", 5, "patch.msp"},
      {__LINE__, "/package AI.msi /p patch.msp", 1, "AI.msi"},  // "/package " comes before "/p "
      {__LINE__, "/p patch.msp /package AI.msi", 1, "AI.msi"},
      {__LINE__, "/x {A} /i AI.msi", 0, "AI.msi"},               // order of search, not of the text
      {__LINE__, "/I AI.msi", 0, "AI.msi"},  // msiexec reads its switches in any letter case
      {__LINE__, "/X {ABC}", 2, "{ABC}"},
      {__LINE__, "/qn /Package AI.msi", 1, "AI.msi"},
      {__LINE__, "/iAI.msi", -1, ""},
      {__LINE__, "/qn", -1, ""},
      {__LINE__, "", -1, ""},
      {__LINE__, "/i ", 0, ""},
      {__LINE__, "/i  /qn", 0, ""},
      {__LINE__, "/l*v log.txt /i AI.msi", 0, "AI.msi"},
      {__LINE__, "/passive /i AI.msi", 0, "AI.msi"},
      {__LINE__, "/i \"\" /qn", 0, ""},
  };
  for (const SwitchCase& c : cases) {
    CAPTURE(c.line);
    char word[260];
    memset(word, 'x', sizeof(word));
    CHECK(FindMsiSwitchWord(c.arguments, word, sizeof(word)) == c.found);
    CHECK(std::string(word) == c.word);
  }
}

TEST_CASE("the word is cut at the buffer and always terminated") {
  char word[8];
  memset(word, 'x', sizeof(word));
  CHECK(FindMsiSwitchWord("/i averylongname.msi /qn", word, sizeof(word)) == 0);
  CHECK(std::string(word) == "averylo");
  char one[1] = {'x'};
  CHECK(FindMsiSwitchWord("/i AI.msi", one, 1) == 0);
  CHECK(one[0] == '\0');
  CHECK(FindMsiSwitchWord("/i AI.msi", nullptr, 10) == -1);
  CHECK(FindMsiSwitchWord("/i AI.msi", word, 0) == -1);
  CHECK(FindMsiSwitchWord(nullptr, word, sizeof(word)) == -1);
  CHECK(word[0] == '\0');
}

TEST_CASE("msiexec is given its package by another path in place of the word after the switch") {
  const struct {
    int line;
    const char* arguments;
    size_t size;
    const char* result;  // "" when refused
  } cases[] = {
      {__LINE__, "/i kit\\AI.msi /qn", 260, "/i \"C:\\p\\AI.msi\" /qn"},
      {__LINE__, "/qn /I \"my file.msi\" PROP=1", 260, "/qn /I \"C:\\p\\AI.msi\" PROP=1"},
      {__LINE__, "/package AI.msi /p fix.msp", 260, "/package \"C:\\p\\AI.msi\" /p fix.msp"},
      {__LINE__, "/qn", 260, ""},
      {__LINE__, "/i AI.msi", 17, "/i \"C:\\p\\AI.msi\""},  // 16 characters fit
      {__LINE__, "/i AI.msi", 16, ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    char out[260];
    memset(out, 'x', sizeof(out));
    CHECK(ReplaceMsiSwitchWord(c.arguments, "C:\\p\\AI.msi", out, c.size) == (c.result[0] != '\0'));
    CHECK(std::string(out) == c.result);
  }
}
