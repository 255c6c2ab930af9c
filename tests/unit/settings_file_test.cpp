// The settings file: the embedded settings or a replacement, copied into the working folder and
// held there for the run, and /ExtractSettings. unit_tests.exe carries an embedded
// "SETTINGS_INI" (tests/unit/settings_resources.rc); the source directory is a scratch folder of
// the test. The file beside a package without embedded settings is read in e2e/settings_test.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "EngineTestSupport.h"
#include "LogLines.h"
#include "TestSupport.h"

namespace {

const char kEmbedded[] = "[default]\r\nMainInstall=FromResource\r\n";
const char kBeside[] = "[default]\r\nMainInstall=FromSourceDirectory\r\n";
const char kCaption[] = "Tarrowind Installation Error";

std::string ExtractLine(const std::string& output) {
  return "ExtractResource - Extracting the resource \"SETTINGS_INI\" of type \"TEXT\" to the output file \"" + output +
         "\".";
}

std::string MainInstall(const std::string& settingsPath) {
  char value[100] = {};
  GetPrivateProfileStringA("default", "MainInstall", "", value, sizeof(value), settingsPath.c_str());
  return value;
}

// A package run in scratch folders: the executable's folder, a log, and the built language
// module for the error reports; its working folder is its own.
struct SettingsRun {
  test::ScratchDir dir{"settings"};
  std::string sourceDir = dir / "source";
  std::string log = dir / "settings.log";
  Bootstrapper bootstrapper{""};
  std::string copy = test::OpenedWorkFolder(bootstrapper) + "Settings.ini";

  SettingsRun() {
    CreateDirectoryA(sourceDir.c_str(), nullptr);
    test::LogTo(bootstrapper, log);
    CopyCut(bootstrapper.m_szSourceDir, sourceDir.c_str());
    test::UseBuiltLanguage(bootstrapper);
  }
  std::string SettingsPath() const { return bootstrapper.m_szSettingsPath; }
  std::string Log() const { return test::JoinLines(test::LogMessages(log)); }
  void Replace(const char* path) {
    bootstrapper.m_pCommandLine->m_dwFlags |= kOptReplaceSettings;
    CopyCut(bootstrapper.m_pCommandLine->m_szReplaceSettingsPath, path);
  }
};

}  // namespace

TEST_CASE("the embedded settings come first and are held open until released") {
  SettingsRun run;
  const std::string copy = run.copy;
  REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
  test::InProcessAnswerer watcher;

  CHECK(run.bootstrapper.GetSettingsFile() == 0);
  CHECK(watcher.Stop().empty());
  CHECK(run.SettingsPath() == copy);
  CHECK(test::ReadFile(copy) == kEmbedded);
  CHECK(run.Log() == test::JoinLines({ExtractLine(copy)}));

  // Held: readable by the section readers, but not to be changed, deleted or moved by anyone.
  CHECK(run.bootstrapper.m_hSettingsFile != INVALID_HANDLE_VALUE);
  CHECK(MainInstall(run.SettingsPath()) == "FromResource");
  CHECK_FALSE(DeleteFileA(copy.c_str()));
  CHECK(GetLastError() == ERROR_SHARING_VIOLATION);
  CHECK(CreateFileA(copy.c_str(), GENERIC_WRITE, 7, nullptr, OPEN_EXISTING, 0, nullptr) == INVALID_HANDLE_VALUE);

  run.bootstrapper.ReleaseSettingsFile();
  CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
  CHECK_FALSE(test::FileExists(copy));
  run.bootstrapper.ReleaseSettingsFile();  // a second release finds nothing to do
  CHECK(test::FileExists(run.sourceDir + "\\Settings.ini"));
}

// Otherwise a program that keeps the copy from being written would make the package run the
// settings someone put beside it.
TEST_CASE("a package that carries its settings reads no other file, even when their copy cannot be written") {
  SettingsRun run;
  REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
  run.bootstrapper.RemoveWorkFolder();  // nowhere to write the copy
  test::InProcessAnswerer watcher(nullptr, "nosettings");

  CHECK(run.bootstrapper.GetSettingsFile() == ERROR_PATH_NOT_FOUND);
  std::vector<test::SeenWindow> seen = watcher.Stop();
  REQUIRE(seen.size() == 1);
  CHECK(seen[0].caption == kCaption);
  CHECK(test::MessageBoxText(seen[0]) == "Failed to extract the settings file from resources.");
  CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
  CHECK(run.Log() == test::JoinLines({ExtractLine(run.copy),
                                      "ExtractResource - There is no working folder to write Settings.ini to.",
                                      "GetSettingsFile - Failed to extract original Settings file to " + run.copy +
                                          ". Error: 3."}));
}

TEST_CASE("/ReplaceSettings names the file to read in place of any other") {
  static const std::string kReplacement = "[default]\r\nMainInstall=Replacement\r\n", kNothing;
  static const std::string kHuge((16u << 20) + 1, ';');
  struct Case {
    int line;
    std::string name;  // relative to the scratch folder; "" for no path
    const std::string* contents;  // nullptr: no file
    DWORD result;
    const char* message;  // nullptr: no box
    std::vector<std::string> lines;  // "%p" stands for the path
    bool locked = false;  // another program holds the file without sharing it
  } cases[] = {
      {__LINE__, "replacement.ini", &kReplacement, 0, nullptr, {"ReplaceSettings - Replacement settings file: %p."}},
      // A file that is there but cannot serve: each case is told as it is.
      {__LINE__, "empty.ini", &kNothing, ERROR_HANDLE_EOF, "The settings file \"%p\" is empty.",
       {"ReplaceSettings - Replacement settings file: %p.", "GetSettingsFile - The Settings file %p is empty."}},
      {__LINE__, "huge.ini", &kHuge, ERROR_FILE_TOO_LARGE, "The file \"%p\" is too large to be a settings file.",
       {"ReplaceSettings - Replacement settings file: %p.",
        "GetSettingsFile - The Settings file %p is larger than 16777216 bytes, more than any settings."}},
      {__LINE__, "locked.ini", &kReplacement, ERROR_SHARING_VIOLATION, "The settings file \"%p\" could not be read.",
       {"ReplaceSettings - Replacement settings file: %p.",
        "GetSettingsFile - Failed to read the Settings file %p. Error: 32."}, true},
      {__LINE__,
       "absent.ini",
       nullptr,
       ERROR_FILE_NOT_FOUND,
       "The file \"%p\" could not be found.",
       {"ReplaceSettings - Replacement settings file: %p.",
        "ReplaceSettings - Could not find the replacement settings file.",
        "GetSettingsFile - Failed to replace settings file with %p."}},
      {__LINE__,
       "",
       nullptr,
       ERROR_BAD_PATHNAME,
       "An initialization file was not specified with the ReplaceSettings command-line argument.",
       {"ReplaceSettings - Replacement settings file: .",
        "ReplaceSettings - ReplaceSettings was chosen but no file was specified.",
        "GetSettingsFile - Failed to replace settings file with ."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    SettingsRun run;
    std::string path = c.name.empty() ? "" : run.dir / c.name;
    if (c.contents != nullptr) REQUIRE(test::WriteFile(path, *c.contents));
    HANDLE holder = c.locked ? CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
    REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
    run.Replace(path.c_str());
    auto fill = [&](std::string text) {
      size_t at = text.find("%p");
      return at == std::string::npos ? text : text.replace(at, 2, path);
    };
    test::InProcessAnswerer watcher(nullptr, "replace");

    CHECK(run.bootstrapper.GetSettingsFile() == c.result);
    std::vector<test::SeenWindow> seen = watcher.Stop();
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
    if (c.message == nullptr) {
      // Read from a copy in the working folder, which nobody can change during the run.
      CHECK(seen.empty());
      CHECK(run.SettingsPath() == run.copy);
      CHECK(MainInstall(run.SettingsPath()) == "Replacement");
      CHECK(run.bootstrapper.m_hSettingsFile != INVALID_HANDLE_VALUE);
    } else {
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == kCaption);
      CHECK(test::MessageBoxText(seen[0]) == fill(c.message));
      CHECK_FALSE(test::FileExists(run.copy));
      CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
    }
    std::vector<std::string> lines;
    for (const std::string& line : c.lines) lines.push_back(fill(line));
    // Neither the embedded settings nor the source directory was looked at.
    CHECK(run.Log() == test::JoinLines(lines));

    run.bootstrapper.ReleaseSettingsFile();
    run.bootstrapper.ReleaseSettingsFile();
    CHECK_FALSE(test::FileExists(run.copy));
    CHECK(test::FileExists(path) == (c.contents != nullptr));
  }
}

TEST_CASE("/ExtractSettings writes the embedded settings to the file named") {
  struct Case {
    int line;
    std::string name;  // relative to the scratch folder; "" for no path
    const char* before;
    DWORD result;
    const char* message;
    std::vector<std::string> lines;  // "%p" stands for the path
  } cases[] = {
      {__LINE__, "out.ini", nullptr, 0, nullptr,
       {"OutputSettings - Output settings file: %p.", ExtractLine("%p")}},
      {__LINE__, "existing.ini", "old contents, longer than the settings themselves, to be replaced entirely\r\n", 0,
       nullptr, {"OutputSettings - Output settings file: %p.", ExtractLine("%p")}},
      {__LINE__,
       "missing\\out.ini",
       nullptr,
       ERROR_PATH_NOT_FOUND,
       "Failed to extract the settings file to \"%p\".",
       {"OutputSettings - Output settings file: %p.", ExtractLine("%p"),
        "ExtractResource - Failed to create the resource output file. Error: 3",
        "OutputSettings - Failed to extract the Settings file for output. Error: 3"}},
      {__LINE__,
       "",
       nullptr,
       ERROR_BAD_PATHNAME,
       "An output file was not specified with the ExtractSettings command-line argument.",
       {"OutputSettings - Output settings file: .",
        "OutputSettings - ExtractSettings was chosen but no file was specified."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    SettingsRun run;
    std::string path = c.name.empty() ? "" : run.dir / c.name;
    if (c.before != nullptr) REQUIRE(test::WriteFile(path, c.before));
    run.bootstrapper.m_pCommandLine->m_dwFlags |= kOptExtractSettings;
    CopyCut(run.bootstrapper.m_pCommandLine->m_szExtractSettingsPath, path.c_str());
    auto fill = [&](std::string text) {
      size_t at = text.find("%p");
      return at == std::string::npos ? text : text.replace(at, 2, path);
    };
    test::InProcessAnswerer watcher(nullptr, "extractsettings");

    CHECK(run.bootstrapper.OutputSettings() == c.result);
    std::vector<test::SeenWindow> seen = watcher.Stop();
    if (c.message == nullptr) {
      CHECK(seen.empty());
      CHECK(test::ReadFile(path) == kEmbedded);
    } else {
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == kCaption);
      CHECK(test::MessageBoxText(seen[0]) == fill(c.message));
    }
    std::vector<std::string> lines;
    for (const std::string& line : c.lines) lines.push_back(fill(line));
    CHECK(run.Log() == test::JoinLines(lines));
    // Nothing is held: the output belongs to the user.
    CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
  }
}
