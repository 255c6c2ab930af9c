// The RunOnce value that resumes the package after a restart: its name, its data with the quoted
// executable path and the welcome steps switched off once, and its removal.
#include <doctest.h>

#include <algorithm>
#include <string>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "RunOnceSupport.h"

TEST_CASE("the RunOnce data is the quoted executable and the command line, with each welcome step off once") {
  const std::string dlg = " /NoWelcomeDlg", wave = " /NoWelcomeWave";
  struct Case {
    int line;
    bool log;  // the fixture's "/Log <file>" leads the command line
    std::string commandLine;
    DWORD flags;
    std::string added;
  } cases[] = {
      // With no command line at all, the data format's own blank stays before the first option.
      {__LINE__, false, "", kWelcomeDlg | kWelcomeWave, dlg + wave},
      {__LINE__, true, "", kWelcomeDlg | kWelcomeWave, dlg + wave},
      {__LINE__, true, "", 0, ""},
      {__LINE__, true, "", kWelcomeWave, wave},
      {__LINE__, true, "/NoWelcomeDlg", kWelcomeDlg | kWelcomeWave, wave},
      {__LINE__, true, "/nowelcomedlg /Type Full", kWelcomeDlg | kWelcomeWave, wave},
      {__LINE__, true, "/NOWELCOMEDLG /noWelcomeWave", kWelcomeDlg | kWelcomeWave, ""},
      {__LINE__, true, "/NoWelcomeWave", kWelcomeDlg, dlg},
  };
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, MAX_PATH);
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixtureOptions options;
    options.log = c.log;
    options.commandLine = c.commandLine;
    options.log = false;  // the command line is the case's alone
    test::BootstrapperFixture f("", options);
    test::LogTo(f.b, f.dir() / "test.log");
    CopyCut(f.b.m_szDisplayName, "Unit Resume");
    f.b.ListSection.dwFlags = c.flags;
    const char* received = f.b.m_pCommandLine->GetCommandLineCopy();
    std::string expected = "\"" + std::string(program) + "\" " + (received ? received : "") + c.added;

    CHECK(f.b.AddToRunOnce());
    test::RunOnceValue value = test::ReadRunOnceValue("Unit Resume_SetupPackage");
    CHECK(value.exists);
    CHECK(value.wellFormed);
    CHECK(value.data == expected);
    if (c.log) CHECK(f.Logged("AddToRunOnce - Writing value \"Unit Resume_SetupPackage\" with data \"" + expected + "\"."));

    CHECK(f.b.RemoveFromRunOnce());
    CHECK_FALSE(test::ReadRunOnceValue("Unit Resume_SetupPackage").exists);
  }
}

TEST_CASE("a second removal finds no value and says so; a long display name cuts the value name") {
  test::BootstrapperFixture f("");
  std::string display(99, 'n');
  CopyCut(f.b.m_szDisplayName, display.c_str());
  std::string name = (display + "_SetupPackage").substr(0, 109);
  test::RunOnceValueGuard guard(name);
  CHECK(f.b.AddToRunOnce());
  CHECK(test::ReadRunOnceValue(name).exists);
  CHECK(f.b.RemoveFromRunOnce());
  size_t mark = f.Mark();
  CHECK_FALSE(f.b.RemoveFromRunOnce());
  const std::vector<std::string> expected = {"RemoveFromRunOnce - Deleting RunOnce value \"" + name + "\".",
                                             "RemoveFromRunOnce - Failed to delete the RunOnce value. Error: 2"};
  CHECK(f.Since(mark) == expected);
}

// The resumed run must be the same run: the same setup type, silent or not, and the same
// settings. What cannot come along is left out where a resume is still safe, and the log says so.
TEST_CASE("the RunOnce line leaves out what a command line cannot carry, or is not written at all") {
  // Room for /NoWelcomeDlg, but then not for /NoWelcomeWave.
  const std::string longType = "/Type " + std::string(980 - 6, 't');
  struct Case {
    int line;
    std::string commandLine;
    const char* logPath;      // the resolved /Log path; nullptr: as given
    const char* replacePath;  // the resolved /ReplaceSettings path; nullptr: as given
    bool systemAccount;
    bool written;
    std::string lastLine;  // "" when the value was written: then the writing line is last
  } cases[] = {
      {__LINE__, "/Type \"x /Log setup.log", "C:\\Anne-Marie\\setup.log", nullptr, false, true,
       "AddToRunOnce - The command line cannot quote the log path C:\\Anne-Marie\\setup.log: the resumed run logs to "
       "the default file beside the package, %d\\ZR_Setup_Package.log."},
      {__LINE__, "/Type \"x /ReplaceSettings alt.ini", nullptr, "C:\\Anne-Marie\\alt.ini", false, false,
       "AddToRunOnce - The settings file C:\\Anne-Marie\\alt.ini cannot be passed on: the command line cannot quote "
       "its path. No entry is written: after a restart, start the package again."},
      {__LINE__, "", nullptr, nullptr, true, false,
       "AddToRunOnce - The package runs as the system account, which never logs on: its RunOnce entry would never "
       "run, so none is written. After a restart, run the package again."},
      // The welcome options go before anything of the command line would.
      {__LINE__, longType, nullptr, nullptr, false, true,
       "AddToRunOnce - No room for /NoWelcomeWave: the resumed run greets the user again."},
      {__LINE__, longType + std::string(20, 't'), nullptr, nullptr, false, false,
       "AddToRunOnce - The command line is longer than 999 characters. The package will not resume after a restart."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixtureOptions options;
    options.commandLine = c.commandLine;
    options.log = false;  // the command line is the case's alone
    test::BootstrapperFixture f("", options);
    test::LogTo(f.b, f.dir() / "test.log");
    CopyCut(f.b.m_szDisplayName, "Unit Resume");
    test::RunOnceValueGuard guard("Unit Resume_SetupPackage");
    f.b.ListSection.dwFlags = kWelcomeDlg | kWelcomeWave;
    f.b.m_bSystemAccount = c.systemAccount;
    BootstrapperCommandLine& commandLine = *f.b.m_pCommandLine;
    if (c.logPath != nullptr) CopyCut(commandLine.m_szLogPath, c.logPath);
    if (c.replacePath != nullptr) CopyCut(commandLine.m_szReplaceSettingsPath, c.replacePath);

    CHECK(f.b.AddToRunOnce() == c.written);
    test::RunOnceValue value = test::ReadRunOnceValue("Unit Resume_SetupPackage");
    CHECK(value.exists == c.written);
    // /Type is never cut off, and a /Log whose path cannot come along stays without it.
    if (c.written) CHECK(value.data.find(c.logPath != nullptr ? " /Log /NoWelcomeDlg" : longType + " /NoWelcomeDlg") !=
                         std::string::npos);
    std::string last = c.lastLine;
    if (last.find("%d") != std::string::npos) last.replace(last.find("%d"), 2, f.b.m_szSourceDir);
    std::vector<std::string> log = f.Log();
    CHECK(std::count(log.begin(), log.end(), last) == 1);
  }
}
