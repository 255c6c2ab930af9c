// The settings file: its three sources in order, the writable copy, the held handle, the
// release, the stale copy of an earlier run, and /ExtractSettings. unit_tests.exe carries an
// embedded "SETTINGS_INI" (tests/unit/settings_resources.rc); the source directory and the
// temporary folder are scratch folders of the test.
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

// A package run in scratch folders: the executable's folder, the temporary folder, a log, and
// the built language module for the error reports.
struct SettingsRun {
  test::ScratchDir dir{"settings"};
  std::string sourceDir = dir / "source";
  std::string tempDir = dir / "temp";
  std::string log = dir / "settings.log";
  Bootstrapper bootstrapper{""};

  SettingsRun() {
    CreateDirectoryA(sourceDir.c_str(), nullptr);
    CreateDirectoryA(tempDir.c_str(), nullptr);
    test::LogTo(bootstrapper, log);
    CopyCut(bootstrapper.m_szSourceDir, sourceDir.c_str());
    CopyCut(bootstrapper.m_szTempFolder, (tempDir + "\\").c_str());
    CopyCut(bootstrapper.m_szSettingsPath, (tempDir + "\\Settings.ini").c_str());
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
  std::string copy = run.tempDir + "\\Settings.ini";
  REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
  test::InProcessAnswerer watcher;

  CHECK(run.bootstrapper.GetSettingsFile() == 0);
  CHECK(watcher.Stop().empty());
  CHECK(run.SettingsPath() == copy);
  CHECK(test::ReadFile(copy) == kEmbedded);
  CHECK(run.Log() == test::JoinLines({ExtractLine(copy)}));

  // Held: readable by the section readers, but not to be deleted or moved by anyone.
  CHECK(run.bootstrapper.m_hSettingsFile != INVALID_HANDLE_VALUE);
  CHECK(MainInstall(run.SettingsPath()) == "FromResource");
  CHECK_FALSE(DeleteFileA(copy.c_str()));
  CHECK(GetLastError() == ERROR_SHARING_VIOLATION);

  run.bootstrapper.ReleaseSettingsFile();
  CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
  CHECK_FALSE(test::FileExists(copy));
  run.bootstrapper.ReleaseSettingsFile();  // a second release finds nothing to do
  CHECK(test::FileExists(run.sourceDir + "\\Settings.ini"));
}

TEST_CASE("without embedded settings the Settings.ini beside the executable is copied to the temporary folder") {
  enum Stale { kNoStale, kStaleFile, kStaleReadOnly };
  struct Case {
    int line;
    DWORD sourceAttributes;
    Stale stale;
    bool madeWritable;
  } cases[] = {
      {__LINE__, FILE_ATTRIBUTE_NORMAL, kNoStale, false},
      // A package on a read-only medium: the copy is made writable, the source is left alone.
      {__LINE__, FILE_ATTRIBUTE_READONLY, kNoStale, true},
      {__LINE__, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, kNoStale, true},
      // A copy left by an earlier run is replaced.
      {__LINE__, FILE_ATTRIBUTE_NORMAL, kStaleFile, false},
      // Wine keeps the attributes of a file that CopyFileA replaces, so this copy does not come
      // out read-only there and nothing needs to be made writable (Windows copies the bit).
      {__LINE__, FILE_ATTRIBUTE_READONLY, kStaleFile, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    SettingsRun run;
    // The embedded settings cannot be written where the run wants them.
    std::string unwritable = run.dir / "missing\\Settings.ini";
    CopyCut(run.bootstrapper.m_szSettingsPath, unwritable.c_str());
    std::string source = run.sourceDir + "\\Settings.ini";
    REQUIRE(test::WriteFile(source, kBeside));
    SetFileAttributesA(source.c_str(), c.sourceAttributes);
    if (c.stale != kNoStale) REQUIRE(test::WriteFile(run.tempDir + "\\Settings.ini", "[default]\r\nMainInstall=Stale\r\n"));
    test::InProcessAnswerer watcher;

    CHECK(run.bootstrapper.GetSettingsFile() == 0);
    CHECK(watcher.Stop().empty());
    // The temporary folder ends in a backslash, and one more is put before the name.
    std::string copy = run.tempDir + "\\\\Settings.ini";
    CHECK(run.SettingsPath() == copy);
    CHECK(test::ReadFile(copy) == kBeside);
    CHECK(MainInstall(copy) == "FromSourceDirectory");
    DWORD attributes = GetFileAttributesA(copy.c_str());
    CHECK((attributes & FILE_ATTRIBUTE_READONLY) == 0);
    CHECK((GetFileAttributesA(source.c_str()) & FILE_ATTRIBUTE_READONLY) == (c.sourceAttributes & FILE_ATTRIBUTE_READONLY));
    std::vector<std::string> lines = {
        ExtractLine(unwritable), "ExtractResource - Failed to create the resource output file. Error: 3",
        "GetSettingsFile - Failed to extract original Settings file to " + unwritable + ". Error: 3."};
    if (c.madeWritable) lines.push_back("GetSettingsFile - Made the temp Settings file writeable.");
    lines.push_back("GetSettingsFile - Found the Settings file under the source directory.");
    CHECK(run.Log() == test::JoinLines(lines));
    CHECK(run.bootstrapper.m_hSettingsFile != INVALID_HANDLE_VALUE);

    run.bootstrapper.ReleaseSettingsFile();
    CHECK_FALSE(test::FileExists(copy));
    CHECK(test::FileExists(source));
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

TEST_CASE("no settings, or only a stale copy of an earlier run, fail with message 8") {
  enum Lock { kNone, kHeldOpen };
  struct Case {
    int line;
    bool source;
    bool stale;
    Lock lock;  // how the stale copy resists being replaced
    const char* copyFailure;
  } cases[] = {
      {__LINE__, false, false, kNone, nullptr},
      {__LINE__, false, true, kNone, nullptr},
      // The copy fails, and what lies under the copy's name is not this package's settings.
      // (A read-only stale copy would refuse the copy on Windows too, but the tests run as root,
      // and Wine lets root write a read-only file.)
      {__LINE__, true, true, kHeldOpen, "Error: 32."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    SettingsRun run;
    std::string unwritable = run.dir / "missing\\Settings.ini";
    CopyCut(run.bootstrapper.m_szSettingsPath, unwritable.c_str());
    if (c.source) REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
    std::string stale = run.tempDir + "\\Settings.ini";
    HANDLE held = INVALID_HANDLE_VALUE;
    if (c.stale) {
      REQUIRE(test::WriteFile(stale, "[default]\r\nMainInstall=Stale\r\n"));
      if (c.lock == kHeldOpen)
        held = CreateFileA(stale.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    test::InProcessAnswerer watcher(nullptr, "nosettings");

    CHECK(run.bootstrapper.GetSettingsFile() == ERROR_FILE_NOT_FOUND);
    std::vector<test::SeenWindow> seen = watcher.Stop();
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == kCaption);
    CHECK(test::MessageBoxText(seen[0]) == "Failed to extract the settings file from resources.");
    CHECK(run.SettingsPath() == unwritable);
    CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
    std::vector<std::string> lines = {
        ExtractLine(unwritable), "ExtractResource - Failed to create the resource output file. Error: 3",
        "GetSettingsFile - Failed to extract original Settings file to " + unwritable + ". Error: 3."};
    if (c.copyFailure != nullptr)
      lines.push_back("GetSettingsFile - Failed to copy the Settings file to " + run.tempDir + "\\\\Settings.ini. " +
                      c.copyFailure);
    else
      lines.push_back("GetSettingsFile - There is no Settings file at " + run.sourceDir + "\\Settings.ini.");
    CHECK(run.Log() == test::JoinLines(lines));

    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    if (c.stale) {
      CHECK(test::ReadFile(stale) == "[default]\r\nMainInstall=Stale\r\n");
    }
  }
}

TEST_CASE("a package started from the temporary folder reads its own Settings.ini and leaves it there") {
  SettingsRun run;
  CopyCut(run.bootstrapper.m_szSourceDir, run.tempDir.c_str());
  std::string unwritable = run.dir / "missing\\Settings.ini";
  CopyCut(run.bootstrapper.m_szSettingsPath, unwritable.c_str());
  std::string own = run.tempDir + "\\Settings.ini";
  REQUIRE(test::WriteFile(own, kBeside));
  SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_READONLY);

  CHECK(run.bootstrapper.GetSettingsFile() == 0);
  CHECK(MainInstall(run.SettingsPath()) == "FromSourceDirectory");
  CHECK(run.Log() ==
        test::JoinLines({ExtractLine(unwritable), "ExtractResource - Failed to create the resource output file. Error: 3",
                         "GetSettingsFile - Failed to extract original Settings file to " + unwritable + ". Error: 3.",
                         "GetSettingsFile - The source directory is the temporary folder; nothing to copy.",
                         "GetSettingsFile - Found the Settings file under the source directory."}));
  run.bootstrapper.ReleaseSettingsFile();
  CHECK(test::ReadFile(own) == kBeside);
  CHECK((GetFileAttributesA(own.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
  SetFileAttributesA(own.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("/ReplaceSettings names the file to read in place of any other") {
  struct Case {
    int line;
    std::string name;  // relative to the scratch folder; "" for no path
    bool create;
    DWORD result;
    const char* message;  // nullptr: no box
    std::vector<std::string> lines;  // "%p" stands for the path
  } cases[] = {
      {__LINE__, "replacement.ini", true, 0, nullptr, {"ReplaceSettings - Replacement settings file: %p."}},
      {__LINE__,
       "absent.ini",
       false,
       ERROR_FILE_NOT_FOUND,
       "The file \"%p\" could not be found.",
       {"ReplaceSettings - Replacement settings file: %p.",
        "ReplaceSettings - Could not find the replacement settings file.",
        "GetSettingsFile - Failed to replace settings file with %p."}},
      {__LINE__,
       "",
       false,
       ERROR_BAD_PATHNAME,
       "An initialization file was not specified with the ReplaceSettings command-line argument.",
       {"ReplaceSettings - Replacement settings file: .",
        "ReplaceSettings - ReplaceSettings was chosen but no file was specified.",
        "GetSettingsFile - Failed to replace settings file with ."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    SettingsRun run;
    std::string defaultPath = run.SettingsPath();
    std::string path = c.name.empty() ? "" : run.dir / c.name;
    if (c.create) REQUIRE(test::WriteFile(path, "[default]\r\nMainInstall=Replacement\r\n"));
    REQUIRE(test::WriteFile(run.sourceDir + "\\Settings.ini", kBeside));
    run.Replace(path.c_str());
    auto fill = [&](std::string text) {
      size_t at = text.find("%p");
      return at == std::string::npos ? text : text.replace(at, 2, path);
    };
    test::InProcessAnswerer watcher(nullptr, "replace");

    CHECK(run.bootstrapper.GetSettingsFile() == c.result);
    std::vector<test::SeenWindow> seen = watcher.Stop();
    if (c.message == nullptr) {
      CHECK(seen.empty());
      CHECK(run.SettingsPath() == path);
      CHECK(MainInstall(run.SettingsPath()) == "Replacement");
      CHECK(run.bootstrapper.m_hSettingsFile != INVALID_HANDLE_VALUE);
    } else {
      REQUIRE(seen.size() == 1);
      CHECK(seen[0].caption == kCaption);
      CHECK(test::MessageBoxText(seen[0]) == fill(c.message));
      CHECK(run.SettingsPath() == defaultPath);
      CHECK(run.bootstrapper.m_hSettingsFile == INVALID_HANDLE_VALUE);
    }
    std::vector<std::string> lines;
    for (const std::string& line : c.lines) lines.push_back(fill(line));
    // Neither the embedded settings nor the source directory was looked at.
    CHECK(run.Log() == test::JoinLines(lines));
    CHECK_FALSE(test::FileExists(defaultPath));

    run.bootstrapper.ReleaseSettingsFile();
    run.bootstrapper.ReleaseSettingsFile();
    CHECK(test::FileExists(path) == c.create);
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
