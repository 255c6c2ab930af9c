// Whole packages built with PendrixPack and run as a user runs them: the installers in order
// with their exact command lines and current folder, the whole 32-bit exit code, the log, the
// boxes shown for broken settings, the temporary folder left as it was, and a real MSI installed.
#include <doctest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "LanguageStrings.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

namespace {

using test::FakeInstaller;
using test::Package;
using test::Quote;

// A message with its "%s" filled.
std::string Replace(std::string format, const std::string& value) {
  return format.replace(format.find("%s"), 2, value);
}

std::string WithoutTrailingSlash(std::string folder) {
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

}  // namespace

TEST_CASE("prerequisites run in order, then the main installer, extracted to and run in the working folder") {
  Package p;
  p.Payload("first.exe");
  p.Payload("second.exe");
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nName=Order Test\r\nPreInstall=First|Second\r\nMainInstall=Main\r\n"
      "[First]\r\nName=First One\r\nFile=First.exe\r\nArguments=exit=0 first-args\r\n"
      "[Second]\r\nName=Second\r\nFile=second.exe\r\nArguments=exit=0 \"a quoted argument\"\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=3010 main-args\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 3010);
  CHECK(result.windows.empty());

  std::vector<std::string> log = p.Log();
  const std::string work = test::WorkFolderOf(log);
  REQUIRE_FALSE(work.empty());
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 3);
  const char* arguments[] = {"exit=0 first-args", "exit=0 \"a quoted argument\"", "exit=3010 main-args"};
  const char* files[] = {"first.exe", "second.exe", "main.exe"};
  for (size_t i = 0; i < 3; i++) {
    CAPTURE(i);
    CHECK(journal[i].arguments == arguments[i]);
    CHECK(test::SamePath(journal[i].folder, WithoutTrailingSlash(work)));
    CHECK(test::SamePath(journal[i].module, work + files[i]));
  }

  size_t first = test::IndexOf(log, "InstallPrerequisite - Installing the prerequisite First.");
  size_t second = test::IndexOf(log, "InstallPrerequisite - Installing the prerequisite Second.");
  size_t main = test::IndexOf(log, "InstallMain - Installing the main product Main.");
  CHECK(first < second);
  CHECK(second < main);
  CHECK(main < log.size());
  CHECK(test::HasLine(log, "Run - Launching file \"" + work + "first.exe\" with arguments \"exit=0 first-args\"."));
  CHECK(test::HasLine(log, "RunInstaller - Set current directory to " + WithoutTrailingSlash(work) + "."));
  CHECK(test::HasLine(log, "DoSettings_Install - Install main exit code: 3010"));
  CHECK(log.back() == "*** Pendrix - Finish. ***");
}

TEST_CASE("a setup type with prerequisites only ends with the last prerequisite's exit code") {
  Package p;
  p.Payload("a.exe");
  p.Payload("b.exe");
  p.Build(
      "[default]\r\nPreInstall=A||B|\r\n"
      "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=exit=0\r\n"
      "[B]\r\nName=B\r\nFile=b.exe\r\nArguments=exit=5\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  CHECK(journal[0].arguments == "exit=0");
  CHECK(journal[1].arguments == "exit=5");
  std::vector<std::string> log = p.Log();
  CHECK(test::HasLine(log, "DoSettings_Install - No main install found."));
  CHECK_FALSE(test::HasLine(log, "InstallMain - Installing the main product ."));
}

TEST_CASE("a setup type with a main installer only passes its whole 32-bit exit code on") {
  Package p;
  p.Payload("server.exe");
  p.Build("[Server]\r\nMainInstall=Main\r\n[Main]\r\nName=Server Setup\r\nFile=server.exe\r\nArguments=exit=4294967295\r\n");
  test::ProcessResult result = p.Run("/Type Server /Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 4294967295u);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  std::vector<std::string> log = p.Log();
  CHECK(test::SamePath(journal[0].module, test::WorkFolderOf(log) + "server.exe"));
  CHECK(test::HasLine(log, "DoSettings_Install - Install main exit code: 4294967295"));
  for (const std::string& line : log) CHECK(line.find("InstallPrerequisite") == std::string::npos);
}

// The shell looks in the package's own folder before the current one: a bare file name would
// start the package itself again.
TEST_CASE("an installer with the package's own file name runs the extracted installer") {
  Package p;
  p.Payload("setup.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=setup.exe\r\nArguments=exit=21\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 21);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(test::SamePath(journal[0].module, test::WorkFolderOf(p.Log()) + "setup.exe"));
}

// Its component is missing, so what needs it must not be installed, and the package must not end
// as a success.
TEST_CASE("a prerequisite that is missing or no program fails its component and stops the package") {
  Package p;
  p.Payload("a.exe");
  p.Payload("broken.exe", "this is no program");
  p.Payload("main.exe");
  const std::string sections =
      "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=exit=0\r\n"
      "[Broken]\r\nName=Broken\r\nFile=broken.exe\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=7\r\n";
  p.Build("[default]\r\nPreInstall=Broken|A\r\nMainInstall=Main\r\n" + sections);
  struct Case {
    int line;
    const char* prerequisite;
    const char* report;  // the package's one report, the last box
    bool onlyBox;        // false: the shell may first say that it cannot start the file
  } cases[] = {
      // The settings beside the package name a section that the builder would have refused: its
      // own report says what is wrong.
      {__LINE__, "Ghost", "There is an error in the settings file.  The section \"Ghost\" does not exist.", true},
      {__LINE__, "Broken", "could not install the required component Broken", false},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    DeleteFileA(p.journal.c_str());
    DeleteFileA(p.log.c_str());
    test::WriteFile(p.folder + "\\Settings.ini",
                    std::string("[default]\r\nPreInstall=") + c.prerequisite + "|A\r\nMainInstall=Main\r\n" + sections);
    test::ProcessResult result = p.Run("/Log " + Quote(p.log));
    REQUIRE(result.finished);
    CHECK(result.exitCode != 0);
    CHECK(test::ReadJournal(p.journal).empty());  // neither A nor the main installer ran
    REQUIRE_FALSE(result.windows.empty());
    if (c.onlyBox) CHECK(result.windows.size() == 1);
    CHECK(result.windows.back().AllText().find(c.report) != std::string::npos);
    CHECK(test::LooksDrawn(result.windows.back().screenshot));
    std::vector<std::string> log = p.Log();
    CHECK(test::HasLine(log, "InstallPrerequisite - The prerequisite " + std::string(c.prerequisite) +
                                 " could not be run; the package stops with " + std::to_string(result.exitCode) + "."));
    CHECK_FALSE(test::HasLine(log, "InstallMain - Installing the main product Main."));
  }
}

TEST_CASE("the pass-through example of the help text: /i AI.msi /l for the msiexec run, \" /l\" for the other") {
  Package p;
  p.Payload("AnI.exe");
  p.Payload("AI.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  p.Build(
      "[default]\r\nPreInstall=AnotherInstaller\r\nMainInstall=AnInstaller\r\n"
      "[AnInstaller]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i AI.msi\r\n"
      "[AnotherInstaller]\r\nName=AnI\r\nFile=AnI.exe\r\n");
  // Last on the line: an option's value runs to the next option, blanks included.
  test::ProcessResult result = p.Run("/Log " + Quote(p.log) + " /passthru AnInstaller,AnotherInstaller@#2l");
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  CHECK(journal[0].arguments == " /l");
  std::vector<std::string> log = p.Log();
  const std::string work = test::WorkFolderOf(log);
  CHECK(test::SamePath(journal[0].module, work + "ani.exe"));
  CHECK(journal[1].arguments == "/i AI.msi /l");  // /l is there, so no verbose log is added
  CHECK(test::SamePath(journal[1].folder, WithoutTrailingSlash(work)));
  CHECK(lstrcmpiA(journal[1].module.c_str(), p.msiexec.c_str()) == 0);
  CHECK(test::HasLine(log, "Run - Launching file \"" + p.msiexec + "\" with arguments \"/i AI.msi /l\"."));
  CHECK(test::HasLine(log, "RunInstaller - Output file name: " + work + "AI.msi."));
}

TEST_CASE("/Log asks an msiexec run for a verbose log, written in the working folder and copied beside the package's log") {
  Package p;
  p.Payload("AI.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  p.Build("[default]\r\nMainInstall=M\r\n[M]\r\nName=Vellora Setup\r\nFile=" + p.msiexec +
          "\r\nArguments=/i AI.msi\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "/i AI.msi /l*v \"" + test::WorkFolderOf(p.Log()) + "Vellora Setup.log\"");
  CHECK(test::HasLine(p.Log(), "RunInstaller - The Windows Installer log went to " + p.dir / "Vellora Setup.log" +
                                   " (58 bytes)."));

  // Without /Log the arguments stay as written.
  DeleteFileA(p.journal.c_str());
  result = p.Run("");
  REQUIRE(result.finished);
  journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "/i AI.msi");
}

// Installation media put a shared installer beside the setup folder: PendrixPack finds it from
// its payload folder as the engine finds it from the package's, here the same file.
TEST_CASE("DoNotExtract runs the installer where its path leads; a changed or missing one fails the run") {
  Package p;
  p.Payload("embedded.exe");
  const std::string local = p.dir / "common\\local.exe";
  CreateDirectoryA((p.dir / "common").c_str(), nullptr);
  test::WriteFile(local, FakeInstaller());
  p.Build(
      "[default]\r\nPreInstall=Embedded\r\nMainInstall=Local\r\n"
      "[Embedded]\r\nName=Embedded\r\nFile=embedded.exe\r\nArguments=exit=0\r\n"
      "[Local]\r\nName=Local\r\nFile=..\\common\\local.exe\r\nArguments=exit=12 local\r\nDoNotExtract=yes\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 12);
  CHECK(result.windows.empty());
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  CHECK(journal[1].arguments == "exit=12 local");
  CHECK(journal[1].module == local);
  CHECK(journal[1].folder == p.folder);  // the current folder is left as it was
  CHECK(test::HasLine(p.Log(), "RunInstaller - Output file name: " + local + "."));
  CHECK(test::HasLine(p.Log(), "RunInstaller - The installer file " + local + " is the one the package was built with."));

  // The file beside it changed after packing: it is not run, and the run must not end as a
  // success; nor may it when the file is missing.
  struct Case {
    int line;
    bool present;
    DWORD exitCode;
    const char* report;  // before the failure of the component, "" for none
  } cases[] = {
      {__LINE__, true, kExitNotRun, "The installer file for Local has been changed since the setup package was built."},
      {__LINE__, false, ERROR_FILE_NOT_FOUND, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    DeleteFileA(local.c_str());
    if (c.present) test::WriteFile(local, FakeInstaller() + "changed");
    DeleteFileA(p.journal.c_str());
    DeleteFileA(p.log.c_str());
    result = p.Run("/Log " + Quote(p.log));
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    REQUIRE(result.windows.size() == (c.present ? 2u : 1u));
    if (c.present) CHECK(result.windows[0].AllText().find(c.report) != std::string::npos);
    CHECK(result.windows.back().AllText().find("could not install the required component Local") != std::string::npos);
    CHECK(test::ReadJournal(p.journal).size() == 1);  // the embedded prerequisite still ran
    CHECK(test::HasLine(p.Log(), "DoSettings_Install - Install main exit code: " + std::to_string(c.exitCode)));
  }
}

TEST_CASE("a silent install whose installer is missing shows no box and fails") {
  Package p;
  p.Payload("embedded.exe");
  p.Build("[unattended_silent]\r\nMainInstall=Local\r\n"
          "[Local]\r\nName=Local\r\nFile=local.exe\r\nDoNotExtract=yes\r\n"
          "[Embedded]\r\nName=Embedded\r\nFile=embedded.exe\r\n");
  test::ProcessResult result = p.Run("/Type unattended_silent");
  REQUIRE(result.finished);
  CHECK(result.exitCode == ERROR_FILE_NOT_FOUND);
  CHECK(result.windows.empty());  // not even the shell's own report
}

TEST_CASE("a package with its settings embedded runs with no Settings.ini beside it") {
  Package p;
  p.Payload("main.exe");
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=42 embedded\r\n",
          true);
  REQUIRE_FALSE(test::FileExists(p.folder + "\\Settings.ini"));
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 42);
  CHECK(result.windows.empty());
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 1);
  CHECK(journal[0].arguments == "exit=42 embedded");
  CHECK(test::ListFiles(p.folder) == std::vector<std::string>{"Setup.exe"});
}

TEST_CASE("a real MSI prerequisite is installed by msiexec /qn and found installed afterwards") {
  const char kAlpha123[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";
  REQUIRE(test::UninstallMsiProduct(kAlpha123));
  std::string installed = test::ProgramFilesFolder() + "\\Pendrix Fixture Alpha\\alpha.txt";

  Package p;
  p.Payload("alpha-1.2.3.msi", test::ReadFile(test::BinFile("fixtures\\alpha-1.2.3.msi")));
  p.Payload("main.exe");
  p.Build(
      "[default]\r\nPreInstall=Alpha\r\nMainInstall=Main\r\n"
      "[Alpha]\r\nName=Alpha Runtime\r\nFile=msiexec.exe\r\nArguments=/i alpha-1.2.3.msi /qn\r\n"
      "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=0\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 0);
  CHECK(result.windows.empty());
  CHECK(test::MsiProductState(kAlpha123) == INSTALLSTATE_DEFAULT);
  CHECK(test::ReadFile(installed) == "Pendrix Fixture Alpha 1.2.3\r\n");
  std::vector<std::string> log = p.Log();
  CHECK(test::HasLine(log, "Run - Launching file \"msiexec.exe\" with arguments \"/i alpha-1.2.3.msi /qn /l*v \"" +
                          test::WorkFolderOf(log) + "Alpha Runtime.log\"\"."));
  CHECK_FALSE(test::ReadFile(p.dir / "Alpha Runtime.log").empty());  // msiexec's own verbose log
  CHECK(test::ReadJournal(p.journal).size() == 1);      // then the main installer

  CHECK(test::UninstallMsiProduct(kAlpha123));
  CHECK_FALSE(test::FileExists(installed));
}

TEST_CASE("a package of a gigabyte packs, runs, and extracts each installer whole") {
  Package p;
  // Two installers of 512 MB each: the fake installer followed by zeros and a mark at the end.
  const LONGLONG size = 512LL << 20;
  for (const char* name : {"big1.exe", "big2.exe"}) {
    std::string path = p.payload + "\\" + name;
    REQUIRE(test::WriteFile(path, FakeInstaller()));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    LARGE_INTEGER at;
    at.QuadPart = size - 8;
    SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    DWORD written = 0;
    ::WriteFile(file, name, 8, &written, nullptr);
    CloseHandle(file);
  }
  p.Build(
      "[default]\r\nPreInstall=One\r\nMainInstall=Two\r\n"
      "[One]\r\nName=Big One\r\nFile=big1.exe\r\nArguments=exit=0\r\n"
      "[Two]\r\nName=Big Two\r\nFile=big2.exe\r\nArguments=exit=9\r\n");
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 9);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 2);
  const std::string work = test::WorkFolderOf(p.Log());
  CHECK(test::SamePath(journal[0].module, work + "big1.exe"));
  CHECK(test::SamePath(journal[1].module, work + "big2.exe"));
  CHECK_FALSE(test::HasLine(p.Log(), "RunInstaller - Failed to extract the installer."));
  DeleteFileA(p.exe.c_str());
}

// A download damaged on its way: one byte flipped in what the package carries is caught as the
// engine writes that file out, before anything of it runs.
TEST_CASE("a package with one byte flipped in an installer, its settings or its language runs nothing of that") {
  // Large enough to be checked beside its writing, as a large installer is.
  const std::string installer = FakeInstaller() + std::string(9u << 20, 'x') + "the prerequisite's own bytes";
  // Texts of the built-in language's string table, and of the German one, as they hold them.
  auto utf16 = [](const std::string& text) {
    std::string bytes;
    for (char c : text) bytes += std::string(1, c) + '\0';
    return bytes;
  };
  const std::string language = utf16("Uninstallation is complete."), german = utf16("Vellora wird installiert");
  const struct {
    int line;
    std::string flipped;  // bytes of the package, one of them changed
    std::string caption;
    std::string text;
    std::string logged;
    size_t windows;  // an installer's failure is told once more, as for any that could not run
    std::string arguments = "";
    size_t ran = 0;  // installers that ran
  } cases[] = {
      {__LINE__, "prerequisite's own", test::LanguageString(IDS_ERROR_CAPTION),
       Replace(test::LanguageString(IDS_INSTALLER_DAMAGED), "Pre"), "ExtractResource - The bytes of pre.exe are damaged",
       2},
      // The large prerequisite, checked beside its writing, runs; the damaged main installer does not.
      {__LINE__, "main installer's own", test::LanguageString(IDS_ERROR_CAPTION),
       Replace(test::LanguageString(IDS_INSTALLER_DAMAGED), "Main"), "ExtractResource - The bytes of main.exe are damaged",
       2, "", 1},
      {__LINE__, "; carried along", test::LanguageString(IDS_ERROR_CAPTION), test::LanguageString(IDS_PACKAGE_DAMAGED),
       "ExtractResource - The bytes of Settings.ini are damaged", 1},
      {__LINE__, language, " Setup Package Error", "The setup package is damaged. Download it again.",
       "ExtractResource - The bytes of PendrixLang.dll are damaged", 1},
      // A damaged translation: the built-in English tells the user.
      {__LINE__, german, test::LanguageString(IDS_ERROR_CAPTION), test::LanguageString(IDS_PACKAGE_DAMAGED),
       "ExtractResource - The bytes of PendrixLang.dll are damaged", 1, "/UILanguage de_DE "},
  };
  for (const auto& c : cases) {
    CAPTURE(c.line);
    Package p;
    p.Payload("pre.exe", installer);
    p.Payload("main.exe", FakeInstaller() + "the main installer's own bytes");
    if (!c.arguments.empty()) p.packOptions = "--language de-DE=" + Quote(test::BinFile("examples\\suite\\de-DE"));
    p.Build("[default]\r\nPreInstall=Pre\r\nMainInstall=Main\r\n; carried along\r\n"
            "[Pre]\r\nName=Pre\r\nFile=pre.exe\r\nFailCodes=1\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n",
            true);
    std::string bytes = test::ReadFile(p.exe);
    const size_t at = bytes.find(c.flipped);
    REQUIRE(at != std::string::npos);
    REQUIRE(bytes.find(c.flipped, at + 1) == std::string::npos);
    bytes[at + 2] ^= 0x20;
    test::WriteFile(p.exe, bytes);

    test::ProcessResult result = p.Run(c.arguments + "/Log " + Quote(p.log));
    REQUIRE(result.finished);
    CHECK(result.exitCode == kExitNotRun);
    CHECK(test::ReadJournal(p.journal).size() == c.ran);
    REQUIRE(result.windows.size() == c.windows);
    CHECK(result.windows[0].caption == c.caption);
    CHECK(result.windows[0].Text(0xFFFF) == c.text);
    CHECK(test::LinesStartingWith(p.Log(), c.logged).size() == 1);
  }
}
