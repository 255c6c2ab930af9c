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
      {__LINE__, ProgramManifest(), "setup.exe", ""},  // not a program at all
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    std::string reason = ElevationReason(c.program, c.name);
    CHECK(reason.substr(0, std::string(c.reason).size()) == c.reason);
    CHECK(reason.empty() == (c.reason[0] == '\0'));
  }
}

TEST_CASE("the package's manifest asks for the level it is built with, and keeps everything else") {
  const std::string head = "<assembly><trustInfo><requestedExecutionLevel level=";
  const struct {
    int line;
    std::string manifest;
    const char* level;
    std::string result;  // "" when there is no level to replace
  } cases[] = {
      {__LINE__, head + "\"highestAvailable\" uiAccess=\"false\"/></trustInfo></assembly>", "requireAdministrator",
       head + "\"requireAdministrator\" uiAccess=\"false\"/></trustInfo></assembly>"},
      {__LINE__, "<v3:requestedExecutionLevel uiAccess='false' level = 'asInvoker'/>", "highestAvailable",
       "<v3:requestedExecutionLevel uiAccess='false' level = 'highestAvailable'/>"},
      {__LINE__, "<assembly/>", "asInvoker", ""},
      {__LINE__, "<requestedExecutionLevel/><x level=\"asInvoker\"/>", "asInvoker", ""},
      {__LINE__, "\xFF\xFE<\0r\0", "asInvoker", ""},  // UTF-16: the engine's manifest is UTF-8
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    std::vector<uint8_t> out;
    CHECK(WithExecutionLevel(std::vector<uint8_t>(c.manifest.begin(), c.manifest.end()), c.level, out) ==
          !c.result.empty());
    if (c.result.empty()) continue;
    CHECK(std::string(out.begin(), out.end()) == c.result);
    CHECK(RequestedExecutionLevel(out) == c.level);
  }
}
