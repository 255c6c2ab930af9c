// The RunOnce value that resumes the package after a restart: its name, its data with the quoted
// executable path and the welcome steps switched off once, and its removal.
#include <doctest.h>

#include <string>

#include "BootstrapperFixture.h"
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
    test::BootstrapperFixture f("", options);
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
