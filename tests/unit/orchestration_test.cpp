// The install as a whole: the order of prerequisites and main installer, the log lines between
// them, the exit code of the package, the progress steps, a deferred restart and the magnifier.
#include <doctest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "FakeRestartCalls.h"
#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"
#include "RunOnceSupport.h"

#include <commctrl.h>

using test::BootstrapperFixture;
using test::BootstrapperFixtureOptions;

namespace {

// An installer section that extracts the fake installer under its own file name.
std::string Installer(const std::string& section, const std::string& arguments, const std::string& extra = "") {
  return "[" + section + "]\r\nName=Unit Fake\r\nFile=" + section + "-setup.exe\r\nArguments=" + arguments +
         "\r\n" + extra;
}

// Which installers ran, in order: the file name each was started as.
class Journal {
 public:
  explicit Journal(const test::ScratchDir& dir) : m_path(dir / "journal.txt") {
    SetEnvironmentVariableA("FAKE_INSTALLER_JOURNAL", m_path.c_str());
  }
  ~Journal() { SetEnvironmentVariableA("FAKE_INSTALLER_JOURNAL", nullptr); }
  std::vector<std::string> Started() const {
    std::vector<std::string> files;
    std::string text = test::ReadFile(m_path);
    for (size_t start = 0; start < text.size();) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 2;
      size_t slash = line.rfind('\\');
      files.push_back(slash == std::string::npos ? line : line.substr(slash + 1));
    }
    return files;
  }

 private:
  std::string m_path;
};

// The lines of the orchestration itself, without those of the operations it calls, nor its
// judgements in words.
std::vector<std::string> OrchestrationLines(const std::vector<std::string>& log) {
  std::vector<std::string> lines;
  for (const std::string& line : log)
    if ((line.rfind("DoSettings_Install - ", 0) == 0 && line.rfind("DoSettings_Install - Prerequisite ", 0) != 0) ||
        line.rfind("InstallPrerequisite - ", 0) == 0 || line.rfind("InstallMain - ", 0) == 0)
      lines.push_back(line);
  return lines;
}

}  // namespace

TEST_CASE("a setup type with a main installer only runs it and returns its code unjudged") {
  BootstrapperFixture f("[default]\r\nMainInstall=Main\r\n" + Installer("Main", "exit=3010", "FailCodes=3010\r\n"));
  Journal journal(f.dir());
  CHECK(f.b.DoSettings_Install() == 3010);
  CHECK(journal.Started() == std::vector<std::string>{"main-setup.exe"});
  CHECK(f.b.m_dwPrerequisiteCount == 0);
  const std::vector<std::string> expected = {
      "DoSettings_Install - Settings file: " + f.settingsPath() + ".",
      "InstallMain - Installing the main product Main.",
      "InstallMain - Installation exit code: 3010",
      "DoSettings_Install - Install main exit code: 3010",
  };
  CHECK(test::JoinLines(OrchestrationLines(f.Log())) == test::JoinLines(expected));
}

TEST_CASE("prerequisites run in the order written, then the main installer") {
  struct Case {
    int line;
    const char* preInstall;
    const char* mainInstall;
    DWORD exitCode;
    std::vector<std::string> started;
    std::vector<std::string> lines;
  } cases[] = {
      {__LINE__, "A||B|", "", 3010, {"a-setup.exe", "b-setup.exe"},
       {"InstallPrerequisite - Installing the prerequisite A.", "InstallPrerequisite - Installation exit code: 1",
        "DoSettings_Install - Install prerequisite exit code: 1; return action: 0",
        "InstallPrerequisite - Installing the prerequisite B.", "InstallPrerequisite - Installation exit code: 3010",
        "DoSettings_Install - Install prerequisite exit code: 3010; return action: 0",
        "DoSettings_Install - No main install found."}},
      {__LINE__, "|B|A", "Main", 7, {"b-setup.exe", "a-setup.exe", "main-setup.exe"},
       {"InstallPrerequisite - Installing the prerequisite B.", "InstallPrerequisite - Installation exit code: 3010",
        "DoSettings_Install - Install prerequisite exit code: 3010; return action: 0",
        "InstallPrerequisite - Installing the prerequisite A.", "InstallPrerequisite - Installation exit code: 1",
        "DoSettings_Install - Install prerequisite exit code: 1; return action: 0",
        "InstallMain - Installing the main product Main.", "InstallMain - Installation exit code: 7",
        "DoSettings_Install - Install main exit code: 7"}},
      // A prerequisite whose section is missing could not run: its component fails, and the
      // package stops with 13 before anything that needs it.
      {__LINE__, "A|Gone|B", "Main", kExitNotRun, {"a-setup.exe"},
       {"InstallPrerequisite - Installing the prerequisite A.", "InstallPrerequisite - Installation exit code: 1",
        "DoSettings_Install - Install prerequisite exit code: 1; return action: 0",
        "InstallPrerequisite - Installing the prerequisite Gone.", "InstallPrerequisite - Installation exit code: 13",
        "InstallPrerequisite - The prerequisite Gone could not be run; the package stops with 13.",
        "DoSettings_Install - Install prerequisite exit code: 13; return action: 1"}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f(std::string("[default]\r\nPreInstall=") + c.preInstall + "\r\nMainInstall=" + c.mainInstall +
                          "\r\n" + Installer("A", "exit=1") + Installer("B", "exit=3010") +
                          Installer("Main", "exit=7"));
    Journal journal(f.dir());
    CHECK(f.b.DoSettings_Install() == c.exitCode);
    CHECK(journal.Started() == c.started);
    std::vector<std::string> expected = {"DoSettings_Install - Settings file: " + f.settingsPath() + "."};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    CHECK(test::JoinLines(OrchestrationLines(f.Log())) == test::JoinLines(expected));
    CHECK(f.Logged("DoSettings_Install - Prerequisite A: exit code 1 is in none of its lists, so it is not judged; the "
                   "package goes on."));
  }
}

// Its own box says what is wrong; a second one that the product could not be installed would only
// repeat it. (A prerequisite's is run end to end.)
TEST_CASE("a main installer section that does not exist is told in one box, and the package ends with 13") {
  BootstrapperFixtureOptions options;
  options.silent = false;
  BootstrapperFixture f("[default]\r\nName=Unit Gone\r\nMainInstall=Gone\r\n", options);
  test::UseBuiltLanguage(f.b);
  test::InProcessAnswerer answerer(nullptr, "gone");
  CHECK(f.b.DoSettings_Install() == kExitNotRun);
  std::vector<test::SeenWindow> seen = answerer.Stop();
  REQUIRE(seen.size() == 1);
  std::string text = test::LanguageString(IDS_SECTION_MISSING);
  CHECK(test::MessageBoxText(seen[0]) == text.replace(text.find("%s"), 2, "Gone"));
}

TEST_CASE("the prerequisite count is the number of names in PreInstall") {
  BootstrapperFixture f("[default]\r\nPreInstall=A||A|A\r\n" + Installer("A", "exit=0"));
  CHECK(f.b.DoSettings_Install() == 0);
  CHECK(f.b.m_dwPrerequisiteCount == 3);
}

TEST_CASE("without settings or installers nothing runs") {
  struct Case {
    int line;
    const char* commandLine;
    const char* settings;  // nullptr: no settings file
    DWORD exitCode;
    const char* lastLine;
  } cases[] = {
      {__LINE__, "", nullptr, kExitNoSettings, "DoSettings_Install - No Settings file to run."},
      {__LINE__, "", "[default]\r\nName=Nothing\r\n", kExitNotRun,
       "DoSettings_Install - Failed to read the List section in Settings."},
      {__LINE__, "/Type", "[default]\r\nMainInstall=Main\r\n", kExitNotRun,
       "DoSettings_Install - Failed to read the List section in Settings."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.commandLine = c.commandLine;
    BootstrapperFixture f(std::string(c.settings ? c.settings : "") + Installer("Main", "exit=9"), options);
    if (c.settings == nullptr) DeleteFileA(f.settingsPath().c_str());
    Journal journal(f.dir());
    CHECK(f.b.DoSettings_Install() == c.exitCode);
    CHECK(journal.Started().empty());
    REQUIRE_FALSE(f.Log().empty());
    CHECK(f.Log().back() == c.lastLine);
  }
}

TEST_CASE("the progress bar steps once per prerequisite") {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
  REQUIRE(bar != nullptr);
  SendMessageA(bar, PBM_SETRANGE32, 0, 10);
  SendMessageA(bar, PBM_SETSTEP, 1, 0);
  BootstrapperFixture f("[default]\r\nPreInstall=A|B|A\r\nMainInstall=Main\r\n" + Installer("A", "exit=0") +
                        Installer("B", "exit=0") + Installer("Main", "exit=0"));
  f.b.m_hProgressBar = bar;
  CHECK(f.b.DoSettings_Install() == 0);
  // The steps were posted: they arrive when this thread reads its messages.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  CHECK(SendMessageA(bar, PBM_GETPOS, 0, 0) == 3);
  DestroyWindow(bar);
}

TEST_CASE("a restart deferred by the prerequisites is asked for once, after the last of them") {
  // A and B record their restart as their Reboot mode says; Main follows unless told otherwise.
  struct Case {
    int line;
    const char* rebootA;
    const char* rebootB;
    bool main;
    bool silent;
    int answer;        // 0: no box expected
    bool cancelButton;  // mode 1 has Cancel, mode 2 has OK only
    DWORD exitCode;
    int restarts;
    bool runOnceLeft;
    bool restartFails = false;  // Windows starts no restart: the extended and the older call fail
  } cases[] = {
      {__LINE__, "defer", "defer", true, false, IDCANCEL, true, 5, 0, false},
      // Agreed with a main installer still to come: the package resumes after the restart.
      {__LINE__, "defer", "defer", true, false, IDOK, true, kExitRestartInitiated, 1, true},
      {__LINE__, "defer", "deferforce", true, false, IDOK, false, kExitRestartInitiated, 1, true},
      // Agreed, but it cannot start: as declined, never 1641.
      {__LINE__, "defer", "defer", true, false, IDOK, true, 5, 2, false, true},
      {__LINE__, "deferforce", "none", false, false, IDOK, false, kExitRestartInitiated, 1, false},
      {__LINE__, "defer", "deferforce", true, true, 0, false, 5, 0, false},
      {__LINE__, "none", "return", true, false, 0, false, 5, 0, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.silent = c.silent;
    const std::string codes = "RebootCodes=3010\r\n";
    BootstrapperFixture f(std::string("[default]\r\nName=Unit Restart\r\nPreInstall=A|B\r\nMainInstall=") +
                              (c.main ? "Main" : "") + "\r\n" +
                              Installer("A", "exit=3010", codes + "Reboot=" + c.rebootA + "\r\n") +
                              Installer("B", "exit=3010", codes + "Reboot=" + c.rebootB + "\r\n") +
                              Installer("Main", "exit=5"),
                          options);
    test::UseBuiltLanguage(f.b);
    test::FakeRestartCalls restart({false, c.restartFails ? test::FakeInitiate::kFails : test::FakeInitiate::kSucceeds,
                                    c.restartFails});
    Journal journal(f.dir());
    test::InProcessAnswerer answerer([&](HWND, const test::SeenWindow&) { return c.answer; }, "deferred");
    CHECK(f.b.DoSettings_Install() == c.exitCode);
    std::vector<test::SeenWindow> seen = answerer.Stop();

    CHECK(restart.Requests() == c.restarts);
    REQUIRE(seen.size() == (c.answer != 0 ? 1u : 0u));
    if (c.answer != 0) {
      const unsigned text = c.cancelButton ? (c.main ? IDS_REBOOT_NOW_OR_LATER_RESUME : IDS_REBOOT_NOW_OR_LATER)
                                           : (c.main ? IDS_REBOOT_NOW_RESUME : IDS_REBOOT_NOW);
      CHECK(test::MessageBoxText(seen[0]) == test::LanguageString(text));
      CHECK((seen[0].Text(IDCANCEL) != "") == c.cancelButton);
    }
    CHECK((journal.Started().back() == "main-setup.exe") == (c.exitCode == 5));
    CHECK(test::ReadRunOnceValue("Unit Restart_SetupPackage").exists == c.runOnceLeft);
    std::vector<std::string> lines = OrchestrationLines(f.Log());
    CHECK(std::count(lines.begin(), lines.end(), "DoSettings_Install - Deferred reboot detected.") ==
          (c.answer != 0 || c.silent ? 1 : 0));
  }
}

TEST_CASE("a running magnifier is asked to close and waited for") {
  BootstrapperFixture f("");
  size_t mark = f.Mark();
  f.b.CloseMagnifier();  // none running: nothing to do
  CHECK(f.Since(mark).empty());

  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + test::BinFile("FakeMagnifier.exe") + "\"";
  REQUIRE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  CloseHandle(process.hThread);
  WaitForInputIdle(process.hProcess, 10000);
  for (int i = 0; i < 200 && FindWindowA("LUMORAUI", nullptr) == nullptr; i++) Sleep(50);
  REQUIRE(FindWindowA("LUMORAUI", nullptr) != nullptr);

  f.b.CloseMagnifier();
  // It has ended by the time the call returns, on its own, with its own exit code.
  CHECK(WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0);
  DWORD exitCode = 99;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CHECK(exitCode == 0);
  CHECK(FindWindowA("LUMORAUI", nullptr) == nullptr);
  CHECK(f.Since(mark) == std::vector<std::string>{"CloseMagnifier - Asked the magnifier to close."});
  if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hProcess);
}
