// One installer section read into the installer-section record: required keys, cuts, code
// lists, flags, defaults, the record replaced for each installer, and the reports.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "LogLines.h"
#include "LanguageStrings.h"

using test::BootstrapperFixture;
using test::BootstrapperFixtureOptions;

namespace {

std::string Repeat(const std::string& text, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; i++) out += text;
  return out;
}

std::vector<DWORD> Codes(const CodeList& list) {
  REQUIRE(list.dwCount <= kMaxCodes);
  return std::vector<DWORD>(list.dwCodes, list.dwCodes + list.dwCount);
}

}  // namespace

TEST_CASE("a full installer section is read in order and logged as read") {
  BootstrapperFixture f(
      "[AnInstaller]\r\n"
      "Name = AI\r\n"
      "File = MsiExec.EXE\r\n"
      "Arguments = /i AI.msi /qn\r\n"
      "Reboot = DeferForce\r\n"
      "RebootCodes = 3010|1641\r\n"
      "FailCodes = 1603\r\n"
      "PlayTone = 5\r\n"
      "ForceRun = yes\r\n"
      "AddSourceDir = Yes\r\n"
      "DoNotExtract = YES\r\n"
      "CheckExistence = File|0|$(System32)\\msiexec.exe\r\n"
      "ProgramCompatibility = yesterday\r\n"
      "ReinstallCodes = 1605||\r\n");
  size_t mark = f.Mark();
  REQUIRE(f.b.SetInstallerSection("AnInstaller") == 0);
  const InstallerSectionRecord& r = f.b.InstallerSection;
  CHECK(f.b.m_CurrentSectionName == "AnInstaller");
  CHECK(std::string(r.Name) == "AI");
  CHECK(std::string(r.File) == "msiexec.exe");
  CHECK(std::string(r.Arguments) == "/i AI.msi /qn");
  CHECK(std::string(r.Reboot) == "deferforce");
  CHECK(Codes(r.RebootCodes) == std::vector<DWORD>{3010, 1641});
  CHECK(Codes(r.FailCodes) == std::vector<DWORD>{1603});
  CHECK(r.PlayTone == 5);
  CHECK(r.dwFlags == (kForceRun | kAddSourceDir | kDoNotExtract | kProgramCompatibility));
  CHECK(std::string(r.CheckExistence) == "File|0|$(System32)\\msiexec.exe");
  CHECK(Codes(r.ReinstallCodes) == std::vector<DWORD>{1605});
  const std::vector<std::string> expected = {
      "Reading installer-specific section AnInstaller.",
      "SetInstallerSection - Name key: AI.",
      "SetInstallerSection - File key: MsiExec.EXE.",
      "SetInstallerSection - Arguments key: /i AI.msi /qn.",
      "SetInstallerSection - Reboot key: DeferForce.",
      "SetInstallerSection - RebootCodes key: 3010|1641.",
      "SetInstallerSection - FailCodes key: 1603.",
      "SetInstallerSection - PlayTone key: 5.",
      "SetInstallerSection - ForceRun key: yes.",
      "SetInstallerSection - AddSourceDir key: Yes.",
      "SetInstallerSection - DoNotExtract key: YES.",
      "SetInstallerSection - CheckExistence key: File|0|$(System32)\\msiexec.exe.",
      "SetInstallerSection - ProgramCompatibility key: yes.",
      "SetInstallerSection - ReinstallCodes key: 1605||.",
  };
  CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
}

TEST_CASE("the optional keys have their defaults") {
  BootstrapperFixture f("[Minimal]\r\nName=M\r\nFile=m.exe\r\n");
  REQUIRE(f.b.SetInstallerSection("Minimal") == 0);
  const InstallerSectionRecord& r = f.b.InstallerSection;
  CHECK(std::string(r.Arguments).empty());
  CHECK(std::string(r.Reboot) == "defer");
  CHECK(r.RebootCodes.dwCount == 0);
  CHECK(r.FailCodes.dwCount == 0);
  CHECK(r.ReinstallCodes.dwCount == 0);
  CHECK(r.PlayTone == 0);
  CHECK(r.dwFlags == 0);
  CHECK(std::string(r.CheckExistence).empty());
  CHECK(f.Logged("SetInstallerSection - Reboot key: defer."));
  CHECK(f.Logged("SetInstallerSection - ForceRun key: no."));
}

TEST_CASE("code lists follow the list rule and strtoul") {
  struct Case {
    int line;
    std::string value;
    std::vector<DWORD> codes;
  } cases[] = {
      {__LINE__, "3010|1641", {3010, 1641}},
      {__LINE__, "3010||1641|", {3010, 1641}},
      {__LINE__, "", {}},
      {__LINE__, "abc", {0}},
      {__LINE__, "0x643", {0}},
      {__LINE__, "-1", {4294967295u}},
      {__LINE__, "4294967295", {4294967295u}},
      {__LINE__, " 1603 | 1605 ", {1603, 1605}},
      // 60 items do not fit in the 98 characters that are read: 49 remain, the last whole.
      {__LINE__, Repeat("1|", 60), std::vector<DWORD>(49, 1)},
      {__LINE__, Repeat("12|", 40), std::vector<DWORD>(33, 12)},
  };
  for (const auto& c : cases) {
    for (const char* key : {"RebootCodes", "FailCodes", "ReinstallCodes"}) {
      CAPTURE(c.line);
      std::string keyName = key;
      CAPTURE(keyName);
      BootstrapperFixture f("[S]\r\nName=S\r\nFile=s.exe\r\n" + std::string(key) + "=" + c.value + "\r\n");
      REQUIRE(f.b.SetInstallerSection("S") == 0);
      const InstallerSectionRecord& r = f.b.InstallerSection;
      const CodeList& list = std::string(key) == "RebootCodes" ? r.RebootCodes
                             : std::string(key) == "FailCodes" ? r.FailCodes
                                                               : r.ReinstallCodes;
      CHECK(Codes(list) == c.codes);
      for (DWORD i = list.dwCount; i < kMaxCodes; i++) CHECK(list.dwCodes[i] == 0);
    }
  }
}

TEST_CASE("text values are cut at their buffers; File and Reboot are lower-cased") {
  BootstrapperFixture f("[Long]\r\n"
                        "Name=" + std::string(120, 'N') + "\r\n"
                        "File=" + std::string(300, 'F') + "\r\n"
                        "Arguments=" + std::string(1200, 'a') + "\r\n"
                        "Reboot=" + std::string(40, 'R') + "\r\n"
                        "CheckExistence=" + std::string(600, 'c') + "\r\n"
                        "RebootCodes=" + std::string(150, '7') + "\r\n");
  REQUIRE(f.b.SetInstallerSection("Long") == 0);
  const InstallerSectionRecord& r = f.b.InstallerSection;
  CHECK(std::string(r.Name) == std::string(98, 'N'));
  CHECK(std::string(r.File) == std::string(258, 'f'));
  CHECK(std::string(r.Arguments) == std::string(998, 'a'));
  CHECK(std::string(r.Reboot) == std::string(23, 'r'));
  CHECK(std::string(r.CheckExistence) == std::string(518, 'c'));
  CHECK(Codes(r.RebootCodes) == std::vector<DWORD>{4294967295u});
  CHECK(f.Logged("SetInstallerSection - RebootCodes key: " + std::string(98, '7') + "."));
}

TEST_CASE("PlayTone is a whole number, 0 when missing or not a number") {
  struct Case {
    int line;
    const char* value;  // nullptr: missing
    LONG tone;
  } cases[] = {
      {__LINE__, nullptr, 0}, {__LINE__, "abc", 0}, {__LINE__, "5", 5}, {__LINE__, "12s", 12}, {__LINE__, "", 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string settings = "[S]\r\nName=S\r\nFile=s.exe\r\n";
    if (c.value != nullptr) settings += std::string("PlayTone=") + c.value + "\r\n";
    BootstrapperFixture f(settings);
    f.b.InstallerSection.PlayTone = 99;
    REQUIRE(f.b.SetInstallerSection("S") == 0);
    CHECK(f.b.InstallerSection.PlayTone == c.tone);
    CHECK(f.Logged("SetInstallerSection - PlayTone key: " + std::to_string(c.tone) + "."));
  }
}

TEST_CASE("each installer flag is on only for yes") {
  struct Key {
    const char* name;
    DWORD flag;
  } keys[] = {{"ForceRun", kForceRun},
              {"AddSourceDir", kAddSourceDir},
              {"DoNotExtract", kDoNotExtract},
              {"ProgramCompatibility", kProgramCompatibility}};
  struct Case {
    int line;
    const char* value;
    bool on;
  } cases[] = {{__LINE__, "Yes", true}, {__LINE__, "YES", true}, {__LINE__, "yesterday", true},
               {__LINE__, "true", false}, {__LINE__, "1", false}, {__LINE__, "no", false}};
  for (const Key& key : keys) {
    for (const Case& c : cases) {
      std::string keyName = key.name;
      CAPTURE(keyName);
      CAPTURE(c.line);
      BootstrapperFixture f("[S]\r\nName=S\r\nFile=s.exe\r\n" + std::string(key.name) + "=" + c.value + "\r\n");
      REQUIRE(f.b.SetInstallerSection("S") == 0);
      CHECK(f.b.InstallerSection.dwFlags == (c.on ? key.flag : 0));
    }
  }
}

TEST_CASE("a section that cannot be read gives its result and log line") {
  const std::string settings =
      "[Empty]\r\n"
      "[NoName]\r\nFile=x.exe\r\n"
      "[BlankName]\r\nName=\r\nFile=x.exe\r\n"
      "[NoFile]\r\nName=N\r\n"
      "[BlankFile]\r\nName=N\r\nFile=\r\n"
      "[Last]\r\nName=L\r\nFile=l.exe\r\n";
  struct Case {
    int line;
    const char* section;
    DWORD result;
    std::vector<std::string> lines;
  } cases[] = {
      {__LINE__, "Missing", ERROR_INVALID_DATA,
       {"Reading installer-specific section Missing.", "SetInstallerSection - The section does not exist in Settings."}},
      {__LINE__, "Empty", ERROR_INVALID_DATA,
       {"Reading installer-specific section Empty.", "SetInstallerSection - The section does not exist in Settings."}},
      {__LINE__, "NoName", ERROR_BAD_PATHNAME,
       {"Reading installer-specific section NoName.", "SetInstallerSection - Name key: .",
        "SetInstallerSection - No Name key was specified in the section."}},
      {__LINE__, "BlankName", ERROR_BAD_PATHNAME,
       {"Reading installer-specific section BlankName.", "SetInstallerSection - Name key: .",
        "SetInstallerSection - No Name key was specified in the section."}},
      {__LINE__, "NoFile", ERROR_BAD_PATHNAME,
       {"Reading installer-specific section NoFile.", "SetInstallerSection - Name key: N.",
        "SetInstallerSection - File key: .", "SetInstallerSection - No File key was specified in the section."}},
      {__LINE__, "BlankFile", ERROR_BAD_PATHNAME,
       {"Reading installer-specific section BlankFile.", "SetInstallerSection - Name key: N.",
        "SetInstallerSection - File key: .", "SetInstallerSection - No File key was specified in the section."}},
      {__LINE__, "", ERROR_INVALID_DATA, {"Reading installer-specific section ."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f(settings);
    size_t mark = f.Mark();
    CHECK(f.b.SetInstallerSection(c.section) == c.result);
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(c.lines));
  }
  BootstrapperFixture f(settings);
  CHECK(f.b.SetInstallerSection(nullptr) == ERROR_INVALID_DATA);
  CopyCut(f.b.m_szSettingsPath, (f.dir() / "absent.ini").c_str());
  size_t mark = f.Mark();
  CHECK(f.b.SetInstallerSection("Last") == ERROR_FILE_NOT_FOUND);
  CHECK(f.Since(mark) == std::vector<std::string>{"Reading installer-specific section Last."});
}

TEST_CASE("a second installer section leaves nothing of the first") {
  BootstrapperFixture f(
      "[First]\r\nName=F\r\nFile=F.exe\r\nArguments=/a\r\nReboot=force\r\nRebootCodes=1|2\r\nFailCodes=3\r\n"
      "PlayTone=7\r\nForceRun=yes\r\nAddSourceDir=yes\r\nDoNotExtract=yes\r\nProgramCompatibility=yes\r\n"
      "CheckExistence=File|0|x\r\nReinstallCodes=4\r\n"
      "[Second]\r\nName=S\r\nFile=s.exe\r\n"
      "[Broken]\r\nFile=b.exe\r\n");
  for (const char* second : {"Second", "Broken"}) {
    std::string secondName = second;
    CAPTURE(secondName);
    REQUIRE(f.b.SetInstallerSection("First") == 0);
    CopyCut(f.b.InstallerSection.ProductCode, "{11111111-2222-3333-4444-555555555555}");
    f.b.SetInstallerSection(second);
    const InstallerSectionRecord& r = f.b.InstallerSection;
    CHECK(f.b.m_CurrentSectionName == second);
    CHECK(std::string(r.Arguments).empty());
    CHECK(std::string(r.Reboot) == (std::string(second) == "Second" ? "defer" : ""));
    CHECK(r.RebootCodes.dwCount == 0);
    CHECK(r.RebootCodes.dwCodes[0] == 0);
    CHECK(r.FailCodes.dwCount == 0);
    CHECK(r.ReinstallCodes.dwCount == 0);
    CHECK(r.dwFlags == 0);
    CHECK(std::string(r.CheckExistence).empty());
    CHECK(std::string(r.ProductCode).empty());
  }
}

TEST_CASE("a section that cannot be read is reported to the user by number, unless silent") {
  const std::string settings = "[Empty]\r\n[NoName]\r\nFile=x.exe\r\n[NoFile]\r\nName=N\r\n";
  struct Case {
    int line;
    const char* section;
    UINT message;
    std::vector<const char*> arguments;
  } cases[] = {
      {__LINE__, "Missing", IDS_SECTION_MISSING, {"Missing"}},
      {__LINE__, "Empty", IDS_SECTION_MISSING, {"Empty"}},
      {__LINE__, "NoName", IDS_KEY_MISSING, {"Name", "NoName"}},
      {__LINE__, "NoFile", IDS_KEY_MISSING, {"File", "NoFile"}},
  };
  for (const Case& c : cases) {
    for (bool silent : {false, true}) {
      CAPTURE(c.line);
      CAPTURE(silent);
      BootstrapperFixtureOptions options;
      options.silent = silent;
      BootstrapperFixture f(settings, options);
      test::UseBuiltLanguage(f.b);
      test::InProcessAnswerer answerer(nullptr, "installer-section");
      CHECK(f.b.SetInstallerSection(c.section) != 0);
      std::vector<test::SeenWindow> seen = answerer.Stop();
      REQUIRE(seen.size() == (silent ? 0u : 1u));
      if (silent) continue;
      std::string expected = test::LanguageString(c.message);
      for (const char* argument : c.arguments) expected.replace(expected.find("%s"), 2, argument);
      CHECK(test::MessageBoxText(seen[0]) == expected);
    }
  }
}
