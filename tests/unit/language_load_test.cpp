// LoadResources: the language DLL written from unit_tests.exe's own "LANG_BOOTSTRAPPER" resource
// and loaded; the error reports when it cannot be extracted or loaded; the teardown.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "EngineTestSupport.h"
#include "LogLines.h"
#include "TestSupport.h"

namespace {

std::string ExtractLine(const std::string& output) {
  return "ExtractResource - Extracting the resource \"LANG_BOOTSTRAPPER\" of type \"LANGUAGE\" to the output file \"" +
         output + "\".";
}

}  // namespace

TEST_CASE("LoadResources extracts the language DLL, loads it, and the teardown removes it") {
  test::ScratchDir dir("lang");
  std::string dll = dir / "PendrixLang.dll";
  std::string log = dir / "lang.log";
  std::string built = test::ReadFile(test::BinFile("PendrixLang.dll"));
  REQUIRE_FALSE(built.empty());
  struct Case {
    int line;
    const char* stale;  // a file left at the path by an earlier run, or nullptr
  } cases[] = {
      {__LINE__, nullptr},
      {__LINE__, "a stale language file from an earlier run"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    DeleteFileA(log.c_str());
    if (c.stale != nullptr) REQUIRE(test::WriteFile(dll, c.stale));
    std::vector<test::SeenWindow> seen;
    {
      Bootstrapper bootstrapper("");
      test::LogTo(bootstrapper, log);
      CopyCut(bootstrapper.m_szLanguageDllPath, dll.c_str());
      test::InProcessAnswerer watcher;

      CHECK(bootstrapper.LoadResources() == 0);
      seen = watcher.Stop();
      REQUIRE(bootstrapper.m_hLanguageModule != nullptr);
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
}

TEST_CASE("LoadResources reports a language DLL that cannot be extracted or loaded, and the run goes on") {
  test::ScratchDir dir("langfail");
  // Without an extension LoadLibraryA looks for the name with ".dll" added, which is not there.
  std::string noExtension = dir / "PendrixLang";
  std::string noFolder = dir / "missing\\PendrixLang.dll";
  struct Case {
    int line;
    std::string path;
    bool silent;
    DWORD result;
    std::vector<std::string> lines;
    bool fileLeft;  // an extracted file that could not be loaded stays at teardown
  } cases[] = {
      {__LINE__, noFolder, false, ERROR_PATH_NOT_FOUND,
       {ExtractLine(noFolder), "ExtractResource - Failed to create the resource output file. Error: 3",
        "LoadResources - Failed to extract language resource file."},
       false},
      {__LINE__, noExtension, false, ERROR_MOD_NOT_FOUND,
       {ExtractLine(noExtension), "LoadResources - Language resource file: " + noExtension + ".",
        "LoadResources - Failed to load the language resource file. Error: 126"},
       true},
      {__LINE__, noExtension, true, ERROR_MOD_NOT_FOUND,
       {ExtractLine(noExtension), "LoadResources - Language resource file: " + noExtension + ".",
        "LoadResources - Failed to load the language resource file. Error: 126"},
       true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string log = dir / "fail.log";
    DeleteFileA(log.c_str());
    DeleteFileA(c.path.c_str());
    std::vector<test::SeenWindow> seen;
    {
      Bootstrapper bootstrapper("");
      test::LogTo(bootstrapper, log);
      bootstrapper.m_bSilent = c.silent;
      CopyCut(bootstrapper.m_szLanguageDllPath, c.path.c_str());
      test::InProcessAnswerer watcher(nullptr, "langfail");

      CHECK(bootstrapper.LoadResources() == c.result);
      seen = watcher.Stop();
      CHECK(bootstrapper.m_hLanguageModule == nullptr);
      CHECK(test::JoinLines(test::LogMessages(log)) == test::JoinLines(c.lines));
    }
    // Without a language module the report can only show its built-in text, under a caption
    // made with the display name, which is still empty this early.
    if (c.silent) {
      CHECK(seen.empty());
    } else {
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == " Setup Package Error");
      CHECK(test::MessageBoxText(seen[0]) == "There was an error during the installation process.");
    }
    CHECK(test::FileExists(c.path) == c.fileLeft);
  }
}
