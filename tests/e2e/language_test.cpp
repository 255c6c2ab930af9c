// A package with a second language, the German of examples/suite, run as its users run it: the
// German user hears and reads German, the English user English (ctest runs the first case once
// for each: e2e/language_test and e2e/language_test_german), and /UILanguage chooses for a run.
#include <doctest.h>

#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "RunOnceSupport.h"
#include "TestSupport.h"
#include "ui/language/resource.h"

using test::Package;
using test::Quote;

namespace {

constexpr LANGID kGerman = 0x0407;

std::string GermanFolder() { return test::BinFile("examples\\suite\\de-DE"); }

// UTF-8 text as the package's ANSI windows show it.
std::string Ansi(const std::string& utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], wide.size()));
  std::string ansi(wide.size() * 2, '\0');
  ansi.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], ansi.size(),
                                  nullptr, nullptr));
  return ansi;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

}  // namespace

TEST_CASE("a package speaks its user's language: its dialog, its boxes and its log; it cleans up in any language") {
  const bool german = GetUserDefaultUILanguage() == kGerman;
  // The German user is the one Wine was started for in German (e2e/language_test_german).
  char locale[64] = {};
  GetEnvironmentVariableA("LC_ALL", locale, sizeof(locale));
  REQUIRE(german == StartsWith(locale, "de_DE"));
  test::MsiProductGuard gamma(test::kGammaProductCode);
  Package p;
  p.Payload("gamma-1.0.0.msi", test::ReadFile(test::MsiFixture("gamma-1.0.0.msi")));
  p.Payload("main.exe");
  p.packOptions = "--language de-DE=" + Quote(GermanFolder());
  p.Build(
      "[default]\r\nName=Broken Suite\r\nPreInstall=Runtime\r\nMainInstall=Main\r\nWelcomeDlg=yes\r\n"
      "[Runtime]\r\nName=Runtime\r\nFile=" + p.msiexec + "\r\nArguments=/i gamma-1.0.0.msi exit=1603\r\n"
      "ReinstallCodes=1603\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::RunOnceValueGuard runOnce("Broken Suite_SetupPackage");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log), [](const test::SeenWindow&) { return IDOK; });
  REQUIRE(result.finished);
  CHECK(result.exitCode == 1603);

  // The Welcome dialog, the reinstall question, and the failure of the second run.
  REQUIRE(result.windows.size() == 3);
  CHECK(result.windows[0].Text(IDC_PACKAGE_WELCOME_TITLE) ==
        (german ? Ansi("Willkommen beim Setup-Paket Broken Suite.") : "Welcome to the Broken Suite setup package."));
  CHECK(result.windows[0].Text(IDOK) == (german ? "&Mit Sprache" : "&Talking Install"));
  CHECK(StartsWith(result.windows[1].Text(0xFFFF),
                   german ? Ansi("Das Setup-Paket konnte die erforderliche Komponente Runtime nicht installieren.")
                          : "The setup package could not install the required component Runtime."));
  CHECK(result.windows[2].caption == (german ? "Fehler im Setup-Paket Broken Suite" : "Broken Suite Setup Package Error"));

  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  CHECK(test::HasLine(log, german ? "LoadResources - Language de-DE (1031): the user's UI language."
                                  : "LoadResources - Language en-US (1033), the built-in one: the user's UI language."));
  // The cleanup tool is the executable's, whatever the language.
  CHECK(test::HasLine(log, "Run - Launching file \"" + test::WorkFolderOf(log) + "MsiZap.exe\" with arguments \"TW! " +
                               test::kGammaProductCode + "\"."));
  CHECK(test::LinesStartingWith(log, "InstallPrerequisite - Installing the prerequisite Runtime.").size() == 2);
}

TEST_CASE("/UILanguage chooses a language for a run and the resume keeps it; --list shows the languages") {
  Package p;
  p.Payload("pre.exe");
  p.Payload("main.exe");
  p.packOptions = "--language de-DE=" + Quote(GermanFolder());
  p.Build("[default]\r\nName=Vellora\r\nPreInstall=Pre\r\nMainInstall=Main\r\n[Pre]\r\nName=Pre\r\nFile=pre.exe\r\n"
          "Arguments=exit=0\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n",
          true);

  test::ConsoleResult listed = test::RunPack("--list " + Quote(p.exe));
  REQUIRE(listed.exitCode == 0);
  std::vector<std::string> lines = test::Lines(listed.out);
  size_t languages = test::IndexOf(lines, "Languages:");
  REQUIRE(languages + 2 < lines.size());
  CHECK(StartsWith(lines[languages + 1], "  en-US (1033): built in, resource LANG_BOOTSTRAPPER, "));
  CHECK(StartsWith(lines[languages + 2], "  de-DE (1031): resource LANG_1031, "));
  CHECK(lines[languages + 2].find("shown where the ANSI code page is one of: ") != std::string::npos);
  CHECK(lines[languages + 2].find(" 1252") != std::string::npos);

  struct Row {
    int line;
    std::string language;
    bool german;
    std::string why;  // the end of the log line that names the language
  };
  const bool userGerman = GetUserDefaultUILanguage() == kGerman;
  const std::string userLanguage = userGerman ? "de-DE (1031): the user's UI language."
                                              : "en-US (1033), the built-in one: the user's UI language.";
  const Row rows[] = {
      {__LINE__, "de_DE", true, "de-DE (1031): /UILanguage de_DE asks for it."},
      {__LINE__, "1031", true, "de-DE (1031): /UILanguage 1031 asks for it."},
      {__LINE__, "de_AT", true, "de-DE (1031): the same language as /UILanguage de_AT asks for."},
      {__LINE__, "en", false, "en-US (1033), the built-in one: the same language as /UILanguage en asks for."},
      {__LINE__, "fr", userGerman, userLanguage},
  };
  for (const Row& row : rows) {
    CAPTURE(row.line);
    test::ProcessResult help = p.Run("/UILanguage " + row.language + " /Help /Log " + Quote(p.log));
    REQUIRE(help.windows.size() == 1);
    CHECK(help.windows[0].caption == (row.german ? "Hilfe zum Tarrowind-Setup-Paket" : "Tarrowind Setup Package Help"));
    std::vector<std::string> log = p.Log();
    INFO(test::JoinLines(log));
    CHECK(test::HasLine(log, "LoadResources - Language " + row.why));
    CHECK(test::HasLine(log, "LoadResources - /UILanguage fr names no language of this package that can be shown here.") ==
          (row.language == "fr"));
    DeleteFileA(p.log.c_str());
  }

  // The RunOnce entry written before the prerequisites starts the package with the same choice.
  test::RunOnceValueGuard runOnce("Vellora_SetupPackage");
  test::ProcessResult install = p.Run("/UILanguage de_DE /Log " + Quote(p.log));
  CHECK(install.exitCode == 0);
  CHECK(test::HasLine(p.Log(), "AddToRunOnce - Writing value \"Vellora_SetupPackage\" with data \"" + Quote(p.exe) +
                                   " /UILanguage de_DE /Log " + Quote(p.log) + "\"."));
}
