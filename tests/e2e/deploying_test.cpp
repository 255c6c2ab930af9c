// What README.md promises administrators: the example package builds without a warning and
// installs with the unattended command line as written there, and each exit code of its table
// comes out of the run it describes.
#include <doctest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "RunOnceSupport.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

using test::Quote;

namespace {

const char kRuntimeCode[] = "{5B7D2E14-8A3C-4F61-9D2E-7C4A1B3E5F21}";
const char kWriterCode[] = "{5B7D2E14-8A3C-4F61-9D2E-7C4A1B3E5F31}";

std::string SourceFile(const std::string& relative) {
  return test::WinPath(test::Env("PENDRIX_SOURCE")) + "\\" + relative;
}

// The first line of a file that begins with `start`, or "".
std::string LineStartingWith(const std::string& path, const std::string& start) {
  for (const std::string& line : test::Lines(test::ReadFile(path)))
    if (line.rfind(start, 0) == 0) return line;
  return "";
}

}  // namespace

TEST_CASE("the example package and its German build without a warning and install with the README's unattended line") {
  test::MsiProductGuard runtime(kRuntimeCode);
  test::MsiProductGuard writer(kWriterCode);
  test::Package p("suite", "VelloraSuite.exe");
  for (const char* msi : {"vellora-runtime-2.msi", "vellora-writer.msi"})
    p.Payload(msi, test::ReadFile(test::BinFile("examples\\suite\\") + msi));
  test::ConsoleResult packed =
      test::RunPack("--settings " + Quote(SourceFile("examples\\suite\\Settings.ini")) + " --payload " +
                    Quote(p.payload) + " --out " + Quote(p.exe) + " --embed-settings --strict --language de-DE=" +
                    Quote(test::BinFile("examples\\suite\\de-DE")) +
                    " --company Tarrowind --product-name \"Vellora Suite\" --product-version 2.0");
  CHECK(packed.exitCode == 0);
  CHECK(packed.err == "");

  const std::string documented = LineStartingWith(SourceFile("README.md"), "VelloraSuite.exe ");
  const std::string logFolder = "C:\\Windows\\Temp\\";
  REQUIRE(documented.find(" /Log " + logFolder + "VelloraSuite.log") != std::string::npos);
  // --list gives the line that runs the silent setup type unattended, as the README writes it,
  // and shows how the Windows Installer prerequisite is judged.
  const std::vector<std::string> listed = test::Lines(test::RunPack("--list " + Quote(p.exe)).out);
  auto listedLine = [&](const std::string& start) {
    for (const std::string& line : listed)
      if (line.rfind(start, 0) == 0) return line.substr(start.size());
    return std::string("(not listed)");
  };
  CHECK(documented == listedLine("  Unattended: "));
  CHECK(listedLine("    Arguments: ") == "/i vellora-runtime-2.msi /qn REBOOT=ReallySuppress");
  CHECK(listedLine("    FailCodes: ") == "1601|1602|1618|1619|1620|1624|1625|1627|1633|1639");
  const std::vector<std::string> logs = {"VelloraSuite.log", "Vellora Runtime 2.log", "Vellora Writer.log"};
  for (const std::string& log : logs) DeleteFileA((logFolder + log).c_str());

  test::ProcessResult result = p.RunCommandLine(Quote(p.exe) + documented.substr(documented.find(' ')), p.folder,
                                                [](const test::SeenWindow&) { return IDCANCEL; });
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(result.windows.empty());
  CHECK(test::MsiProductState(kRuntimeCode) == INSTALLSTATE_DEFAULT);
  CHECK(test::MsiProductState(kWriterCode) == INSTALLSTATE_DEFAULT);
  std::vector<std::string> messages = test::LogMessages(logFolder + "VelloraSuite.log");
  INFO(test::JoinLines(messages));
  CHECK(test::HasLine(messages, "DoSettings_Install - Install main exit code: 0"));
  CHECK(test::HasLine(messages, "RunBootstrapper - The package ends with exit code 0: the main installer's exit code; "
                                "decided by the main installer WriterQuiet."));
  for (const std::string& log : logs) {
    CAPTURE(log);
    CHECK(test::FileExists(logFolder + log));  // the package's log and each MSI's verbose log beside it
    DeleteFileA((logFolder + log).c_str());
  }
}

TEST_CASE("each exit code of the README's table comes out of the run it describes") {
  const std::string types =
      "[default]\r\nName=Exit Suite\r\nPreInstall=Pre\r\nMainInstall=Main\r\n"
      "[ops_silent]\r\nPreInstall=Pre\r\nMainInstall=Main\r\n"
      "[old_silent]\r\nPreInstall=Pre\r\nMainInstall=Main\r\nReqOS=99.0\r\n"
      "[Greeted]\r\nPreInstall=Pre\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\nRestartProductDlg=yes\r\n"
      "ShowProgressBar=yes\r\n";
  auto pre = [](const std::string& lines) { return "[Pre]\r\nName=Pre\r\nFile=pre.exe\r\nFailCodes=1603\r\n" + lines; };
  const std::string main = "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n";
  const std::string plain = types + pre("Arguments=exit=0\r\n") + main;
  const std::string deferred = types + pre("Arguments=exit=3010\r\nRebootCodes=3010\r\n");
  struct Case {
    int line;
    std::string settings;
    std::string arguments;
    bool settingsBeside;
    DWORD exitCode;
    size_t installersRun;
    const char* reason;  // as the log's last line before the finish banner begins it
    bool resumes = false;  // the RunOnce value stays for the next logon
    bool unseen = false;   // run in a window station of its own, which nobody sees
    std::string editedBeside = "";  // the settings beside the package, edited after the build
  };
  const char kRestartFirst[] = "a prerequisite needs a restart before the rest, which runs at the next logon after it";
  const char kInstalledRestartDue[] = "installed; a restart that a prerequisite needs has not been done";
  const Case cases[] = {
      {__LINE__, plain, "/Type ops_silent", true, 0, 2, "the main installer's exit code"},
      // As deployment tools write it: a quoted value, /quiet (the Welcome dialog, the progress
      // dialog and the notice stay away too), and options meant for other installers.
      {__LINE__, plain, "/Type \"Greeted\" /quiet /norestart", true, 0, 2, "the main installer's exit code"},
      // Where nobody can see a window, habits that would wait for a click run as with /quiet.
      {__LINE__, plain, "/Type Greeted /s", true, 0, 2, "the main installer's exit code", false, true},
      {__LINE__, plain, "/?", true, kExitNotRun, 0, "help was asked for", false, true},
      {__LINE__, plain, "/quiet /?", true, kExitNotRun, 0, "help was asked for"},
      // The main installer's own code, unjudged.
      {__LINE__,
       types + pre("Arguments=exit=0\r\n") + "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=3010\r\n",
       "/Type ops_silent", true, 3010, 2, "the main installer's exit code"},
      // A prerequisite's fail code stops the package; the main installer does not run.
      {__LINE__, types + pre("Arguments=exit=1603\r\n") + main, "/Type ops_silent", true, 1603, 1,
       "a prerequisite failed"},
      // "0x641" reads as 0: a failure that must not read as success. PendrixPack refuses such a
      // list; an administrator may still write it into the settings beside the package.
      {__LINE__, plain, "/Type ops_silent", true, kExitInstallFailed, 1, "a prerequisite failed", false, false,
       types + "[Pre]\r\nName=Pre\r\nFile=pre.exe\r\nArguments=exit=0\r\nFailCodes=0x641\r\n" + main},
      // A restart that the prerequisite needs now, agreed to.
      {__LINE__, types + pre("Arguments=exit=0\r\nReboot=force\r\n") + main, "", true, kExitRestartInitiated, 1,
       "the computer is restarting", true},
      // The same declined, as a silent run always does: installed so far, the rest after the restart.
      {__LINE__, types + pre("Arguments=exit=0\r\nReboot=force\r\n") + main, "/Type ops_silent", true,
       kExitRestartRequired, 1, kRestartFirst, true},
      // So does any code that reads as success: 3010, one of RebootCodes; 1641 has restarted.
      {__LINE__, types + pre("Arguments=exit=3010\r\nReboot=force\r\n") + main, "/Type ops_silent", true,
       kExitRestartRequired, 1, kRestartFirst, true},
      {__LINE__, types + pre("Arguments=exit=5\r\nReboot=immediateforce\r\nRebootCodes=5\r\n") + main,
       "/Type ops_silent", true, kExitRestartRequired, 1, kRestartFirst, true},
      {__LINE__, types + pre("Arguments=exit=1641\r\nReboot=force\r\n") + main, "/Type ops_silent", true, 1641, 1,
       "a prerequisite has started a restart itself; the rest runs at the next logon after it", true},
      // 3010 never replaces another code.
      {__LINE__, types + pre("Arguments=exit=7\r\nReboot=force\r\n") + main, "/Type ops_silent", true, 7, 1,
       "a restart that a prerequisite needs was declined"},
      // A restart deferred, or one wanted at once, that nobody started: 0 would hide it.
      {__LINE__, deferred + main, "/Type ops_silent", true, kExitRestartRequired, 2, kInstalledRestartDue},
      {__LINE__, types + pre("Arguments=exit=0\r\nReboot=immediate\r\nRebootCodes=0\r\n") + main,
       "/Type ops_silent", true, kExitRestartRequired, 2, kInstalledRestartDue},
      {__LINE__, plain, "/Type old_silent", true, kExitRequirementNotMet, 0, "this version of Windows is not supported"},
      {__LINE__, plain, "/Type none_silent", true, kExitNotRun, 0, "settings error"},
      {__LINE__, plain, "/Help", true, kExitNotRun, 0, "help was asked for"},
      {__LINE__, plain, "/Type ops_silent", false, kExitNotRun, 0, "no settings could be read"},
      // A prerequisite or the main installer cannot be run: missing beside the package.
      {__LINE__, types + pre("DoNotExtract=yes\r\n") + main, "/Type ops_silent", true, ERROR_FILE_NOT_FOUND, 0,
       "a prerequisite could not be run"},
      {__LINE__, types + pre("Arguments=exit=0\r\n") + "[Main]\r\nName=Main\r\nFile=absent.exe\r\nDoNotExtract=yes\r\n",
       "/Type ops_silent", true, ERROR_FILE_NOT_FOUND, 1, "the main installer could not be run"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    // A setup type without a Name is named after its main installer.
    test::RunOnceValueGuard named("Exit Suite_SetupPackage"), unnamed("Main_SetupPackage");
    test::Package p;
    p.Payload("pre.exe");
    p.Payload("main.exe");
    p.Build(c.settings);
    if (!c.editedBeside.empty()) test::WriteFile(p.folder + "\\Settings.ini", c.editedBeside);
    if (!c.settingsBeside) DeleteFileA((p.folder + "\\Settings.ini").c_str());
    std::unique_ptr<test::UnseenStation> unseen(c.unseen ? new test::UnseenStation : nullptr);
    test::ProcessResult result = p.Run("/Log " + Quote(p.log) + " " + c.arguments);  // OK to every window
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    CHECK(test::ReadJournal(p.journal).size() == c.installersRun);
    if (c.arguments.find("silent") != std::string::npos || c.arguments.find("quiet") != std::string::npos)
      CHECK(result.windows.empty());  // an unattended run waits for no one
    CHECK((test::ReadRunOnceValue("Exit Suite_SetupPackage").exists ||
           test::ReadRunOnceValue("Main_SetupPackage").exists) == c.resumes);
    std::vector<std::string> log = p.Log();
    REQUIRE(log.size() >= 2);
    const std::string ends = "RunBootstrapper - The package ends with exit code " + std::to_string(c.exitCode) + ": ";
    CHECK(log[log.size() - 2].rfind(ends + c.reason, 0) == 0);
    CHECK(test::HasLine(log, "InitPaths - Nobody can see this run's windows, as in a service's session or as the "
                             "system account without a desktop. It runs as with /quiet: silent, without any dialog, "
                             "message box or restart.") == c.unseen);
    if (c.arguments.find("/?") != std::string::npos)
      CHECK(test::HasLine(log, "ShowHelp - The run is unattended: the Help dialog is not shown."));
    if (c.settings.find("0x641") != std::string::npos)
      CHECK(test::HasLine(log, "DoSettings_Install - Prerequisite Pre: exit code 0 is in its FailCodes; the package "
                               "stops with 1603, since a failure must not read as success."));
  }
}

// The Welcome dialog is the executable's own; Escape in it cancels the whole package.
TEST_CASE("a Welcome dialog cancelled with Escape ends the package with 0 and installs nothing") {
  test::Package p;
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nName=Welcome Suite\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=3010\r\n");
  bool welcomeSeen = false;
  test::ProcessResult result = p.Run("/Log " + Quote(p.log), [&](const test::SeenWindow& window) {
    if (window.caption != "Welcome Suite Setup Package" || window.Text(IDC_SILENT_INSTALL) != "&Silent Install")
      return IDCANCEL;
    welcomeSeen = true;
    test::PressKey(FindWindowA("#32770", window.caption.c_str()), VK_ESCAPE);
    return 0;
  });
  REQUIRE(result.finished);
  CHECK(welcomeSeen);
  CHECK(result.exitCode == kExitSuccess);
  CHECK(test::ReadJournal(p.journal).empty());
  CHECK(test::HasLine(p.Log(), "RunBootstrapper - The package ends with exit code 0: cancelled at the Welcome dialog."));
}
