#include <doctest.h>

#include <string>
#include <vector>

#include "../../tools/pack/InstallerElevation.h"

namespace {
ProgramManifest Program(bool found, const std::string& manifest, bool is64Bit = false) {
  ProgramManifest program;
  program.isProgram = true;
  program.found = found;
  program.bytes.assign(manifest.begin(), manifest.end());
  program.is64Bit = is64Bit;
  return program;
}
const char kAdmin[] = "<trustInfo><requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/></trustInfo>";
}  // namespace

TEST_CASE("an installer asks for elevation by its manifest, or by its name when it asks for no level") {
  ProgramManifest utf16 = Program(true, "");
  utf16.bytes = {0xFF, 0xFE};
  for (char c : std::string(kAdmin)) utf16.bytes.insert(utf16.bytes.end(), {static_cast<uint8_t>(c), 0});
  const struct {
    int line;
    ProgramManifest program;
    const char* name;
    const char* reason;  // its start, "" for none
  } cases[] = {
      {__LINE__, Program(true, kAdmin, true), "main.exe", "its manifest asks for requireAdministrator"},
      {__LINE__, utf16, "main.exe", "its manifest asks for requireAdministrator"},
      {__LINE__, Program(true, "<v3:requestedExecutionLevel uiAccess='false' level = 'highestAvailable'/>"), "main.exe",
       "its manifest asks for highestAvailable"},
      {__LINE__, Program(false, ""), "PATCH1.EXE", "it has no manifest, and Windows' installer detection"},
      {__LINE__, Program(true, "<assembly/>"), "Vellora_Install.exe", "its manifest asks for no level, and Windows'"},
      // A level attribute of another element, and one cut off, ask for nothing.
      {__LINE__, Program(true, "<requestedExecutionLevel/><x level=\"requireAdministrator\"/>"), "main.exe", ""},
      {__LINE__, Program(true, "<requestedExecutionLevel level=\"requireAdministrator"), "main.exe", ""},
      {__LINE__, Program(false, "", true), "setup.exe", ""},  // detection passes over 64-bit programs
      {__LINE__, Program(true, "<requestedExecutionLevel level=\"asInvoker\"/>"), "setup.exe", ""},
      // The levels a template comments out ask for nothing.
      {__LINE__,
       Program(true, "<!-- <requestedExecutionLevel level=\"requireAdministrator\"/> -->"
                     "<requestedExecutionLevel level=\"asInvoker\"/>"),
       "setup.exe", ""},
      {__LINE__, ProgramManifest(), "setup.exe", ""},  // not a program at all
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    std::string reason = ElevationReason(c.program, c.name);
    CHECK(reason.substr(0, std::string(c.reason).size()) == c.reason);
    CHECK(reason.empty() == (c.reason[0] == '\0'));
  }
}
