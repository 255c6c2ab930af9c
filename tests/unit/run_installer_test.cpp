// Running one installer: the file on disk, the skip questions, the launch through the shell,
// the wait and its exit code, the temporary folder as current folder, and the clean-up.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "LogLines.h"
#include "LanguageStrings.h"
#include "SoundCapture.h"

using test::BootstrapperFixture;
using test::BootstrapperFixtureOptions;

namespace {

const char kCompatibilityKey[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Compatibility Assistant\\Persisted";

std::string CurrentFolder() {
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, folder);
  return folder;
}

std::string WithoutTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// One line of the fake installer's journal: arguments, current folder, module file name.
struct JournalLine {
  std::string arguments, folder, module;
};

// Points the fake installer's journal at a file of the test and reads it back.
class Journal {
 public:
  explicit Journal(const test::ScratchDir& dir) : m_path(dir / "journal.txt") {
    SetEnvironmentVariableA("FAKE_INSTALLER_JOURNAL", m_path.c_str());
  }
  ~Journal() { SetEnvironmentVariableA("FAKE_INSTALLER_JOURNAL", nullptr); }
  std::vector<JournalLine> Lines() const {
    std::vector<JournalLine> lines;
    std::string text = test::ReadFile(m_path);
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(start, end - start);
      start = end + 2;
      size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
      if (tab2 == std::string::npos) continue;
      lines.push_back({line.substr(0, tab1), line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)});
    }
    return lines;
  }

 private:
  std::string m_path;
};

bool CompatibilityMarked(const std::string& file) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCompatibilityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD value = 0, size = sizeof(value), type = 0;
  LONG read = RegQueryValueExA(key, file.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_DWORD && value == 1;
}

void RemoveCompatibilityMark(const std::string& file) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCompatibilityKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, file.c_str());
  RegCloseKey(key);
}

}  // namespace

TEST_CASE("the output file is the installer's File, or the word after the MSI switch") {
  struct Case {
    int line;
    const char* file;
    const char* arguments;
    bool doNotExtract;
    const char* name;  // the file name under the temporary folder (or "\\" + it under the package folder)
    bool msi;
    bool notFoundLogged;
  } cases[] = {
      {__LINE__, "Setup.EXE", "", false, "setup.exe", false, false},
      {__LINE__, "setup.exe", "/i AI.msi", false, "setup.exe", false, false},
      {__LINE__, "setup.exe", "", true, "setup.exe", false, false},
      {__LINE__, "msiexec.exe", "/i AI.msi", false, "AI.msi", true, false},
      {__LINE__, "MsiExec.exe", "/i AI.msi", false, "AI.msi", true, false},
      {__LINE__, "msiexec.exe", "/qn /i \"my file.msi\" /l*v x.log", false, "my file.msi", true, false},
      {__LINE__, "msiexec.exe", "/i \"my file.msi\"", false, "my file.msi", true, false},
      {__LINE__, "msiexec.exe", "/i AI.msi PROP=1 /qn", false, "AI.msi", true, false},
      {__LINE__, "msiexec.exe", "/x {11111111-2222-3333-4444-555555555555} /qn", false,
       "{11111111-2222-3333-4444-555555555555}", true, false},
      {__LINE__, "msiexec.exe", "/x {11111111-2222-3333-4444-555555555555}", true,
       "{11111111-2222-3333-4444-555555555555}", true, false},
      {__LINE__, "msiexec.exe", "/package AI.msi /p fix.msp", false, "AI.msi", true, false},
      {__LINE__, "msiexec.exe", "/I AI.msi", false, "AI.msi", true, false},
      {__LINE__, "msiexec.exe", "/qn", false, "msiexec.exe", true, true},
      {__LINE__, "msiexec.exe", "", false, "msiexec.exe", true, true},
      {__LINE__, "msiexec.exe", "/i  /qn", false, "msiexec.exe", true, true},
      {__LINE__, "msiexec.exe", "/i AI.msi", true, "AI.msi", true, false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f(std::string("[S]\r\nName=S\r\nFile=") + c.file + "\r\nArguments=" + c.arguments +
                          "\r\nDoNotExtract=" + (c.doNotExtract ? "yes" : "no") + "\r\n");
    REQUIRE(f.b.SetInstallerSection("S") == 0);
    f.b.m_bMsiInstall = !c.msi;
    size_t mark = f.Mark();
    char output[260];
    memset(output, 'x', sizeof(output));
    f.b.GetOutputFileName(output, sizeof(output));
    std::string expected = c.doNotExtract ? std::string(f.b.m_szSourceDir) + "\\" + c.name
                                          : std::string(f.b.m_szTempFolder) + c.name;
    CHECK(std::string(output) == expected);
    CHECK((f.b.m_bMsiInstall != FALSE) == c.msi);
    std::vector<std::string> lines = f.Since(mark);
    bool notFound = false;
    for (const std::string& line : lines)
      notFound |= line == "GetOutputFileName - The file or product code could not be found in the command-line arguments.";
    CHECK(notFound == c.notFoundLogged);
  }
}

TEST_CASE("the MSI switch found is logged with its blank, and the output name is cut at its buffer") {
  BootstrapperFixture f("[S]\r\nName=S\r\nFile=msiexec.exe\r\nArguments=/qn /x {ABC}\r\n");
  REQUIRE(f.b.SetInstallerSection("S") == 0);
  char output[8];
  memset(output, 'x', sizeof(output));
  f.b.GetOutputFileName(output, sizeof(output));
  CHECK(std::string(output) == (std::string(f.b.m_szTempFolder) + "{ABC}").substr(0, 7));
  CHECK(f.Logged("FindMSISetupFlag - Found the MSI flag: /x ."));
  f.b.GetOutputFileName(nullptr, 260);  // nothing to write into: nothing happens

  char word[260] = {};
  CHECK_FALSE(f.b.FindMSISetupFlag("", word, sizeof(word)));
  CHECK_FALSE(f.b.FindMSISetupFlag(nullptr, word, sizeof(word)));
  CHECK_FALSE(f.b.FindMSISetupFlag("/i a.msi", word, 0));
  CHECK(f.b.FindMSISetupFlag("/I a.msi", word, sizeof(word)));
  CHECK(f.Logged("FindMSISetupFlag - Found the MSI flag: /i ."));
  CHECK(f.b.FindMSISetupFlag("/update fix.msp", word, sizeof(word)));
  CHECK(std::string(word) == "fix.msp");
}

TEST_CASE("with no existence rule and no MSI product, an installer runs; the flags only change the log") {
  struct Case {
    int line;
    BOOL mainInstaller;
    bool forceRun;
    int skipIfInstalled;
  } cases[] = {
      {__LINE__, FALSE, false, 1},
      {__LINE__, FALSE, true, 0},
      {__LINE__, TRUE, false, 0},
      {__LINE__, TRUE, true, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f(std::string("[S]\r\nName=S\r\nFile=s.exe\r\nForceRun=") + (c.forceRun ? "yes" : "no") +
                          "\r\n");
    REQUIRE(f.b.SetInstallerSection("S") == 0);
    size_t mark = f.Mark();
    int reinstall = 7;
    CHECK(f.b.DoWeAllowInstallerToRun(c.mainInstaller, (f.dir() / "s.exe").c_str(), &reinstall));
    CHECK(reinstall == 0);
    const std::vector<std::string> expected = {
        "DoWeAllowInstallerToRun - RunCheckExistence result: 2",
        "DoWeAllowInstallerToRun - Skip if installed? " + std::to_string(c.skipIfInstalled) + ".",
        "DoWeAllowInstallerToRun - IsMsiProductInstalled result: -2",
    };
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
  }
}

TEST_CASE("Run returns the installer's whole 32-bit exit code") {
  char system[MAX_PATH] = {};
  GetSystemDirectoryA(system, MAX_PATH);
  struct Case {
    int line;
    std::string file;
    std::string arguments;
    LONG tone;
    DWORD exitCode;
    std::string startedFrom = "";  // a program named without a folder: its system folder path
  } cases[] = {
      {__LINE__, test::BinFile("FakeInstaller.exe"), "exit=0", 0, 0},
      {__LINE__, test::BinFile("FakeInstaller.exe"), "exit=3010", 0, 3010},
      {__LINE__, test::BinFile("FakeInstaller.exe"), "exit=1641", 0, 1641},
      {__LINE__, test::BinFile("FakeInstaller.exe"), "exit=4294967295", 0, 4294967295u},
      {__LINE__, test::BinFile("FakeInstaller.exe"), "", 0, 0},
      {__LINE__, "cmd.exe", "/c exit 7", 0, 7, std::string(system) + "\\cmd.exe"},
      // Waiting in slices of the tone's interval still ends with the installer's code.
      {__LINE__, test::BinFile("FakeInstaller.exe"), "delay=1300 exit=1603", 1, 1603},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("");
    test::UseBuiltLanguage(f.b);
    size_t mark = f.Mark();
    CHECK(f.b.Run(c.file.c_str(), c.arguments.c_str(), c.tone, SW_HIDE) == c.exitCode);
    std::vector<std::string> expected = {"Run - Launching file \"" + c.file + "\" with arguments \"" + c.arguments +
                                         "\"."};
    if (!c.startedFrom.empty())
      expected.push_back("Run - Starting the program from the system folder: " + c.startedFrom + ".");
    expected.push_back("Run - Process returned.");
    expected.push_back("Run - Exit code: " + std::to_string(c.exitCode) + ".");
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
  }
}

// The tone tells a user who cannot see the screen that the installer is still busy. Counted in
// what the sound device played, never timed.
TEST_CASE("the waiting tone sounds at the launch and once every PlayTone seconds until the installer ends") {
  struct Case {
    int line;
    LONG seconds;
    const char* arguments;
    size_t fewest, most;  // tones: the installer's own start may take a moment longer
  } cases[] = {
      {__LINE__, 2, "delay=5000 exit=0", 3, 4},  // at 0, 2 and 4 seconds
      // 0 and a negative interval: no tone, and a wait without end.
      {__LINE__, 0, "delay=2500 exit=0", 0, 0},
      {__LINE__, -4, "delay=2500 exit=0", 0, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixture f("");
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    test::SoundCapture capture("wait-tone");
    REQUIRE(capture.Live());
    CHECK(f.b.Run(test::BinFile("FakeInstaller.exe").c_str(), c.arguments, c.seconds, SW_HIDE) == 0);
    Sleep(1500);  // a tone that went on after the end would be heard here
    REQUIRE(capture.Stop());
    std::vector<test::AudibleSpan> tones = capture.Audible();
    INFO("audible: ", test::Describe(tones));
    CHECK(tones.size() >= c.fewest);
    CHECK(tones.size() <= c.most);
  }
}

TEST_CASE("Run hands the arguments over exactly and leaves the current folder as it is") {
  BootstrapperFixture f("");
  Journal journal(f.dir());
  std::string folder = CurrentFolder();
  CHECK(f.b.Run(test::BinFile("FakeInstaller.exe").c_str(), " /l exit=2", 0, SW_SHOW) == 2);
  std::vector<JournalLine> lines = journal.Lines();
  REQUIRE(lines.size() == 1);
  CHECK(lines[0].arguments == " /l exit=2");
  CHECK(lines[0].folder == folder);
  CHECK(CurrentFolder() == folder);
}

TEST_CASE("a launch that the shell refuses is a failure with the system's error") {
  struct Case {
    int line;
    bool silent;
    const char* file;  // under the scratch folder
    DWORD error;
  } cases[] = {
      {__LINE__, true, "absent-installer.exe", ERROR_FILE_NOT_FOUND},
      // Outside silent mode the shell shows its own report, which the user closes.
      {__LINE__, false, "absent-installer.exe", ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.silent = c.silent;
    BootstrapperFixture f("", options);
    test::InProcessAnswerer answerer(nullptr, "run-refused");
    std::string absent = f.dir() / c.file;
    size_t mark = f.Mark();
    CHECK(f.b.Run(absent.c_str(), "/q", 0, SW_SHOW) == c.error);
    std::vector<test::SeenWindow> seen = answerer.Stop();
    const std::vector<std::string> expected = {
        "Run - Launching file \"" + absent + "\" with arguments \"/q\".",
        "Run - The shell could not launch the file: error " + std::to_string(c.error) + ".",
    };
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
    CHECK(seen.size() == (c.silent ? 0u : 1u));
  }
  BootstrapperFixture f("");
  CHECK(f.b.Run("", "", 0, SW_SHOW) == kExitNotRun);
  CHECK(f.b.Run(nullptr, "", 0, SW_SHOW) == kExitNotRun);
}

TEST_CASE("RunInstaller extracts the installer to the working folder, runs it there and deletes it") {
  BootstrapperFixture f("[Fake]\r\nName=Unit Fake\r\nFile=UnitSetup.EXE\r\nArguments=exit=3010 /q\r\n");
  Journal journal(f.dir());
  std::string temp = f.b.m_szTempFolder;
  std::string extracted = temp + "unitsetup.exe";
  DeleteFileA(extracted.c_str());
  std::string folder = CurrentFolder();
  size_t mark = f.Mark();

  CHECK(f.b.RunInstaller("Fake", FALSE) == 3010);

  std::vector<JournalLine> lines = journal.Lines();
  REQUIRE(lines.size() == 1);
  CHECK(lines[0].arguments == "exit=3010 /q");
  CHECK(lines[0].folder == WithoutTrailingBackslash(temp));
  CHECK(lstrcmpiA(lines[0].module.c_str(), extracted.c_str()) == 0);
  CHECK_FALSE(test::FileExists(extracted));
  CHECK(CurrentFolder() == folder);
  std::vector<std::string> log = f.Since(mark);
  const std::vector<std::string> expectedTail = {
      "RunInstaller - Set current directory to " + WithoutTrailingBackslash(temp) + ".",
      "Run - Launching file \"" + extracted + "\" with arguments \"exit=3010 /q\".",
      "Run - Process returned.",
      "Run - Exit code: 3010.",
      "RunInstaller - Set current directory to " + folder + ".",
  };
  REQUIRE(log.size() >= expectedTail.size());
  CHECK(std::vector<std::string>(log.end() - expectedTail.size(), log.end()) == expectedTail);
  bool outputLogged = false;
  for (const std::string& line : log) outputLogged |= line == "RunInstaller - Output file name: " + extracted + ".";
  CHECK(outputLogged);
}

TEST_CASE("the extracted installer runs, not a file of the same name beside the package") {
  // unit_tests.exe lies beside FakeInstaller.exe, which the shell would find first by name.
  BootstrapperFixture f("[Fake]\r\nName=Unit Fake\r\nFile=FakeInstaller.exe\r\nArguments=exit=6\r\n");
  Journal journal(f.dir());
  std::string extracted = std::string(f.b.m_szTempFolder) + "fakeinstaller.exe";
  CHECK(f.b.RunInstaller("Fake", FALSE) == 6);
  std::vector<JournalLine> lines = journal.Lines();
  REQUIRE(lines.size() == 1);
  CHECK(lstrcmpiA(lines[0].module.c_str(), extracted.c_str()) == 0);
  CHECK_FALSE(test::FileExists(extracted));
  CHECK(test::FileExists(test::BinFile("FakeInstaller.exe")));
}

TEST_CASE("RunInstaller through msiexec extracts under the package's own name and deletes it after") {
  BootstrapperFixture f("[Msi]\r\nName=Unit Fake\r\nFile=msiexec.exe\r\nArguments=/i UnitFake.msi /qn\r\n");
  std::string extracted = std::string(f.b.m_szTempFolder) + "UnitFake.msi";
  // The bytes are no Windows Installer package: the result is msiexec's own answer to them.
  std::string copy = f.dir() / "Direct.msi";
  REQUIRE(CopyFileA(test::BinFile("FakeInstaller.exe").c_str(), copy.c_str(), FALSE));
  test::ProcessResult direct = test::RunProcess("msiexec.exe /i \"" + copy + "\" /qn");
  REQUIRE(direct.finished);
  REQUIRE(direct.exitCode != 0);
  CHECK(f.b.RunInstaller("Msi", FALSE) == direct.exitCode);
  CHECK(f.b.m_bMsiInstall);
  CHECK(f.Logged("RunInstaller - Output file name: " + extracted + "."));
  CHECK_FALSE(test::FileExists(extracted));
}

TEST_CASE("with DoNotExtract the installer beside the package runs in the package's folder and stays") {
  BootstrapperFixture f("[Beside]\r\nName=Not Embedded\r\nFile=FakeInstaller.exe\r\nArguments=exit=4\r\n"
                        "DoNotExtract=yes\r\n");
  Journal journal(f.dir());
  std::string folder = CurrentFolder();
  std::string package = f.b.m_szSourceDir;
  std::string beside = package + "\\fakeinstaller.exe";
  size_t mark = f.Mark();
  CHECK(f.b.RunInstaller("Beside", FALSE) == 4);
  std::vector<JournalLine> lines = journal.Lines();
  REQUIRE(lines.size() == 1);
  CHECK(lines[0].folder == package);
  CHECK(lstrcmpiA(lines[0].module.c_str(), beside.c_str()) == 0);
  CHECK(CurrentFolder() == folder);
  CHECK(test::FileExists(beside));
  for (const std::string& line : f.Since(mark)) CHECK(line.find("ExtractResource") == std::string::npos);
  CHECK(f.Logged("RunInstaller - Output file name: " + beside + "."));
  CHECK(f.Logged("RunInstaller - Set current directory to " + package + "."));
  CHECK(f.Logged("RunInstaller - Set current directory to " + folder + "."));
}

// An uninstall by product code names no file: nothing lies beside the package to hold or check.
TEST_CASE("a DoNotExtract section that removes a product by its code runs msiexec with it in the package folder") {
  test::ScratchDir tools("tools");
  const std::string msiexec = tools / "fake-msiexec.exe";  // a File that holds "msiexec" is an msiexec run
  REQUIRE(CopyFileA(test::BinFile("FakeInstaller.exe").c_str(), msiexec.c_str(), FALSE));
  BootstrapperFixture f("[Remove]\r\nName=Remove\r\nFile=" + msiexec +
                        "\r\nArguments=/x {9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50} exit=7\r\nDoNotExtract=yes\r\n");
  Journal journal(f.dir());
  const std::string package = f.b.m_szSourceDir;
  CHECK(f.b.RunInstaller("Remove", FALSE) == 7);
  CHECK_FALSE(f.b.m_bInstallerNotRun);
  CHECK(f.Logged("RunInstaller - Output file name: " + package + "\\{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}."));
  std::vector<JournalLine> lines = journal.Lines();
  REQUIRE(lines.size() == 1);
  CHECK(lines[0].arguments.rfind("/x {9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50} exit=7 /l*v ", 0) == 0);
  CHECK(lines[0].folder == package);
  CHECK(lstrcmpiA(lines[0].module.c_str(), msiexec.c_str()) == 0);
}

TEST_CASE("an installer that cannot be prepared gives 13 and its reason") {
  const std::string settings =
      "[NoResource]\r\nName=Not There\r\nFile=x.exe\r\n"
      "[NoFile]\r\nName=N\r\n"
      "[Climbs]\r\nName=Unit Fake\r\nFile=..\\..\\x.exe\r\n"
      "[Rootless]\r\nName=Unit Fake\r\nFile=\\x.exe\r\nDoNotExtract=yes\r\n"
      "[Changed]\r\nName=Changed\r\nFile=x.exe\r\nDoNotExtract=yes\r\n";
  struct Case {
    int line;
    const char* section;
    const char* lastLine;
    UINT message;  // 0: none beyond the section reader's
  } cases[] = {
      {__LINE__, "NoResource", "RunInstaller - Failed to extract the installer.", IDS_INSTALLER_EXTRACT_FAILED},
      {__LINE__, "NoFile", "RunInstaller - Failed to read the installer-specific section in Settings.",
       IDS_KEY_MISSING},
      {__LINE__, "Absent", "RunInstaller - Failed to read the installer-specific section in Settings.",
       IDS_SECTION_MISSING},
      // A name from the settings never leaves its folder.
      {__LINE__, "Climbs",
       "RunInstaller - The installer file \"..\\..\\x.exe\" of Climbs is not a name inside its folder; the section is refused.",
       IDS_OUTPUT_FILE_UNKNOWN},
      // Beside the package, from the root of whichever drive is current.
      {__LINE__, "Rootless",
       "RunInstaller - The installer file \"\\x.exe\" of Rootless is not a path to a file; the section is refused.",
       IDS_OUTPUT_FILE_UNKNOWN},
      // A file beside the package that differs from the one the package was built with.
      {__LINE__, "Changed", "", IDS_INSTALLER_CHANGED},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    options.silent = false;
    BootstrapperFixture f(settings, options);
    test::UseBuiltLanguage(f.b);
    std::string beside = std::string(f.b.m_szSourceDir) + "\\x.exe";
    REQUIRE(test::WriteFile(beside, "not what was packed"));
    test::InProcessAnswerer answerer(nullptr, "run-installer");
    CHECK(f.b.RunInstaller(c.section, FALSE) == kExitNotRun);
    CHECK(f.b.m_bInstallerNotRun);
    std::vector<test::SeenWindow> seen = answerer.Stop();
    DeleteFileA(beside.c_str());
    REQUIRE_FALSE(f.Log().empty());
    if (c.message == IDS_INSTALLER_CHANGED)
      CHECK(f.Log().back() == "RunInstaller - The installer file " + beside +
                                  " is not the one the package was built with; the section Changed is refused.");
    else
      CHECK(f.Log().back() == c.lastLine);
    REQUIRE(seen.size() == 1);
    std::string expected = test::LanguageString(c.message);
    if (c.message == IDS_KEY_MISSING) expected.replace(expected.find("%s"), 2, "File");
    expected.replace(expected.find("%s"), 2, c.section);
    CHECK(test::MessageBoxText(seen[0]) == expected);
    CHECK_FALSE(test::FileExists(std::string(f.b.m_szTempFolder) + "x.exe"));
  }
  BootstrapperFixture f(settings);
  size_t mark = f.Mark();
  CHECK(f.b.RunInstaller("", FALSE) == kExitNotRun);
  CHECK(f.b.RunInstaller(nullptr, TRUE) == kExitNotRun);
  CHECK(f.Since(mark).empty());
}

TEST_CASE("an installer missing beside the package is not run and fails with the system's error") {
  BootstrapperFixture f("[Gone]\r\nName=Gone\r\nFile=no-such-installer.exe\r\nDoNotExtract=yes\r\n");
  CHECK(f.b.RunInstaller("Gone", FALSE) == ERROR_FILE_NOT_FOUND);
  CHECK(f.b.m_bInstallerNotRun);
  CHECK(f.Logged("RunInstaller - Could not open the installer file " + std::string(f.b.m_szSourceDir) +
                 "\\no-such-installer.exe beside the package. Error: 2."));
}

// The tests' Wine reports Windows 7; the end-to-end tests run packages as Windows XP too.
TEST_CASE("ProgramCompatibility marks the output file for the compatibility assistant from Vista on, until the run ends") {
  REQUIRE(IsVistaOrLater());
  struct Case {
    int line;
    const char* flag;
    bool before, during, after;
  } cases[] = {{__LINE__, "yes", false, true, false},
               {__LINE__, "yes", true, true, true},  // one that was there before the run is not the run's
               {__LINE__, "no", false, false, false}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string output;
    {
      BootstrapperFixture f(std::string("[Fake]\r\nName=Unit Fake\r\nFile=compat-setup.exe\r\nProgramCompatibility=") +
                            c.flag + "\r\n");
      output = std::string(f.b.m_szTempFolder) + "compat-setup.exe";
      DWORD one = 1;
      if (c.before) RegSetKeyValueA(HKEY_CURRENT_USER, kCompatibilityKey, output.c_str(), REG_DWORD, &one, sizeof(one));
      CHECK(f.b.RunInstaller("Fake", FALSE) == 0);
      CHECK(CompatibilityMarked(output) == c.during);
    }
    CHECK(CompatibilityMarked(output) == c.after);
    RemoveCompatibilityMark(output);
  }
}
