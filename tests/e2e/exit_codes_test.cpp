// Whole packages whose prerequisites are judged by their own rules: an MSI product that is
// already installed, a reinstall after the cleanup tool, and a fail code that ends the package.
#include <doctest.h>

#include <string>
#include <vector>

#include "LanguageStrings.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "TestSupport.h"
#include "RunOnceSupport.h"
#include "ui/language/resource.h"

using test::Package;
using test::Quote;

namespace {

std::string Replace(std::string format, const std::string& value) {
  size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, value);
  return format;
}

}  // namespace

TEST_CASE("an installed MSI product: the same version is skipped, an older one reinstalled, ForceRun runs it anyway, "
          "and an existence rule that demands a run reinstalls it") {
  test::MsiProductGuard gamma(test::kGammaProductCode);
  REQUIRE(test::InstallMsiPackage(test::MsiFixture("gamma-1.0.0.msi")) == 0);

  Package p;
  p.Payload("gamma-1.0.0.msi", test::ReadFile(test::MsiFixture("gamma-1.0.0.msi")));
  p.Payload("gamma-1.1.0.msi", test::ReadFile(test::MsiFixture("gamma-1.1.0.msi")));
  p.Payload("gamma-forced.msi", test::ReadFile(test::MsiFixture("gamma-1.1.0.msi")));
  p.Payload("gamma-demanded.msi", test::ReadFile(test::MsiFixture("gamma-1.1.0.msi")));
  p.Payload("main.exe");
  // Same is installed at its version; Newer finds 1.0.0 older and brings it to 1.1.0; Forced is
  // then the same version again, run by the msiexec stand-in, which shows its command line; so is
  // Demanded, whose existence rule (the Windows folder is there) votes that it must run.
  p.Build(
      "[default]\r\nName=Gamma Suite\r\nPreInstall=Same|Newer|Forced|Demanded\r\nMainInstall=Main\r\n"
      "[Same]\r\nName=Same\r\nFile=msiexec.exe\r\nArguments=/i gamma-1.0.0.msi /qn\r\n"
      "[Newer]\r\nName=Newer\r\nFile=msiexec.exe\r\nArguments=/i gamma-1.1.0.msi /qn\r\n"
      "[Forced]\r\nName=Forced\r\nFile=" + p.msiexec + "\r\nArguments=/i gamma-forced.msi exit=0\r\nForceRun=yes\r\n"
      "[Demanded]\r\nName=Demanded\r\nFile=" + p.msiexec + "\r\nArguments=/i gamma-demanded.msi exit=0\r\n"
      "CheckExistence=File|1|$(Windows)\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Gamma Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(result.windows.empty());

  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  CHECK(test::HasLine(log, "DoWeAllowInstallerToRun - Skipping this installer because of version."));
  CHECK_FALSE(test::HasLine(log, "Run - Launching file \"msiexec.exe\" with arguments \"/i gamma-1.0.0.msi /qn /l*v \"" +
                                test::WorkFolderOf(log) + "Same.log\"\"."));
  CHECK(test::HasLine(log, "Run - Launching file \"msiexec.exe\" with arguments \"/i gamma-1.1.0.msi /qn REINSTALL=ALL "
                      "REINSTALLMODE=vomus /l*v \"" + test::WorkFolderOf(log) + "Newer.log\"\"."));
  CHECK(test::HasLine(log, "DoWeAllowInstallerToRun - Installer is the same or newer but bypassing the skip."));
  CHECK(test::MsiProductVersion(test::kGammaProductCode) == "1.1.0");
  CHECK(test::ReadFile(test::ProgramFilesFolder() + "\\Pendrix Fixture Gamma\\gamma.txt") ==
        "Pendrix Fixture Gamma 1.1.0\r\n");

  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 3);
  const std::string work = test::WorkFolderOf(log);
  CHECK(journal[0].arguments == "/i gamma-forced.msi exit=0 /l*v \"" + work + "Forced.log\"");
  CHECK(journal[1].arguments ==
        "/i gamma-demanded.msi exit=0 REINSTALL=ALL REINSTALLMODE=vomus /l*v \"" + work + "Demanded.log\"");
  CHECK(journal[2].arguments == "exit=0");
  CHECK_FALSE(test::ReadRunOnceValue("Gamma Suite_SetupPackage").exists);
}

TEST_CASE("a reinstall code asks, cleans the product up and runs the installer again; a second one ends the package") {
  Package p;
  p.Payload("gamma-1.0.0.msi", test::ReadFile(test::MsiFixture("gamma-1.0.0.msi")));
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nName=Broken Suite\r\nPreInstall=Runtime\r\nMainInstall=Main\r\n"
      "[Runtime]\r\nName=Runtime\r\nFile=" + p.msiexec + "\r\nArguments=/i gamma-1.0.0.msi exit=1603\r\n"
      "ReinstallCodes=1638|1603\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Broken Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 1603);

  REQUIRE(result.windows.size() == 2);  // the reinstall prompt; the second failure is told
  CHECK(result.windows[0].caption == Replace(test::LanguageString(IDS_SETUP_PACKAGE_ERROR_CAPTION), "Broken Suite"));
  CHECK(result.windows[0].Text(0xFFFF) == Replace(test::LanguageString(IDS_REINSTALL), "Runtime"));
  CHECK(result.windows[1].Text(0xFFFF) ==
        Replace(Replace(test::LanguageString(IDS_COMPONENT_FAILED), "Broken Suite"), "Runtime"));
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);  // the prerequisite twice, the main installer never
  CHECK(journal[1].arguments == journal[0].arguments);

  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  std::vector<size_t> runs;
  for (size_t i = 0; i < log.size(); i++)
    if (log[i] == "InstallPrerequisite - Installing the prerequisite Runtime.") runs.push_back(i);
  REQUIRE(runs.size() == 2);
  size_t agreed = test::IndexOf(log, "ShowReinstall - User decision: 1.");
  size_t cleanup = test::IndexOf(log, "Run - Launching file \"" + test::WorkFolderOf(log) + "MsiZap.exe\" with arguments \"TW! " +
                                          test::kGammaProductCode + "\".");
  CHECK(runs[0] < agreed);
  CHECK(agreed < cleanup);
  CHECK(cleanup < runs[1]);
  CHECK(test::HasLine(log, "CheckExitCode - Already reinstalling."));
  CHECK(test::HasLine(log, "DoSettings_Install - Install prerequisite exit code: 1603; return action: 1"));
  CHECK(test::HasLine(log, "DoSettings_Install - Prerequisite Runtime: exit code 1603 is in its ReinstallCodes; the "
                           "package stops with 1603."));
  CHECK_FALSE(test::ReadRunOnceValue("Broken Suite_SetupPackage").exists);
}

// The cleanup tool finds no product code to clean, yet the installer gets its one more run, which
// is judged like the first.
TEST_CASE("a prerequisite that is no Windows Installer package, with a reinstall code, runs once more and fails again") {
  Package p;
  p.Payload("runtime.exe");
  p.Build("[default]\r\nName=Plain Suite\r\nPreInstall=Runtime\r\nMainInstall=Runtime\r\n[Runtime]\r\nName=Runtime\r\n"
          "File=runtime.exe\r\nArguments=exit=1603\r\nReinstallCodes=1603\r\n");
  test::RunOnceValueGuard runOnce("Plain Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 1603);
  CHECK(test::ReadJournal(p.journal).size() == 2);  // once more, and never as the main installer
  REQUIRE(result.windows.size() == 2);  // the reinstall prompt, then the failure
  CHECK(result.windows[1].Text(0xFFFF) ==
        Replace(Replace(test::LanguageString(IDS_COMPONENT_FAILED), "Plain Suite"), "Runtime"));
  std::vector<std::string> log = p.Log();
  REQUIRE(test::HasLine(log, "CheckExitCode - Already reinstalling."));
  CHECK(test::IndexOf(log, "RunCleanup - The cleanup tool ended with exit code 87.") <
        test::IndexOf(log, "CheckExitCode - Already reinstalling."));
}

TEST_CASE("a fail code ends the package with that code: the main installer does not run, no RunOnce value stays") {
  Package p;
  p.Payload("runtime.exe");
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nName=Failing Suite\r\nPreInstall=Runtime\r\nMainInstall=Main\r\n"
      "[Runtime]\r\nName=Runtime\r\nFile=runtime.exe\r\nArguments=exit=1603\r\nFailCodes=3010|1603\r\n"
      "ReinstallCodes=1603\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Failing Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 1603);
  REQUIRE(result.windows.size() == 1);
  CHECK(result.windows[0].Text(0xFFFF) ==
        Replace(Replace(test::LanguageString(IDS_COMPONENT_FAILED), "Failing Suite"), "Runtime"));
  CHECK(test::ReadJournal(p.journal).size() == 1);
  std::vector<std::string> log = p.Log();
  CHECK(test::HasLine(log, "AddToRunOnce - Writing value \"Failing Suite_SetupPackage\" with data \"" + Quote(p.exe) +
                          " /Log " + Quote(p.log) + "\"."));
  CHECK(test::HasLine(log, "RemoveFromRunOnce - Deleting RunOnce value \"Failing Suite_SetupPackage\"."));
  CHECK(test::HasLine(log, "DoSettings_Install - Prerequisite Runtime: exit code 1603 is in its FailCodes; the package "
                           "stops with 1603."));
  CHECK(test::HasLine(log, "RunBootstrapper - The package ends with exit code 1603: a prerequisite failed; decided by "
                           "the prerequisite Runtime."));
  CHECK_FALSE(test::ReadRunOnceValue("Failing Suite_SetupPackage").exists);
}
