#include <doctest.h>

#include <string>
#include <vector>

#include "../../tools/pack/InstallerElevation.h"

namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> Utf16(const std::string& text) {
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
  return bytes;
}

const char kAdmin[] =
    "<assembly><trustInfo><security><requestedPrivileges>"
    "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"
    "</requestedPrivileges></security></trustInfo></assembly>";

}  // namespace

TEST_CASE("the level a manifest asks for, however it is written") {
  const struct {
    int line;
    std::vector<uint8_t> manifest;
    const char* level;
  } cases[] = {
      {__LINE__, Bytes(kAdmin), "requireAdministrator"},
      {__LINE__, Utf16(kAdmin), "requireAdministrator"},
      {__LINE__, Bytes("<ms_asmv3:requestedExecutionLevel uiAccess='false' level='highestAvailable'/>"),
       "highestAvailable"},
      {__LINE__, Bytes("<requestedExecutionLevel level = \"asInvoker\"/>"), "asInvoker"},
      {__LINE__, Bytes("<requestedExecutionLevel uiAccess=\"false\"/><x level=\"requireAdministrator\"/>"), ""},
      {__LINE__, Bytes("<dependency><assemblyIdentity name=\"Microsoft.Windows.Common-Controls\"/></dependency>"), ""},
      {__LINE__, Bytes("<requestedExecutionLevel level=\"requireAdministrator"), ""},
      {__LINE__, {}, ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    CHECK(RequestedExecutionLevel(c.manifest) == c.level);
  }
}

TEST_CASE("an installer asks for elevation by its manifest, or by its name when it asks for no level") {
  auto program = [](bool found, const std::string& manifest, bool is64Bit = false) {
    ProgramManifest p;
    p.isProgram = true;
    p.found = found;
    p.bytes = Bytes(manifest);
    p.is64Bit = is64Bit;
    return p;
  };
  const struct {
    int line;
    ProgramManifest program;
    const char* name;
    const char* reason;  // its start, "" for none
  } cases[] = {
      {__LINE__, program(true, kAdmin), "main.exe", "its manifest asks for requireAdministrator"},
      {__LINE__, program(true, kAdmin, true), "main.exe", "its manifest asks for requireAdministrator"},
      {__LINE__, program(false, ""), "Vellora_Setup.exe", "it has no manifest, and Windows' installer detection"},
      {__LINE__, program(false, ""), "PATCH1.EXE", "it has no manifest, and Windows' installer detection"},
      {__LINE__, program(true, "<assembly/>"), "install.exe", "its manifest asks for no level, and Windows'"},
      {__LINE__, program(false, "", true), "setup.exe", ""},  // detection passes over 64-bit programs
      {__LINE__, program(true, "<requestedExecutionLevel level=\"asInvoker\"/>"), "setup.exe", ""},
      {__LINE__, program(false, ""), "main.exe", ""},
      {__LINE__, ProgramManifest(), "setup.exe", ""},  // not a program at all
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    std::string reason = ElevationReason(c.program, c.name);
    CHECK(reason.substr(0, std::string(c.reason).size()) == c.reason);
    CHECK(reason.empty() == (c.reason[0] == '\0'));
  }
}
