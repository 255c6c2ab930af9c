// What the one owner of others' paths judges through a handle, which Wine cannot show
// (FakeFileFacts stands in for every file): a link, a file of more names, one of another owner,
// a reparse tag; and what an elevated run judges by owners and DACLs (FakeSecurity).
#include <doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "FakeFileFacts.h"
#include "LogLines.h"
#include "RestrictedToken.h"
#include "trust/Token.h"

using test::BootstrapperFixture;
using test::FakeFileFacts;
using test::FakeSecurity;

TEST_CASE("a log that is a link, has more names than one or another owner is not appended to; a new one says why") {
  const struct {
    int line;
    FakeFileFacts::Change change;
    const char* why;  // "" when the log is appended to
    bool unelevated = false;
  } cases[] = {
      {__LINE__, {IO_REPARSE_TAG_SYMLINK, 0, false}, "a link (a junction or a symbolic link)"},
      {__LINE__, {0, 2, false}, "a file with more than one name (a hard link)"},
      // Only a trusted owner's log is appended to, elevated or not: another user must not read this run's lines.
      {__LINE__, {0, 0, true}, "a file that neither the administrators, nor SYSTEM, nor this user owns"},
      {__LINE__, {0, 0, true}, "a file that neither the administrators, nor SYSTEM, nor this user owns", true},
      {__LINE__, {0, 0, true, true}, ""},      // a volume that keeps no owners
      {__LINE__, {0x9000601A, 0, false}, ""},  // a cloud-file placeholder is no link
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("links");
    const std::string log = dir / "setup.log", moved = dir / "setup.1.log";
    REQUIRE(test::WriteFile(log, "earlier\r\n"));
    {
      FakeFileFacts fake(c.change);
      std::unique_ptr<test::ScopedDenyOnlyAdministrators> filtered;
      if (c.unelevated) filtered = std::make_unique<test::ScopedDenyOnlyAdministrators>();
      REQUIRE((!c.unelevated || (filtered->ok() && !RunsElevated())));
      Bootstrapper bootstrapper(("/Log " + log).c_str());
    }
    CHECK(test::FileExists(moved) == (c.why[0] != '\0'));
    if (c.why[0] == '\0') CHECK(test::LogMessages(log).back() == "*** Pendrix - Finish. ***");
    if (c.why[0] == '\0') continue;
    CHECK(test::ReadFile(log) == "earlier\r\n");
    std::vector<std::string> messages = test::LogMessages(moved);
    REQUIRE(messages.size() > 2);
    CHECK(messages[2] == "OpenLog - The log file " + log + " is " + c.why + "; this run logs to the new file " + moved +
                             " instead.");
  }
}

TEST_CASE("the Windows Installer log is never the package log, nor a file it must not write, and is held first") {
  const struct {
    int line;
    const char* packageLog;
    std::vector<std::string> existing;
    DWORD links;  // of an existing AI.log
    const char* msiLog;
  } cases[] = {
      {__LINE__, "setup.log", {}, 1, "AI.log"},
      {__LINE__, "ai.LOG", {}, 1, "AI.msi.log"},
      {__LINE__, "setup.log", {"AI.log"}, 1, "AI.log"},  // plain: appended to
      {__LINE__, "setup.log", {"AI.log", "AI.1.log"}, 2, "AI.2.log"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("msilog");
    for (const std::string& name : c.existing) REQUIRE(test::WriteFile(dir / name, "earlier"));
    FakeFileFacts fake({0, c.links, false});
    test::BootstrapperFixtureOptions options;
    options.log = false;
    options.commandLine = "/Log " + dir / c.packageLog;
    BootstrapperFixture f("[Msi]\r\nName=AI\r\nFile=msiexec.exe\r\nArguments=/i a.msi\r\n", options);
    REQUIRE(f.b.SetInstallerSection("Msi") == 0);
    char output[260];
    f.b.GetOutputFileName(output, sizeof(output));
    REQUIRE(f.b.AddToArguments(0));
    // msiexec writes into the working folder; the file beside the package log is held for the copy.
    CHECK(std::string(f.b.InstallerSection.Arguments) == std::string("/i a.msi /l*v \"") + f.b.m_szTempFolder + c.msiLog + "\"");
    CHECK(test::FileExists(dir / c.msiLog));
    CHECK(test::HasLine(test::LogMessages(dir / c.packageLog), "AddToArguments - Windows Installer log: " + dir / c.msiLog + "."));
  }
}

TEST_CASE("an installer beside the package runs only when it carries no reparse point but a data tag") {
  const struct {
    int line;
    DWORD tag;
    const char* refusal;  // "" when it runs
  } cases[] = {
      {__LINE__, 0x80000017, ""},  // WOF: Windows reads the file's own bytes
      {__LINE__, IO_REPARSE_TAG_APPEXECLINK, "it is an app execution alias (reparse tag 0x8000001B)"},
      {__LINE__, 0x80000023, "it is a reparse point of another kind (reparse tag 0x80000023)"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("[Beside]\r\nName=Beside\r\nFile=FakeInstaller.exe\r\nArguments=exit=4\r\nDoNotExtract=yes\r\n");
    FakeFileFacts fake({c.tag, 0, false});
    CHECK(f.b.RunInstaller("Beside", FALSE) == (c.refusal[0] == '\0' ? 4u : kExitNotRun));
    if (c.refusal[0] != '\0')
      CHECK(f.Log().back() == "RunInstaller - The installer file " + std::string(f.b.m_szPackageFolder) +
                                  "\\fakeinstaller.exe is refused: " + c.refusal +
                                  ", which Windows would start in place of its own bytes.");
  }
}

TEST_CASE("elevated, settings, an installer or a package to resume that another account can change are refused") {
  enum What { kSettings, kInstaller, kResume };
  enum Where { kFile, kFolder, kAbove };
  const std::string other = "S-1-5-21-1-2-3-1001";
  const char* const operation[] = {"GetSettingsFile - ", "RunInstaller - ", "AddToRunOnce - "};
  const struct {
    int line;
    What what;
    Where where;
    ObjectSecurity security;
    bool kept;
    std::string who;  // "" when it is used
  } cases[] = {
      {__LINE__, kSettings, kFile, {other, false, {}}, true, other},  // an owner can rewrite the DACL
      {__LINE__, kSettings, kFile, {other, false, {}}, false, ""},    // FAT: nothing to judge
      {__LINE__, kSettings, kFolder, {"S-1-5-18", false, {{true, false, FILE_ADD_FILE, other}}}, true, other},
      {__LINE__, kSettings, kFolder, {"S-1-5-18", false, {{true, false, FILE_ADD_SUBDIRECTORY, other}}}, true, ""},
      {__LINE__, kSettings, kAbove, {"S-1-5-18", false, {{true, false, FILE_DELETE_CHILD, other}}}, true, other},
      {__LINE__, kInstaller, kFolder, {"S-1-5-18", false, {{true, false, FILE_ADD_FILE, other}}}, true, other},
      {__LINE__, kInstaller, kAbove, {"S-1-5-18", true, {}}, true, "Everyone"},  // a null DACL
      {__LINE__, kResume, kFile, {"S-1-5-18", false, {{true, false, FILE_WRITE_DATA, other}}}, true, other},
      {__LINE__, kResume, kAbove, {"S-1-5-18", false, {{true, false, FILE_ADD_FILE, other}}}, true, ""},
  };
  char module[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("others");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    const std::string settings = dir / "sub\\alt.ini", installer = dir / "sub\\setup.exe";
    REQUIRE(test::WriteFile(settings, "[default]\r\nMainInstall=Kit\r\n"));
    REQUIRE(CopyFileA(test::BinFile("FakeInstaller.exe").c_str(), installer.c_str(), FALSE));
    test::BootstrapperFixtureOptions options;
    options.commandLine = "/ReplaceSettings " + settings;
    BootstrapperFixture f("[Kit]\r\nName=Kit\r\nFile=" + installer + "\r\nArguments=exit=4\r\nDoNotExtract=yes\r\n", options);
    CopyCut(f.b.m_szDisplayName, "Others");
    std::string path = c.what == kSettings ? settings : c.what == kInstaller ? installer : module;
    for (int up = 0; up < c.where; up++) path.resize(path.rfind('\\'));
    if (c.what == kInstaller) CharLowerA(&path[0]);  // as File is read
    FakeSecurity fake(path, c.security, c.kept);
    bool used = c.what == kSettings  ? f.b.GetSettingsFile() == ERROR_SUCCESS
                : c.what == kInstaller ? f.b.RunInstaller("Kit", FALSE) == 4
                                       : f.b.AddToRunOnce();
    CHECK(used == c.who.empty());
    CHECK(test::LinesStartingWith(f.Log(), operation[c.what] + c.who + " can change " + path + ", and so ").size() ==
          (c.who.empty() ? 0u : 1u));
    CHECK(test::LinesStartingWith(f.Log(), operation[c.what] + std::string("The volume of ")).size() == (c.kept ? 0u : 1u));
    CHECK(std::string(f.b.m_szNotResumed).empty() == (c.what != kResume || used));
  }
}
