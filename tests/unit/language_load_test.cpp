// LoadResources: the language DLL written from unit_tests.exe's own "LANG_BOOTSTRAPPER" resource
// and loaded; the error reports when it cannot be extracted or loaded; the teardown. And what
// the loaded module serves besides messages: the Help dialog, shown in process.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "EngineTestSupport.h"
#include "LogLines.h"
#include "TestSupport.h"

namespace {

std::string ExtractLine(const std::string& output) {
  return "ExtractResource - Extracting the resource \"LANG_BOOTSTRAPPER\" of type \"LANGUAGE\" to the output file \"" +
         output + "\".";
}

}  // namespace

TEST_CASE("LoadResources extracts the language DLL into the working folder, loads it, and the teardown removes it") {
  test::ScratchDir dir("lang");
  std::string log = dir / "lang.log";
  std::string built = test::ReadFile(test::BinFile("PendrixLang.dll"));
  REQUIRE_FALSE(built.empty());
  std::string dll;
  std::vector<test::SeenWindow> seen;
  {
    Bootstrapper bootstrapper("");
    bootstrapper.OpenWorkFolder();
    test::LogTo(bootstrapper, log);
    dll = std::string(bootstrapper.m_szTempFolder) + "PendrixLang.dll";
    test::InProcessAnswerer watcher;

    CHECK(bootstrapper.LoadResources() == 0);
    seen = watcher.Stop();
    REQUIRE(bootstrapper.m_hLanguageModule != nullptr);
    CHECK(std::string(bootstrapper.m_szLanguageDllPath) == dll);
    CHECK(test::ReadFile(dll) == built);
    char caption[100] = {};
    LoadStringA(bootstrapper.m_hLanguageModule, 1, caption, sizeof(caption));
    CHECK(std::string(caption) == "Tarrowind Installation Error");
    // Loaded, the file cannot be removed from under the module.
    CHECK_FALSE(DeleteFileA(dll.c_str()));
    CHECK(test::JoinLines(test::LogMessages(log)) ==
          test::JoinLines({ExtractLine(dll), "LoadResources - Language resource file: " + dll + "."}));
  }
  CHECK(seen.empty());
  CHECK_FALSE(test::FileExists(dll));
}

TEST_CASE("LoadResources reports a language DLL that cannot be extracted, and the run goes on") {
  test::ScratchDir dir("langfail");
  for (bool silent : {false, true}) {
    CAPTURE(silent);
    std::string log = dir / "fail.log";
    DeleteFileA(log.c_str());
    std::vector<test::SeenWindow> seen;
    {
      Bootstrapper bootstrapper("");
      bootstrapper.OpenWorkFolder();
      test::LogTo(bootstrapper, log);
      bootstrapper.m_bSilent = silent;
      const std::string dll = std::string(bootstrapper.m_szTempFolder) + "PendrixLang.dll";
      bootstrapper.RemoveWorkFolder();  // as when no working folder could be made
      test::InProcessAnswerer watcher(nullptr, "langfail");

      CHECK(bootstrapper.LoadResources() == ERROR_PATH_NOT_FOUND);
      seen = watcher.Stop();
      CHECK(bootstrapper.m_hLanguageModule == nullptr);
      CHECK(test::JoinLines(test::LogMessages(log)) ==
            test::JoinLines({ExtractLine(dll), "ExtractResource - There is no working folder to write PendrixLang.dll to.",
                             "LoadResources - Failed to extract language resource file."}));
    }
    // Without a language module the report can only show its built-in text, under a caption
    // made with the display name, which is still empty this early.
    if (silent) {
      CHECK(seen.empty());
    } else {
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == " Setup Package Error");
      CHECK(test::MessageBoxText(seen[0]) == "There was an error during the installation process.");
    }
  }
}

TEST_CASE("ShowHelp shows dialog 101 of the language module with its icon, caption and help text") {
  std::string expectedText;
  for (UINT id : {51u, 67u, 53u, 54u, 64u, 66u, 82u, 86u, 14u}) expectedText += test::LanguageString(id);
  struct Case {
    int line;
    int button;  // both end the dialog
  } cases[] = {{__LINE__, IDCANCEL}, {__LINE__, IDOK}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::ScratchDir dir("help");
    std::string log = dir / "help.log";
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);
    HMODULE language = test::UseBuiltLanguage(bootstrapper);
    REQUIRE(language != nullptr);
    HICON bigIcon = nullptr, smallIcon = nullptr;
    test::InProcessAnswerer answerer(
        [&](HWND dialog, const test::SeenWindow&) {
          bigIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
          smallIcon = reinterpret_cast<HICON>(SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0));
          return c.button;
        },
        "helpdialog");

    CHECK(bootstrapper.ShowHelp() == 0);
    std::vector<test::SeenWindow> seen = answerer.Stop();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == "Tarrowind Setup Package Help");
    CHECK(seen[0].Text(IDC_HELP_TEXT) == expectedText);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), kSetupIconName);
    REQUIRE(icon != nullptr);
    CHECK(bigIcon == icon);
    CHECK(smallIcon == icon);
    CHECK(g_pActiveBootstrapper == &bootstrapper);
    CHECK(test::JoinLines(test::LogMessages(log)) == test::JoinLines({"ShowHelp - Displaying help dialog."}));
  }
}

TEST_CASE("Help and More Help without a language module, or without the dialog, show nothing but a report") {
  test::ScratchDir dir("helpfail");
  std::string noDialogs = test::BinFile("FakeInstaller.exe");  // a module with no dialog 101 and no strings
  struct Case {
    int line;
    bool moreHelp;
    const char* module;  // nullptr: no language module
    bool failed;         // ShowHelp could not create the dialog
    std::vector<std::string> lines;
  } cases[] = {
      {__LINE__, false, nullptr, false, {}},
      {__LINE__, true, nullptr, false, {}},
      {__LINE__, false, noDialogs.c_str(), true, {"ShowHelp - Displaying help dialog."}},
      {__LINE__, true, noDialogs.c_str(), false,
       {"ShowMoreHelp - Displaying more help dialog.",
        "ShowMoreHelp - No strings were specified for the More Help dialog."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string log = dir / "helpfail.log";
    DeleteFileA(log.c_str());
    Bootstrapper bootstrapper("");
    test::LogTo(bootstrapper, log);
    if (c.module != nullptr) {
      bootstrapper.m_hLanguageModule = LoadLibraryExA(c.module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
      REQUIRE(bootstrapper.m_hLanguageModule != nullptr);
    }
    test::InProcessAnswerer answerer(nullptr, "helpfail");

    DWORD result = c.moreHelp ? bootstrapper.ShowMoreHelp() : bootstrapper.ShowHelp();
    std::vector<test::SeenWindow> seen = answerer.Stop();
    std::vector<std::string> lines = test::LogMessages(log);
    if (c.module == nullptr) {
      CHECK(result == ERROR_INVALID_HANDLE);
      CHECK(seen.empty());
    } else if (!c.failed) {
      CHECK(result == 0);
      CHECK(seen.empty());
    } else {
      // IDS_HELP_FAILED is not in this module either, so the report shows the general text.
      CHECK(result != 0);
      REQUIRE(lines.size() == 2);
      CHECK(lines[1] == "ShowHelp - Failed to display the Help dialog. Error: " + std::to_string(result) + ".");
      lines.pop_back();
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == " Setup Package Error");
      CHECK(test::MessageBoxText(seen[0]) == "There was an error during the installation process.");
    }
    CHECK(test::JoinLines(lines) == test::JoinLines(c.lines));
  }
}
