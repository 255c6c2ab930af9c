// What the engine's one owner of others' paths judges through a handle, which Wine cannot show
// (tests/support/lib/FakeFileFacts.h stands in for it): a link, a file of more names than one, a
// file of another owner, where the log, the Windows Installer log and an installer beside the
// package would be.
#include <doctest.h>

#include <memory>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "FakeFileFacts.h"
#include "LogLines.h"
#include "TestSupport.h"

using test::BootstrapperFixture;
using test::FakeFileFacts;

namespace {
constexpr DWORD kCloudPlaceholderTag = 0x9000601A;  // a reparse point that is no link
}  // namespace

TEST_CASE("a log that is a link, has more names than one or another owner is not appended to; a new one says why") {
  const struct {
    int line;
    FakeFileFacts::Change change;
    const char* why;  // "" when the log is appended to
  } cases[] = {
      {__LINE__, {IO_REPARSE_TAG_SYMLINK, 0, false}, "a link (a junction or a symbolic link)"},
      {__LINE__, {IO_REPARSE_TAG_MOUNT_POINT, 0, false}, "a link (a junction or a symbolic link)"},
      {__LINE__, {0, 2, false}, "a file with more than one name (a hard link)"},
      // The tests' Wine runs elevated, where only a trusted owner's log is appended to.
      {__LINE__, {0, 0, true}, "a file that neither the administrators, nor SYSTEM, nor this user owns"},
      {__LINE__, {kCloudPlaceholderTag, 0, false}, ""},
      {__LINE__, {0, 1, false}, ""},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("links");
    const std::string log = dir / "setup.log";
    REQUIRE(test::WriteFile(log, "earlier\r\n"));
    {
      FakeFileFacts fake(log, c.change);
      REQUIRE(fake.known());
      Bootstrapper bootstrapper(("/Log " + log).c_str());
    }
    const std::string moved = dir / "setup.1.log";
    if (c.why[0] == '\0') {
      CHECK(test::ReadFile(log).rfind("earlier\r\n", 0) == 0);
      CHECK(test::LogMessages(log).back() == "*** Pendrix - Finish. ***");
      CHECK_FALSE(test::FileExists(moved));
      continue;
    }
    CHECK(test::ReadFile(log) == "earlier\r\n");
    std::vector<std::string> messages = test::LogMessages(moved);
    REQUIRE(messages.size() > 2);
    CHECK(messages[2] == "OpenLog - The log file " + log + " is " + c.why + "; this run logs to the new file " + moved +
                             " instead.");
  }
}

TEST_CASE("the Windows Installer log is never the package log, nor a file it must not write, and is made first") {
  const struct {
    int line;
    const char* packageLog;
    std::vector<std::string> existing;
    DWORD links;  // of an existing AI.log
    const char* msiLog;
  } cases[] = {
      {__LINE__, "setup.log", {}, 1, "AI.log"},
      {__LINE__, "ai.LOG", {}, 1, "AI.msi.log"},
      {__LINE__, "setup.log", {"AI.log"}, 1, "AI.log"},  // plain: msiexec writes over it
      {__LINE__, "setup.log", {"AI.log"}, 2, "AI.1.log"},
      {__LINE__, "setup.log", {"AI.log", "AI.1.log"}, 2, "AI.2.log"},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("msilog");
    for (const std::string& name : c.existing) REQUIRE(test::WriteFile(dir / name, "earlier"));
    std::unique_ptr<FakeFileFacts> fake;
    if (!c.existing.empty()) fake.reset(new FakeFileFacts(dir / "AI.log", {0, c.links, false}));
    test::BootstrapperFixtureOptions options;
    options.log = false;
    options.commandLine = "/Log " + dir / c.packageLog;
    BootstrapperFixture f("[Msi]\r\nName=AI\r\nFile=msiexec.exe\r\nArguments=/i a.msi\r\n", options);
    REQUIRE(f.b.SetInstallerSection("Msi") == 0);
    char output[260];
    f.b.GetOutputFileName(output, sizeof(output));
    REQUIRE(f.b.AddToArguments(0));
    CHECK(std::string(f.b.InstallerSection.Arguments) == "/i a.msi /l*v \"" + dir / c.msiLog + "\"");
    CHECK(test::FileExists(dir / c.msiLog));
    CHECK(test::HasLine(test::LogMessages(dir / c.packageLog), "AddToArguments - Windows Installer log: " + dir / c.msiLog + "."));
    f.b.ReleaseMsiLog();
  }
}

TEST_CASE("an installer beside the package whose folder its handle shows to be a link is not run") {
  BootstrapperFixture f("[Kit]\r\nName=Kit\r\nFile=linked kit\\setup.exe\r\nArguments=exit=7\r\nDoNotExtract=yes\r\n");
  const std::string kit = std::string(f.b.m_szSourceDir) + "\\linked kit";
  CreateDirectoryA(kit.c_str(), nullptr);
  REQUIRE(test::WriteFile(kit + "\\setup.exe", test::ReadFile(test::BinFile("FakeInstaller.exe"))));
  {
    FakeFileFacts fake(kit, {IO_REPARSE_TAG_MOUNT_POINT, 0, false});
    CHECK(f.b.RunInstaller("Kit", FALSE) == kExitNotRun);
  }
  CHECK(f.b.m_bInstallerNotRun);
  CHECK(f.Logged("RunInstaller - The installer file " + kit + "\\setup.exe is refused: " + kit +
                 " is a link (a junction or a symbolic link)."));
  test::RemoveTree(kit);
}
