// The settings file of the real Pendrix.exe, which carries no embedded settings: /ExtractSettings,
// /ReplaceSettings, a read-only Settings.ini beside the package, a stale copy of an earlier run,
// and nothing of a run left in the temporary folder.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "LogLines.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"

namespace {

const char kCaption[] = "Tarrowind Installation Error";
// A setup type that names no installer: the run stops at the section, after the settings file.
const char kNoInstallers[] = "[default]\r\nName=Unit\r\n";

// A package folder of its own whose path can be given on the command line: a copy of the
// engine and, when asked, a Settings.ini beside it.
struct Package {
  test::ScratchDir dir{"opt"};
  std::string exe = dir / "Pendrix.exe";
  std::string log = dir / "run.log";

  Package() { CopyFileA(test::BinFile("Pendrix.exe").c_str(), exe.c_str(), FALSE); }

  test::ProcessResult Run(const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\" /Log " + log;
    if (!arguments.empty()) commandLine += " " + arguments;
    return test::RunProcess(commandLine, dir.path(), [](const test::SeenWindow&) { return IDOK; }, 60000,
                            "settings");
  }
  std::vector<std::string> Log() const { return test::LogMessages(log); }
};

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& each : lines)
    if (each == line) return true;
  return false;
}

// The lines from `first` on, as many as `expected` holds.
std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, const std::string& first, size_t count) {
  for (size_t i = 0; i < lines.size(); i++)
    if (lines[i] == first) return std::vector<std::string>(lines.begin() + i, lines.begin() + std::min(lines.size(), i + count));
  return {};
}

}  // namespace

TEST_CASE("/ExtractSettings on a package without embedded settings reports message 5 and installs nothing") {
  struct Case {
    int line;
    bool withPath;
  } cases[] = {{__LINE__, true}, {__LINE__, false}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Package package;
    REQUIRE(test::WriteFile(package.dir / "Settings.ini", kNoInstallers));
    std::string output = package.dir / "extracted.ini";
    std::vector<std::string> tempBefore = test::ListFiles(test::TempFolder());
    test::ProcessResult result = package.Run(c.withPath ? "/ExtractSettings " + output : "/ExtractSettings");

    REQUIRE(result.finished);
    CHECK(result.exitCode == kExitNotRun);
    REQUIRE(result.windows.size() == 1);
    CHECK(result.windows[0].caption == kCaption);
    std::vector<std::string> lines = package.Log();
    CAPTURE(test::JoinLines(lines));
    if (c.withPath) {
      CHECK(test::MessageBoxText(result.windows[0]) == "Failed to extract the settings file to \"" + output + "\".");
      CHECK(test::JoinLines(LinesFrom(lines, "OutputSettings - Output settings file: " + output + ".", 4)) ==
            test::JoinLines({"OutputSettings - Output settings file: " + output + ".",
                             "ExtractResource - Extracting the resource \"SETTINGS_INI\" of type \"TEXT\" to the "
                             "output file \"" + output + "\".",
                             "ExtractResource - Failed to find the resource. Error: 1813",
                             "OutputSettings - Failed to extract the Settings file for output. Error: 1813"}));
      // The Settings.ini beside the package is not what /ExtractSettings writes.
      CHECK_FALSE(test::FileExists(output));
    } else {
      CHECK(test::MessageBoxText(result.windows[0]) ==
            "An output file was not specified with the ExtractSettings command-line argument.");
      CHECK(Contains(lines, "OutputSettings - ExtractSettings was chosen but no file was specified."));
    }
    // Nothing was installed: the settings were never looked for.
    CHECK(test::LinesStartingWith(lines, "GetSettingsFile - ").empty());
    CHECK(test::ListFiles(test::TempFolder()) == tempBefore);
  }
}

TEST_CASE("/ReplaceSettings reads the file named, which is still in place after the run") {
  Package package;
  std::string replacement = package.dir / "Replacement.ini";
  REQUIRE(test::WriteFile(replacement, kNoInstallers));
  std::vector<std::string> tempBefore = test::ListFiles(test::TempFolder());
  test::ProcessResult result = package.Run("/ReplaceSettings " + replacement);

  REQUIRE(result.finished);
  std::vector<std::string> lines = package.Log();
  CAPTURE(test::JoinLines(lines));
  CHECK(Contains(lines, "ReplaceSettings - Replacement settings file: " + replacement + "."));
  // Neither the embedded settings nor the source directory was looked at.
  for (const std::string& line : lines) CHECK(line.find("SETTINGS_INI") == std::string::npos);
  CHECK(test::ReadFile(replacement) == kNoInstallers);
  CHECK(test::ListFiles(test::TempFolder()) == tempBefore);
}

TEST_CASE("/ReplaceSettings naming a missing file reports message 7 with the path and exits with 13") {
  Package package;
  std::string missing = package.dir / "NoSuch.ini";
  std::vector<std::string> tempBefore = test::ListFiles(test::TempFolder());
  test::ProcessResult result = package.Run("/ReplaceSettings " + missing);

  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  REQUIRE(result.windows.size() == 1);
  CHECK(result.windows[0].caption == kCaption);
  CHECK(test::MessageBoxText(result.windows[0]) == "The file \"" + missing + "\" could not be found.");
  std::vector<std::string> lines = package.Log();
  CAPTURE(test::JoinLines(lines));
  CHECK(test::JoinLines(LinesFrom(lines, "ReplaceSettings - Replacement settings file: " + missing + ".", 3)) ==
        test::JoinLines({"ReplaceSettings - Replacement settings file: " + missing + ".",
                         "ReplaceSettings - Could not find the replacement settings file.",
                         "GetSettingsFile - Failed to replace settings file with " + missing + "."}));
  CHECK(test::ListFiles(test::TempFolder()) == tempBefore);
}

TEST_CASE("a read-only Settings.ini beside the package is read through a copy, removed at the end") {
  Package package;
  std::string settings = package.dir / "Settings.ini";
  REQUIRE(test::WriteFile(settings, kNoInstallers));
  SetFileAttributesA(settings.c_str(), FILE_ATTRIBUTE_READONLY);
  std::vector<std::string> foldersBefore = test::WorkFolders();
  test::ProcessResult result = package.Run("");

  REQUIRE(result.finished);
  std::vector<std::string> lines = package.Log();
  CAPTURE(test::JoinLines(lines));
  const std::string copy = test::WorkFolderOf(lines) + "Settings.ini";
  const std::string extracting =
      "ExtractResource - Extracting the resource \"SETTINGS_INI\" of type \"TEXT\" to the output file \"" + copy + "\".";
  CHECK(test::JoinLines(LinesFrom(lines, extracting, 5)) ==
        test::JoinLines({extracting, "ExtractResource - Failed to find the resource. Error: 1813",
                         "GetSettingsFile - Failed to extract original Settings file to " + copy + ". Error: 1813.",
                         "GetSettingsFile - Found the Settings file under the source directory.",
                         "GetSettingsFile - The package carries no settings; reading the Settings file beside it: " +
                             settings + "."}));
  CHECK(Contains(lines, "DoSettings_Install - Settings file: " + copy + "."));
  CHECK(test::WorkFolders() == foldersBefore);
  CHECK(test::ReadFile(settings) == kNoInstallers);
  CHECK((GetFileAttributesA(settings.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
  SetFileAttributesA(settings.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Before the run had a folder of its own, its copy in the temporary folder replaced (and then
// deleted) a file of this name, or a copy held there stopped the run.
TEST_CASE("another program's Settings.ini in the temporary folder, held or not, is neither read nor touched") {
  Package package;
  REQUIRE(test::WriteFile(package.dir / "Settings.ini", kNoInstallers));
  std::string stale = test::TempFolder() + "Settings.ini";
  const char otherSettings[] = "[default]\r\nName=Other\r\nMainInstall=Other\r\n";
  for (bool held : {false, true}) {
    CAPTURE(held);
    REQUIRE(test::WriteFile(stale, otherSettings));
    HANDLE holder = held ? CreateFileA(stale.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                         : INVALID_HANDLE_VALUE;
    test::ProcessResult result = package.Run("");
    if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);

    REQUIRE(result.finished);
    REQUIRE(result.windows.size() == 1);  // the settings beside the package name no installer
    CHECK(test::MessageBoxText(result.windows[0]).find("were not specified for the default setup type") !=
          std::string::npos);
    CHECK(test::ReadFile(stale) == otherSettings);
  }
  DeleteFileA(stale.c_str());
}
