// Whole packages that need the computer restarted: one question for the restarts the
// prerequisites deferred, and an immediate restart that ends the package and resumes it, at
// the next logon, from its RunOnce value.
#include <doctest.h>

#include <string>
#include <vector>

#include "LanguageStrings.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "TestSupport.h"
#include "RunOnceSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

using test::Package;
using test::Quote;

TEST_CASE("restarts deferred by two prerequisites are asked for once, in mode 1, after the last of them") {
  Package p;
  p.Payload("a.exe");
  p.Payload("b.exe");
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nName=Deferring Suite\r\nPreInstall=A|B\r\nMainInstall=Main\r\n"
      "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=exit=3010\r\nRebootCodes=3010\r\n"
      "[B]\r\nName=B\r\nFile=b.exe\r\nArguments=exit=3010\r\nReboot=defer\r\nRebootCodes=1641|3010\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Deferring Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log), [](const test::SeenWindow&) { return IDCANCEL; });
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);  // declined by the user: the main installer runs, and its code stands

  REQUIRE(result.windows.size() == 1);
  CHECK(result.windows[0].Text(0xFFFF) == test::LanguageString(IDS_REBOOT_NOW_OR_LATER_RESUME));
  CHECK_FALSE(result.windows[0].Text(IDCANCEL).empty());
  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  size_t prompt = test::IndexOf(log, "ShowReboot - Prompting user to reboot the system. Reboot mode: 1");
  CHECK(test::IndexOf(log, "InstallPrerequisite - Installing the prerequisite B.") < prompt);
  CHECK(prompt < test::IndexOf(log, "InstallMain - Installing the main product Main."));
  CHECK(test::HasLine(log, "DoSettings_Install - Prerequisite A: exit code 3010 is in its RebootCodes (Reboot=defer); a "
                           "restart is due after the last prerequisite, and the package goes on."));
  CHECK(test::ReadJournal(p.journal).size() == 3);
  CHECK_FALSE(test::ReadRunOnceValue("Deferring Suite_SetupPackage").exists);
}

TEST_CASE("an immediate restart ends with 1641; the RunOnce line resumes it with its paths and without the welcome") {
  test::MsiProductGuard gamma(test::kGammaProductCode);
  Package p("my package");  // a blank in the path, as under Program Files
  p.Payload("gamma-1.0.0.msi", test::ReadFile(test::MsiFixture("gamma-1.0.0.msi")));
  p.Payload("main.exe");
  // msiexec's own success asks for the restart.
  const std::string settings =
      "[default]\r\nName=Resume Suite\r\nWelcomeDlg=yes\r\nWelcomeWave=yes\r\nPreInstall=Gamma\r\nMainInstall=Main\r\n"
      "[Gamma]\r\nName=Gamma\r\nFile=msiexec.exe\r\nArguments=/i gamma-1.0.0.msi /qn\r\nReboot=immediate\r\n"
      "RebootCodes=0\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=7\r\n";
  p.Build(settings);
  REQUIRE(test::WriteFile(p.dir / "alt.ini", settings));
  test::RunOnceValueGuard runOnce("Resume Suite_SetupPackage");
  // Started from the scratch folder with paths relative to it. OK to everything: the restart too.
  test::ProcessResult first = p.RunFrom(p.dir.path(), "/Log setup.log /ReplaceSettings alt.ini");
  REQUIRE(first.finished);
  CHECK(first.exitCode == kExitRestartInitiated);
  CHECK(test::MsiProductState(test::kGammaProductCode) == INSTALLSTATE_DEFAULT);
  CHECK(test::ReadJournal(p.journal).empty());
  std::vector<std::string> log = p.Log();
  CHECK(test::HasLine(log, "ShowReboot - User decision: 1."));

  // The value the next logon runs: the quoted package, its arguments with their paths as resolved
  // at the start, the welcome steps off.
  test::RunOnceValue value = test::ReadRunOnceValue("Resume Suite_SetupPackage");
  REQUIRE(value.exists);
  const std::string resumed =
      "/Log " + p.log + " /ReplaceSettings " + (p.dir / "alt.ini") + " /NoWelcomeDlg /NoWelcomeWave";
  CHECK(value.data == Quote(p.exe) + " " + resumed);

  // The system deletes a RunOnce value before it runs it, from a folder of its own choosing, where
  // a decoy of the settings file lies.
  test::DeleteRunOnceValue("Resume Suite_SetupPackage");
  size_t mark = log.size();
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  const std::string decoy = std::string(windows) + "\\alt.ini";
  REQUIRE(test::WriteFile(decoy, "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n"
                                 "Arguments=exit=66\r\n"));
  test::ProcessResult second = p.RunCommandLine(value.data, windows);
  DeleteFileA(decoy.c_str());
  REQUIRE(second.finished);
  CHECK(second.exitCode == 7);
  CHECK_FALSE(test::FileExists(std::string(windows) + "\\setup.log"));
  CHECK(second.windows.empty());  // no Welcome dialog, no question

  log = p.Log();
  std::vector<std::string> resumedLog(log.begin() + static_cast<long>(mark), log.end());
  INFO(test::JoinLines(resumedLog));
  CHECK(test::HasLine(resumedLog, "RunBootstrapper - Bootstrapper command-line: " + resumed + "."));
  CHECK(test::HasLine(resumedLog, "DoWeAllowInstallerToRun - Skipping this installer because of version."));
  // Not judged: its RebootCodes hold 0, the skip's result, which would ask for a restart at every resume.
  CHECK(test::HasLine(resumedLog, "CheckExitCode - The installer was skipped; there is no exit code to judge."));
  // The resumed run stores the same line again: it does not grow from one restart to the next.
  CHECK(test::HasLine(resumedLog, "AddToRunOnce - Writing value \"Resume Suite_SetupPackage\" with data \"" + value.data +
                                 "\"."));
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "exit=7");
  CHECK_FALSE(test::ReadRunOnceValue("Resume Suite_SetupPackage").exists);
}

// A deployment tool restarts the computer when it reads 3010; the logon after it runs the rest.
// The prerequisite's own 3010 keeps the resume. Started in a folder whose name holds a dash, with
// a relative /Log: the resumed run logs to the same file, its path passed on in quotes.
TEST_CASE("a silent run stopped by a restart it needs leaves its RunOnce line, with a quoted /Log past a dash") {
  Package p("Anne-Marie");
  p.Payload("pre.exe");
  p.Payload("main.exe");
  const std::string installed = p.dir / "pre-installed.txt";
  p.Build("[admin_silent]\r\nName=Dash Suite\r\nPreInstall=Pre\r\nMainInstall=Main\r\n"
          "[Pre]\r\nName=Pre\r\nFile=pre.exe\r\nArguments=exit=3010\r\nReboot=force\r\nCheckExistence=File|0|" +
          installed + "\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Dash Suite_SetupPackage");
  const std::string log = p.folder + "\\setup.log";
  test::ProcessResult first = p.RunFrom(p.folder, "/Type admin_silent /Log setup.log");
  REQUIRE(first.finished);
  CHECK(first.exitCode == kExitRestartRequired);
  CHECK(test::ReadJournal(p.journal).size() == 1);
  test::RunOnceValue value = test::ReadRunOnceValue("Dash Suite_SetupPackage");
  REQUIRE(value.exists);
  CHECK(value.data == Quote(p.exe) + " /Type admin_silent /Log " + Quote(log));

  // After the restart the prerequisite's product is there; the system runs the line from a
  // folder of its own choosing.
  REQUIRE(test::WriteFile(installed, "installed"));
  test::DeleteRunOnceValue("Dash Suite_SetupPackage");
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, MAX_PATH);
  test::ProcessResult second = p.RunCommandLine(value.data, windows);
  REQUIRE(second.finished);
  CHECK(second.exitCode == 0);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  CHECK(journal[1].arguments == "exit=0");
  std::vector<std::string> resumedLog = test::LogMessages(log);  // both runs: only the second skips Pre
  INFO(test::JoinLines(resumedLog));
  CHECK(test::HasLine(resumedLog, "DoWeAllowInstallerToRun - Skipping this installer because of CheckExistence."));
  CHECK_FALSE(test::ReadRunOnceValue("Dash Suite_SetupPackage").exists);
}
