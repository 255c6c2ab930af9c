#include <doctest.h>

#include <cstring>
#include <string>

#include "settings/PathExpansion.h"

TEST_CASE("path variables expand as whole components only") {
  const PathFolders folders = {"C:", "C:\\Program Files (x86)", "C:\\windows", "C:\\windows\\system32",
                               "C:\\Program Files", "C:\\windows\\Sysnative"};
  struct Case {
    int line;
    const char* path;
    size_t size;
    const char* expanded;
    bool converted;
  } cases[] = {
      {__LINE__, "$(System32)\\msiexec.exe", 260, "C:\\windows\\system32\\msiexec.exe", true},
      {__LINE__, "$(windows)\\Fonts", 260, "C:\\windows\\Fonts", true},
      {__LINE__, "$(PROGRAMFILES)\\Vellora\\", 260, "C:\\Program Files (x86)\\Vellora", true},
      {__LINE__, "$(WinDrive))\\boot.ini", 260, "C:\\boot.ini", true},
      {__LINE__, "$(WinDrive)\\boot.ini", 260, "$(WinDrive)\\boot.ini", true},
      {__LINE__, "x$(Windows)\\a", 260, "x$(Windows)\\a", true},
      {__LINE__, "D:\\$(System32)", 260, "D:\\C:\\windows\\system32", true},
      {__LINE__, "\\\\server\\share\\x", 260, "\\\\server\\share\\x", true},
      {__LINE__, "$(ProgramFiles64)\\Vellora", 260, "C:\\Program Files\\Vellora", true},
      {__LINE__, "$(system64)\\drivers", 260, "C:\\windows\\Sysnative\\drivers", true},
      {__LINE__, "$(System64x)\\drivers", 260, "$(System64x)\\drivers", true},
      // A leading backslash stays only before a part that is no variable.
      {__LINE__, "\\$(System32)\\x", 260, "C:\\windows\\system32\\x", true},
      {__LINE__, "\\\\\\$(Windows)\\\\x", 260, "C:\\windows\\x", true},
      {__LINE__, "\\$(ProgramFiles64)", 260, "C:\\Program Files", true},
      {__LINE__, "\\x$(Windows)\\a", 260, "\\x$(Windows)\\a", true},
      {__LINE__, "\\folder\\file", 260, "\\folder\\file", true},
      {__LINE__, "a\\\\b\\", 260, "a\\b", true},
      {__LINE__, "\\\\\\", 260, "\\\\\\", false},
      {__LINE__, "$(System32)\\msiexec.exe", 12, "C:\\windows\\", true},
      {__LINE__, "\\\\\\", 2, "\\", false},
      {__LINE__, "", 260, "", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    char buffer[300];
    memset(buffer, 'x', sizeof(buffer));
    CHECK(ExpandPathVariables(c.path, folders, buffer, c.size) == c.converted);
    CHECK(std::string(buffer) == c.expanded);
    // The whole buffer is cleared first, and nothing past it is touched.
    CHECK(std::string(buffer + strlen(buffer), buffer + c.size) == std::string(c.size - strlen(buffer), '\0'));
    CHECK(buffer[c.size] == 'x');
  }
}

TEST_CASE("the drive part is a letter and a colon at the start") {
  auto drive = [](const char* path) {
    char part[4] = "old";
    DrivePart(path, part, sizeof(part));
    return std::string(part);
  };
  CHECK(drive("d:\\Windows") == "d:");
  CHECK(drive("\\\\server\\share") == "");
  CHECK(drive("1:\\x") == "");
  CHECK(drive("C") == "");
}
