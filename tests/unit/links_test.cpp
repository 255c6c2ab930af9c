// What the one owner of others' paths judges through a handle, which Wine cannot show
// (FakeFileFacts stands in for every file): a link, a file of more names, one of another owner.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "FakeFileFacts.h"
#include "LogLines.h"

using test::BootstrapperFixture;
using test::FakeFileFacts;

TEST_CASE("a log that is a link, has more names than one or another owner is not appended to; a new one says why") {
  const struct {
    int line;
    FakeFileFacts::Change change;
    const char* why;  // "" when the log is appended to
  } cases[] = {
      {__LINE__, {IO_REPARSE_TAG_SYMLINK, 0, false}, "a link (a junction or a symbolic link)"},
      {__LINE__, {0, 2, false}, "a file with more than one name (a hard link)"},
      // The tests' Wine runs elevated, where only a trusted owner's log is appended to.
      {__LINE__, {0, 0, true}, "a file that neither the administrators, nor SYSTEM, nor this user owns"},
      {__LINE__, {0x9000601A, 0, false}, ""},  // a cloud-file placeholder is no link
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("links");
    const std::string log = dir / "setup.log", moved = dir / "setup.1.log";
    REQUIRE(test::WriteFile(log, "earlier\r\n"));
    {
      FakeFileFacts fake(c.change);
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
