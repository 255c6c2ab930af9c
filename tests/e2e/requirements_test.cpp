// Packages that require rights, a Windows version or a platform, run as a filtered administrator,
// under other Windows versions and on a 32-bit Windows; and installers skipped or forced by
// existence rules that test real keys and files of the prefix.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "RestrictedToken.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

namespace {

using test::Package;


std::string Formatted(const std::string& format, const std::string& value) {
  std::string text = format;
  size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, value);
  return text;
}

// The arguments each fake installer was run with, in order.
std::vector<std::string> InstallersRun(const Package& p) {
  std::vector<std::string> ran;
  for (const test::JournalLine& line : test::ReadJournal(p.journal)) ran.push_back(line.arguments);
  return ran;
}

// Runs the package once more with fresh settings beside it, a fresh journal and a fresh log.
test::ProcessResult RunWith(Package& p, const std::string& settings, HANDLE token = nullptr) {
  REQUIRE(test::WriteFile(p.folder + "\\Settings.ini", settings));
  DeleteFileA(p.journal.c_str());
  DeleteFileA(p.log.c_str());
  return p.Run("/Log " + test::Quote(p.log), nullptr, token);
}

// The one box of a refusal: caption, text, and the log lines up to the exit code 5.
void CheckRefusal(const test::ProcessResult& result, const Package& p, const std::string& caption, UINT textId,
                  const std::vector<std::string>& lines) {
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitRequirementNotMet);
  REQUIRE(result.windows.size() == 1);
  CHECK(result.windows[0].caption == caption);
  CHECK(test::MessageBoxText(result.windows[0]) == test::LanguageString(textId));
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  for (const std::string& line : lines) CHECK(test::HasLine(log, line));
  CHECK(InstallersRun(p).empty());
}

const char kCompatibilityKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";

bool CompatibilityMarked(const std::string& file) {
  DWORD value = 0, size = sizeof(value);
  return RegGetValueA(HKEY_CURRENT_USER, kCompatibilityKey, file.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) ==
             ERROR_SUCCESS &&
         value == 1;
}

// A key, a file and a folder where 64-bit Windows keeps what a 64-bit installer leaves, made for
// the test and removed after it; on 32-bit Windows the only key, system folder and Program Files.
struct Mark64 {
  const bool x64 = test::Env("WINEARCH") != "win32";
  const REGSAM view = x64 ? KEY_WOW64_64KEY : 0;
  const std::string file = test::Env("SystemRoot") + (x64 ? "\\Sysnative" : "\\system32") + "\\pendrix-tests-64.txt";
  const std::string folder = (x64 ? test::Env("ProgramW6432") : test::ProgramFilesFolder()) + "\\Pendrix Tests 64";
  HKEY key = nullptr;
  const bool ok = RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Pendrix Tests 64", 0, nullptr, 0, KEY_WRITE | view,
                                  nullptr, &key, nullptr) == ERROR_SUCCESS &&
                  test::WriteFile(file, "64") && CreateDirectoryA(folder.c_str(), nullptr);
  ~Mark64() {
    RegCloseKey(key);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Pendrix Tests 64", view, 0);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
  }
};

}  // namespace

TEST_CASE("ReqPermission: an administrator passes; a filtered administrator is refused with exit code 5") {
  KernelHandle filtered = test::DenyOnlyAdministratorsToken();
  REQUIRE(filtered);
  const std::string caption = Formatted(test::LanguageString(IDS_SETUP_PACKAGE_ERROR_CAPTION), "Rights");
  struct Case {
    int line;
    const char* permission;
    bool filteredToken;
    UINT refusal;  // the message shown, or 0 when the main installer runs
    const char* logged;
  } cases[] = {
      {__LINE__, "Admin", false, 0, nullptr},
      {__LINE__, "PowerUser", false, 0, nullptr},  // Wine's user is an administrator, not a power user
      {__LINE__, "ADMIN", true, IDS_ADMINISTRATOR_REQUIRED, "CheckRequiredPermissions - User is not an administrator."},
      {__LINE__, "poweruser", true, IDS_POWER_USER_REQUIRED,
       "CheckRequiredPermissions - User is not an administrator nor a power user."},
      {__LINE__, "Administrator", true, 0, nullptr},  // no requirement this engine knows
  };
  auto settings = [](const std::string& permission) {
    return "[default]\r\nName=Rights\r\nReqPermission=" + permission +
           "\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=7\r\n";
  };
  Package p;
  p.Payload("main.exe");
  p.Build(settings(""));
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ProcessResult result = RunWith(p, settings(c.permission), c.filteredToken ? filtered.get() : nullptr);
    if (c.refusal != 0) {
      CheckRefusal(result, p, caption, c.refusal,
                   {c.logged, "ShowPermissionsError - Notifying user of permissions error.",
                    "DoSettings_Install - User does not have the required permission level."});
    } else {
      REQUIRE(result.finished);
      CHECK(result.exitCode == 7);
      CHECK(result.windows.empty());
      CHECK(InstallersRun(p) == std::vector<std::string>{"exit=7"});
      CHECK(test::LinesStartingWith(p.Log(), "CheckRequiredPermissions").empty());
    }
  }
}

// Wine reports the version named for the program's file name; the package alone gets it.
TEST_CASE("ReqOS 5.1 refuses Windows 2000 and admits XP, Vista and 7; OS rules and the compatibility mark follow") {
  Package p("package", "VersionSetup.exe");
  for (const char* name : {"legacy.exe", "modern.exe", "main.exe"}) p.Payload(name);
  const std::string settings =
      "[default]\r\nName=Versions\r\nReqOS=5.1\r\nPreInstall=Legacy|Modern\r\nMainInstall=Main\r\n"
      "[Legacy]\r\nName=Legacy\r\nFile=legacy.exe\r\nArguments=exit=0 legacy\r\nCheckExistence=OS|4|6.0\r\n"
      "[Modern]\r\nName=Modern\r\nFile=modern.exe\r\nArguments=exit=0 modern\r\nCheckExistence=OS|5|6.1\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0 main\r\nProgramCompatibility=yes\r\n";
  p.Build(settings);
  struct Case {
    int line;
    const char* version;
    bool admitted;
    std::vector<std::string> ran;
    bool marked;  // the compatibility assistant exists from Vista on; the mark goes at the run's end
  } cases[] = {
      {__LINE__, "win2k", false, {}, false},
      {__LINE__, "winxp", true, {"exit=0 legacy", "exit=0 main"}, false},
      {__LINE__, "vista", true, {"exit=0 main"}, true},
      {__LINE__, "win7", true, {"exit=0 modern", "exit=0 main"}, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ScopedWindowsVersion version("VersionSetup.exe", c.version);
    REQUIRE(version.ok());
    test::ProcessResult result = RunWith(p, settings);
    // The mark names the installer file as it ran, in the run's working folder.
    const std::string mainFile = test::WorkFolderOf(p.Log()) + "main.exe";
    if (!c.admitted) {
      CheckRefusal(result, p, Formatted(test::LanguageString(IDS_SETUP_PACKAGE_CAPTION), "Versions"), IDS_OS_REFUSED,
                   {"CheckRequiredOS - Checking the operating system version against '5.1'.",
                    "CheckRequiredOS - Operating system not supported.",
                    "DoSettings_Install - Operating system not supported."});
    } else {
      REQUIRE(result.finished);
      CHECK(result.exitCode == 0);
      CHECK(result.windows.empty());
      CHECK(InstallersRun(p) == c.ran);
    }
    CHECK(test::HasLine(p.Log(), "RemoveCompatibilityMarks - Removed the program-compatibility mark of " + mainFile +
                                     ".") == c.marked);
    CHECK_FALSE(CompatibilityMarked(mainFile));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kCompatibilityKey, mainFile.c_str());
  }
}

// This test runs twice: in the test prefix of 64-bit Windows and in the 32-bit prefix.
TEST_CASE("ReqPlatform and the Platform rule follow the platform of the Windows the package runs on") {
  const bool x64 = test::Env("WINEARCH") != "win32";
  CAPTURE(test::Env("WINEARCH"));
  Package p;
  for (const char* name : {"on64.exe", "on32.exe", "never.exe", "main.exe"}) p.Payload(name);
  auto settings = [](const std::string& platform) {
    return "[default]\r\nName=Platforms\r\nReqPlatform=" + platform +
           "\r\nPreInstall=On64|On32|Never\r\nMainInstall=Main\r\n"
           "[On64]\r\nName=On64\r\nFile=on64.exe\r\nArguments=exit=0 on64\r\nCheckExistence=Platform|1|64\r\n"
           "[On32]\r\nName=On32\r\nFile=on32.exe\r\nArguments=exit=0 on32\r\nCheckExistence=Platform|0|64\r\n"
           "[Never]\r\nName=Never\r\nFile=never.exe\r\nArguments=exit=0 never\r\nCheckExistence=Platform|1|x64\r\n"
           "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0 main\r\n";
  };
  p.Build(settings(""));
  struct Case {
    int line;
    const char* platform;
    const char* stored;  // as the setup type holds it
    bool admitted;
  } cases[] = {
      {__LINE__, "", "", true},
      {__LINE__, "x86", "x86", !x64},
      {__LINE__, "X64", "x64", x64},
      {__LINE__, "ia64", "ia64", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ProcessResult result = RunWith(p, settings(c.platform));
    if (!c.admitted) {
      CheckRefusal(result, p, Formatted(test::LanguageString(IDS_SETUP_PACKAGE_CAPTION), "Platforms"),
                   IDS_PLATFORM_REFUSED,
                   {"CheckRequiredPlatform - Checking the platform against '" + std::string(c.stored) + "'.",
                    "CheckRequiredPlatform - Platform not supported.", "DoSettings_Install - Platform not supported."});
      continue;
    }
    REQUIRE(result.finished);
    CHECK(result.exitCode == 0);
    CHECK(result.windows.empty());
    CHECK(InstallersRun(p) == std::vector<std::string>{x64 ? "exit=0 on64" : "exit=0 on32", "exit=0 main"});
  }
}

// The 64-bit forms run twice as well: on 32-bit Windows each means its form without 64.
TEST_CASE("RegKey and File rules skip or force installers, with path variables naming real files") {
  Mark64 mark;  // what this 32-bit program's plain names do not reach on 64-bit Windows
  REQUIRE(mark.ok);
  const bool x64 = mark.x64;
  struct Rule {
    const char* section;
    const char* rule;
    int forced;  // -1: skipped; 0: runs and may still be skipped if installed; 1: must run
  } rules[] = {
      {"KeyThere", "RegKey|0|HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion", -1},
      {"KeyAbsent", "RegKey|0|HKCU\\Software\\Pendrix Tests\\No Such Key", 1},
      {"System", "File|1|$(System32)\\kernel32.dll", 1},
      {"Windows", "File|0|$(Windows)\\win.ini", -1},
      {"Drive", "File|1|$(WinDrive))\\windows", 1},
      {"OneParenthesis", "File|1|$(WinDrive)\\windows", -1},
      {"ProgramFiles", "File|0|$(ProgramFiles)\\Pendrix No Such Product", 1},
      {"Cleared", "File|3|$(System32)\\kernel32.dll;RegKey|4|HKLM\\Software\\Pendrix No Such Key", 0},
      {"Unknown", "Registry|0|HKLM\\Software", 0},
      {"Rooted", "File|1|\\$(System32)\\kernel32.dll", 1},
      {"Key64", "RegKey|0|HKEY_LOCAL_MACHINE64\\Software\\Pendrix Tests 64", -1},
      {"Key32View", "RegKey|1|HKLM\\Software\\Pendrix Tests 64", x64 ? -1 : 1},
      {"System64", "File|1|$(System64)\\pendrix-tests-64.txt", 1},
      {"System32View", "File|1|$(System32)\\pendrix-tests-64.txt", x64 ? -1 : 1},
      {"ProgramFiles64", "File|1|$(ProgramFiles64)\\Pendrix Tests 64", 1},
  };
  Package p;
  p.Payload("main.exe");
  std::string settings = "[default]\r\nName=Rules\r\nMainInstall=Main\r\nPreInstall=";
  std::string sections = "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0 main\r\n";
  std::vector<std::string> expectedRuns, expectedDemands;
  size_t skipped = 0;
  for (const Rule& r : rules) {
    std::string file = std::string(r.section) + ".exe";
    p.Payload(file);
    settings += std::string(r.section) + "|";
    sections += "[" + std::string(r.section) + "]\r\nName=" + r.section + "\r\nFile=" + file + "\r\nArguments=exit=0 " +
                r.section + "\r\nCheckExistence=" + r.rule + "\r\n";
    if (r.forced < 0) {
      skipped++;
      continue;
    }
    expectedRuns.push_back(std::string("exit=0 ") + r.section);
    expectedDemands.push_back(std::string("DoWeAllowInstallerToRun - Skip if installed? ") + (r.forced ? "0." : "1."));
  }
  expectedRuns.push_back("exit=0 main");
  expectedDemands.push_back("DoWeAllowInstallerToRun - Skip if installed? 0.");  // the main installer
  p.Build(settings + "\r\n" + sections);
  test::ProcessResult result = p.Run("/Log " + test::Quote(p.log));

  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(result.windows.empty());
  CHECK(InstallersRun(p) == expectedRuns);
  std::vector<std::string> log = p.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(test::LinesStartingWith(log, "DoWeAllowInstallerToRun - Skip if installed?") == expectedDemands);
  CHECK(test::LinesStartingWith(log, "DoWeAllowInstallerToRun - Skipping this installer because of CheckExistence.")
            .size() == skipped);
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  CHECK(test::HasLine(log, "ReplaceVarPaths - Converted path: " + std::string(system) + "\\kernel32.dll."));
  CHECK(test::HasLine(log, "ReplaceVarPaths - Converted path: " + test::ProgramFilesFolder() +
                               "\\Pendrix No Such Product."));
  CHECK(test::HasLine(log, "RunCheckExistence - Ignoring unknown type 'Registry'."));
  CHECK(test::HasLine(log, "ReplaceVarPaths - Converted path: " + mark.folder + "."));
  CHECK(test::HasLine(log, x64 ? "IsRegKeyExists - Reading the 64-bit registry view."
                               : "IsRegKeyExists - Windows is 32-bit: reading its only registry view."));
}
