// A progress dialog that cannot be shown holds nothing back: the prerequisites and the main
// installer run as they would without one, and no thread or handle is left behind.
#include <doctest.h>

#include <string>

#include "BootstrapperFixture.h"
#include "LogLines.h"

TEST_CASE("without a dialog to show, the install goes on") {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  struct Case {
    int line;
    const char* languageModule;  // loaded as data; nullptr: none
    const char* logged;
  } cases[] = {
      {__LINE__, nullptr, "StartProgressDialog - No language module; the progress dialog is not shown."},
      // A module without the dialog's template: the dialog cannot be created.
      {__LINE__, self, "StartProgressDialog - The progress dialog could not be shown."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f(
        "[default]\r\nPreInstall=A\r\nMainInstall=Main\r\nShowProgressBar=yes\r\n"
        "[A]\r\nName=Unit Fake\r\nFile=a-setup.exe\r\nArguments=exit=0\r\n"
        "[Main]\r\nName=Unit Fake\r\nFile=main-setup.exe\r\nArguments=exit=7\r\n");
    if (c.languageModule != nullptr) {
      f.b.m_hLanguageModule = LoadLibraryExA(c.languageModule, nullptr, LOAD_LIBRARY_AS_DATAFILE);
      REQUIRE(f.b.m_hLanguageModule != nullptr);
    }
    CHECK(f.b.DoSettings_Install() == 7);
    std::vector<std::string> log = f.Log();
    INFO(test::JoinLines(log));
    CHECK(test::HasLine(log, c.logged));
    CHECK(test::HasLine(log, "InstallMain - Installation exit code: 7"));
    CHECK(f.b.m_hProgressThread == nullptr);
    CHECK(f.b.m_pProgressShare == nullptr);
  }
}
