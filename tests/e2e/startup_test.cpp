// The engine started as a user starts it: single instance, the command line, the log, silent
// mode, and the whole 32-bit exit code.
#include <doctest.h>

#include <string>

#include "PackageSupport.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"

namespace {

using test::PackageFolder;

const char kMainOnly[] =
    "[default]\r\nMainInstall=Main\r\n"
    "[Main]\r\nName=Main\r\nFile=fakeinstaller.exe\r\nArguments=exit=3010\r\nDoNotExtract=yes\r\n";

int PressOk(const test::SeenWindow&) { return IDOK; }

}  // namespace

TEST_CASE("a second instance exits with 13 at once, makes no folder and logs only its start, why it ends, and its finish") {
  PackageFolder package(kMainOnly);
  std::string log = package.dir / "second.log";
  // Another instance holds the package's mutex.
  HANDLE first = CreateMutexA(nullptr, FALSE, "PendrixSingleInstance");
  REQUIRE(first != nullptr);
  test::ProcessResult result = package.Run("/Log \"" + log + "\" /norestart");
  CloseHandle(first);

  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(result.windows.empty());
  // No working folder is made, and no earlier run's folder is looked at.
  std::vector<std::string> messages = test::LogMessages(log);
  REQUIRE(messages.size() == 8);
  CHECK(messages[0] == "*** Pendrix - Start. ***");
  CHECK(messages[1].rfind("InitPaths - Pendrix ", 0) == 0);
  CHECK(messages[2] == "InitPaths - Ignored the unknown option \"norestart\".");
  CHECK(messages[3].rfind("SetWelcomeDlgRes - hInstance: 0x", 0) == 0);
  CHECK(messages[3].find("dwDlgID: 107, dwStaticMsg1ID: 104, dwStaticMsg2ID: 105, dwStaticSidePanelID: 106, "
                         "dwSidePanelBmpID: 108.") != std::string::npos);
  CHECK(messages[4] == "RunBootstrapper - Source directory: " + package.dir.path() + ".");
  CHECK(messages[5] == "RunBootstrapper - Bootstrapper command-line: /Log \"" + log + "\" /norestart.");
  CHECK(messages[6] == "RunBootstrapper - The package ends with exit code 13: another copy is running.");
  CHECK(messages[7] == "*** Pendrix - Finish. ***");
}

TEST_CASE("a second instance started while the first shows its Help dialog exits with 13") {
  PackageFolder package(kMainOnly);
  DWORD secondExit = 0;
  bool secondFinished = false;
  test::ProcessResult first = package.Run("/Help", [&](const test::SeenWindow& window) {
    if (window.caption == "Tarrowind Setup Package Help") {
      test::ProcessResult second = package.Run("");
      secondFinished = second.finished && second.windows.empty();
      secondExit = second.exitCode;
    }
    return IDCANCEL;
  });
  REQUIRE(first.finished);
  REQUIRE(first.windows.size() == 1);
  CHECK(first.exitCode == kExitNotRun);
  CHECK(secondFinished);
  CHECK(secondExit == kExitNotRun);
}

TEST_CASE("an empty command line runs the default setup type without a log") {
  PackageFolder package(kMainOnly);
  test::ProcessResult result = package.Run("");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 3010);  // the main installer's whole exit code
  CHECK(result.windows.empty());
  CHECK_FALSE(test::FileExists(package.dir / "ZR_Setup_Package.log"));
}

TEST_CASE("/Log without a value writes the default log beside the executable") {
  PackageFolder package(kMainOnly);
  test::ProcessResult result = package.Run("/Log");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 3010);
  std::vector<std::string> messages = test::LogMessages(package.dir / "ZR_Setup_Package.log");
  REQUIRE(messages.size() > 2);
  CHECK(messages.front() == "*** Pendrix - Start. ***");
  CHECK(messages.back() == "*** Pendrix - Finish. ***");
}

TEST_CASE("a log folder that cannot be written turns logging off without affecting the run") {
  PackageFolder package(kMainOnly);
  test::ProcessResult result = package.Run("/Log \"" + (package.dir / "missing\\setup.log") + "\"");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 3010);
  CHECK(result.windows.empty());
}

TEST_CASE("silent mode comes from a setup type containing \"silent\", case-sensitively") {
  // Neither setup type has a section, so the run stops with a settings error that only a
  // non-silent run shows.
  PackageFolder package(kMainOnly);
  test::ProcessResult silent = package.Run("/Type my_silent", PressOk);
  REQUIRE(silent.finished);
  CHECK(silent.exitCode == kExitNotRun);
  CHECK(silent.windows.empty());

  test::ProcessResult loud = package.Run("/Type SilentCD", PressOk);
  REQUIRE(loud.finished);
  CHECK(loud.exitCode == kExitNotRun);
  REQUIRE(loud.windows.size() == 1);
  CHECK(loud.windows[0].AllText().find("were not specified for the SilentCD setup type.") != std::string::npos);
}

TEST_CASE("/Type without a value leaves the setup type undefined") {
  PackageFolder package(kMainOnly);
  std::string log = package.dir / "type.log";
  test::ProcessResult result = package.Run("/Log \"" + log + "\" /Type", PressOk);
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(result.windows.empty());
  std::vector<std::string> messages = test::LogMessages(log);
  bool undefined = false;
  for (const std::string& message : messages) undefined |= message == "SetListSection - Setup type is undefined.";
  CHECK(undefined);
}

TEST_CASE("while the package runs, its hidden minimised window gives it a taskbar entry") {
  PackageFolder package(kMainOnly);
  bool found = false, minimised = false, visible = false;
  std::string title;
  test::ProcessResult result = package.Run("/Help", [&](const test::SeenWindow&) {
    HWND hidden = FindWindowA("BootstrapperHiddenWindow", nullptr);
    found = hidden != nullptr;
    if (found) {
      char text[64] = {};
      GetWindowTextA(hidden, text, sizeof(text));
      title = text;
      minimised = IsIconic(hidden) != FALSE;
      visible = IsWindowVisible(hidden) != FALSE;
    }
    return IDCANCEL;
  });
  REQUIRE(result.finished);
  CHECK(found);
  CHECK(title == "Installing Vellora");
  CHECK(minimised);
  CHECK(visible);
  // The window and its class are gone with the process.
  CHECK(FindWindowA("BootstrapperHiddenWindow", nullptr) == nullptr);
}
