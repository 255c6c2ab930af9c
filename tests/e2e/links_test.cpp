// Links that another program puts on the paths the package writes or runs, before the run and
// during it. Wine's programs cannot make links: the Unix side makes them.
#include <doctest.h>

#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "trust/HeldPath.h"

using test::Package;
using test::Quote;
using test::UnixPath;

namespace {

std::string Folder(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

// A link to `target`, removed with the scope, before the scratch folder goes.
struct UnixLink {
  UnixLink(const std::string& target, const std::string& link)
      : link(link), made(test::RunUnixShell("ln -sfn " + UnixPath(target) + " " + UnixPath(link))) {}
  ~UnixLink() { test::RunUnixShell("rm -f " + UnixPath(link)); }
  std::string link;
  bool made;
};

// Another program's folder that the links point into: its files, and a program of its own.
struct Victim {
  explicit Victim(const Package& p) : folder(Folder(p.dir / "victim")) {
    for (const char* name : {"setup.log", "settings.ini"}) test::WriteFile(folder + "\\" + name, name);
    test::WriteFile(folder + "\\setup.exe", test::ReadFile(test::BinFile("PlantedProgram.exe")));
  }
  bool Untouched() const {
    return test::ListFiles(folder) == std::vector<std::string>{"settings.ini", "setup.exe", "setup.log"} &&
           test::ReadFile(folder + "\\setup.log") + test::ReadFile(folder + "\\settings.ini") == "setup.logsettings.ini";
  }
  std::string folder;
};

std::string Settings(const Package& p, const std::string& preInstall) {
  return "[default]\r\nPreInstall=" + preInstall + "\r\nMainInstall=Main\r\n"
         "[Gate]\r\nName=Gate\r\nFile=gate.exe\r\nArguments=gate=" + p.dir / "gate" + "\r\n"
         "[Msi]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i ai.msi exit=0\r\n"
         "[MsiGate]\r\nName=AI\r\nFile=" + p.msiexec + "\r\nArguments=/i ai.msi gate=" + p.dir / "gate" + "\r\n"
         "[Kit]\r\nName=Kit\r\nFile=kit\\setup.exe\r\nArguments=exit=0 kit\r\nDoNotExtract=yes\r\n"
         "[Main]\r\nName=Main\r\nFile=main.exe\r\nArguments=exit=5\r\n";
}

}  // namespace

TEST_CASE("a link on the path of the log or of an installer beside the package is refused, never followed") {
  Package p;
  Victim victim(p);
  std::string markers = Folder(p.dir / "markers");
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  for (const char* name : {"ai.msi", "main.exe", "gate.exe"}) p.Payload(name);
  p.Build(Settings(p, "Msi"));
  const std::string logs = p.dir / "logs";
  struct Case {
    int line;
    const char* preInstall;
    std::string link;  // to the victim's folder
    DWORD exitCode;
    std::vector<std::string> ran;
    std::string logLine;  // "" when there is no log
  } cases[] = {
      // The log's folder: no log at all, as for any log that cannot be opened, and no MSI log.
      {__LINE__, "Msi", logs, 5, {"/i ai.msi exit=0", "exit=5"}, ""},
      {__LINE__, "Msi|Kit", p.folder + "\\kit", kExitNotRun, {"/i ai.msi exit=0 /l*v \"<work>AI.log\""},
       "RunInstaller - The installer file " + p.folder + "\\kit\\setup.exe is refused: " + p.folder +
           "\\kit is a link (a junction or a symbolic link)."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::WriteFile(p.folder + "\\Settings.ini", Settings(p, c.preInstall));
    DeleteFileA(p.journal.c_str());
    UnixLink link(victim.folder, c.link);
    REQUIRE(link.made);
    test::ProcessResult result = p.Run("/Log " + Quote(logs + "\\setup.log"));
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    std::vector<std::string> ran;
    // msiexec logs into the run's working folder, whose name is the run's own.
    const std::string work = test::WorkFolderOf(test::LogMessages(logs + "\\setup.log"));
    for (test::JournalLine line : test::ReadJournal(p.journal)) {
      if (!work.empty() && line.arguments.find(work) != std::string::npos)
        line.arguments.replace(line.arguments.find(work), work.size(), "<work>");
      ran.push_back(line.arguments);
    }
    CHECK(ran == c.ran);
    CHECK(victim.Untouched());
    CHECK(test::ListFiles(markers).empty());  // the program in the victim's folder never ran
    if (!c.logLine.empty()) CHECK(test::HasLine(test::LogMessages(logs + "\\setup.log"), c.logLine));
  }
}

TEST_CASE("/ExtractSettings refuses a linked folder and replaces a link at the name, never writing through either") {
  Package p;
  Victim victim(p);
  p.Payload("main.exe");
  const std::string settings = "[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n";
  p.Build(settings, true);
  const std::string out = Folder(p.dir / "out");
  UnixLink linkedFolder(victim.folder, p.dir / "linked");
  UnixLink linkedName(victim.folder + "\\settings.ini", out + "\\settings.ini");
  REQUIRE((linkedFolder.made && linkedName.made));

  test::ProcessResult refused = p.Run("/ExtractSettings " + Quote(p.dir / "linked\\settings.ini") + " /Log " + Quote(p.log));
  REQUIRE(refused.finished);
  CHECK(refused.exitCode == kExitNotRun);
  CHECK(refused.windows.size() == 1);  // the settings could not be written
  CHECK(test::HasLine(p.Log(), "ExtractResource - " + p.dir / "linked" +
                                   " is a link (a junction or a symbolic link); nothing is written through it."));

  test::ProcessResult replaced = p.Run("/ExtractSettings " + Quote(out + "\\settings.ini"));
  REQUIRE(replaced.finished);
  CHECK(replaced.windows.empty());
  CHECK_FALSE(IsReparsePoint(GetFileAttributesA((out + "\\settings.ini").c_str())));
  CHECK(test::ReadFile(out + "\\settings.ini") == settings);
  CHECK(test::ListFiles(out) == std::vector<std::string>{"settings.ini"});
  CHECK(victim.Untouched());
}

// The attack measured on the engine before: the log's folder swapped for a link while a
// prerequisite ran, and the lines that followed, msiexec's log among them, went where it pointed.
TEST_CASE("a link put in place of the log's folder during the run takes none of its lines, nor the MSI log") {
  Package p;
  Victim victim(p);
  for (const char* name : {"ai.msi", "main.exe", "gate.exe"}) p.Payload(name);
  p.Build(Settings(p, "Gate|Msi"));
  const std::string logs = Folder(p.dir / "logs");
  // Once the first prerequisite has begun to wait, the folder goes aside for a link; then it ends.
  REQUIRE(test::StartUnixShell("while [ ! -s " + UnixPath(p.journal) + " ]; do sleep 0.05; done; mv " + UnixPath(logs) +
                               " " + UnixPath(logs + ".moved") + " && ln -s " + UnixPath(victim.folder) + " " +
                               UnixPath(logs) + " && touch " + UnixPath(p.dir / "gate")));
  test::ProcessResult result = p.Run("/Log " + Quote(logs + "\\setup.log"));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 3);
  CHECK(journal[1].arguments == "/i ai.msi exit=0");  // no verbose log through the link
  CHECK(victim.Untouched());
  std::vector<std::string> log = test::LogMessages(logs + ".moved\\setup.log");
  REQUIRE_FALSE(log.empty());
  CHECK(log.back() == "*** Pendrix - Finish. ***");
  CHECK(test::HasLine(log, "AddToArguments - No Windows Installer log: " + logs +
                               " is a link (a junction or a symbolic link)."));
  test::RunUnixShell("rm -f " + UnixPath(logs));
}

// msiexec opened its log by the path the engine had checked: a link put at the log's name before
// msiexec started sent its lines into another program's file.
TEST_CASE("a link put at the Windows Installer log's name during the run takes none of msiexec's lines") {
  Package p;
  Victim victim(p);
  for (const char* name : {"ai.msi", "main.exe", "gate.exe"}) p.Payload(name);
  p.Build(Settings(p, "MsiGate"));
  const std::string logs = Folder(p.dir / "logs"), msiLog = logs + "\\AI.log";
  // The name goes aside for a link once the engine has made it; msiexec ends once its first line
  // was copied while it ran (or after ten seconds).
  REQUIRE(test::StartUnixShell(
      "while [ ! -e " + UnixPath(msiLog) + " ]; do sleep 0.05; done; mv " + UnixPath(msiLog) + " " +
      UnixPath(msiLog + ".aside") + " && ln -s " + UnixPath(victim.folder + "\\setup.log") + " " + UnixPath(msiLog) +
      "; for i in $(seq 200); do grep -q started " + UnixPath(msiLog + ".aside") + " && touch " +
      UnixPath(p.dir / "copied") + " && break; sleep 0.05; done; touch " + UnixPath(p.dir / "gate")));
  test::ProcessResult result = p.Run("/Log " + Quote(logs + "\\setup.log"));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  CHECK(victim.Untouched());
  CHECK(test::FileExists(p.dir / "copied"));
  CHECK(test::ReadFile(msiLog + ".aside") == "=== Verbose logging started ===\r\n=== Logging stopped ===\r\n");
  CHECK(test::HasLine(test::LogMessages(logs + "\\setup.log"),
                      "RunInstaller - The Windows Installer log went to " + msiLog + " (58 bytes)."));
  test::RunUnixShell("rm -f " + UnixPath(msiLog));
}

// The package's folder was held from itself down: a link above it, re-pointed after the run had
// begun, sent the launch of an installer beside the package into another program's folder.
TEST_CASE("a link above the package's folder that is re-pointed during the run changes nothing that runs") {
  Package p;
  std::string markers = Folder(p.dir / "markers");
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  for (const char* name : {"main.exe", "gate.exe"}) p.Payload(name);
  p.Build("[default]\r\nPreInstall=Gate|Kit\r\nMainInstall=Main\r\n" + Settings(p, "").substr(Settings(p, "").find("[Gate]")));
  Folder(p.folder + "\\kit");
  REQUIRE(test::WriteFile(p.folder + "\\kit\\setup.exe", test::FakeInstaller()));  // no hash recorded: it runs unverified
  Folder(Folder(p.dir / "other") + "\\kit");
  REQUIRE(test::WriteFile(p.dir / "other\\kit\\setup.exe", test::ReadFile(test::BinFile("PlantedProgram.exe"))));
  UnixLink link(p.folder, p.dir / "link");
  REQUIRE(link.made);
  REQUIRE(test::StartUnixShell("while [ ! -s " + UnixPath(p.journal) + " ]; do sleep 0.05; done; ln -sfn " +
                               UnixPath(p.dir / "other") + " " + UnixPath(link.link) + "; touch " + UnixPath(p.dir / "gate")));
  test::ProcessResult result = p.RunCommandLine(Quote(link.link + "\\Setup.exe") + " /Log " + Quote(p.log), p.dir.path());
  REQUIRE(result.finished);
  CHECK(result.exitCode == 5);
  CHECK(test::ListFiles(markers).empty());
  std::vector<test::JournalLine> journal = test::ReadJournal(p.journal);
  REQUIRE(journal.size() == 3);
  CHECK(journal[1].arguments == "exit=0 kit");
  CHECK(test::SamePath(journal[1].module, p.folder + "\\kit\\setup.exe"));
  CHECK(test::SamePath(journal[1].folder, p.folder));
  CHECK(test::HasLine(p.Log(), "HoldPackageFolder - The package's folder " + link.link + " leads to " + p.folder +
                                   "; the run uses that folder."));
}

// Windows drops the dot at a name's end when it opens a path, but the engine opened each name in
// its folder as written: "kit." was checked, and "kit" was run.
TEST_CASE("a path beside the package with a name that ends in a dot is refused, by PendrixPack and the engine") {
  Package p;
  std::string markers = Folder(p.dir / "markers");
  test::ScopedEnvironment markerFolder("PENDRIX_PLANTED_MARKERS", markers);
  p.Payload("main.exe");
  const std::string dotted = "[default]\r\nPreInstall=Kit\r\nMainInstall=Main\r\n[Kit]\r\nName=Kit\r\n"
                             "File=kit.\\setup.exe\r\nDoNotExtract=yes\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n";
  REQUIRE(test::WriteFile(p.settings, dotted));
  test::ConsoleResult pack = test::RunPack("--settings " + Quote(p.settings) + " --payload " + Quote(p.payload) +
                                           " --out " + Quote(p.dir / "out.exe"));
  CHECK(pack.exitCode == 2);  // refused
  CHECK(pack.err.find("a name that ends in a dot or a blank") != std::string::npos);
  p.Build("[default]\r\nMainInstall=Main\r\n[Main]\r\nName=Main\r\nFile=main.exe\r\n");
  REQUIRE(test::WriteFile(p.folder + "\\Settings.ini", dotted));
  // "kit." holds what would be checked, "kit" what would run.
  REQUIRE(test::RunUnixShell("cd " + UnixPath(p.folder) + " && mkdir kit. kit && cp " +
                             UnixPath(test::BinFile("FakeInstaller.exe")) + " kit./setup.exe"));
  REQUIRE(test::WriteFile(p.folder + "\\kit\\setup.exe", test::ReadFile(test::BinFile("PlantedProgram.exe"))));
  test::ProcessResult result = p.Run("/Log " + Quote(p.log));
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitNotRun);
  CHECK(test::ListFiles(markers).empty());
  CHECK(test::HasLine(p.Log(), "RunInstaller - The installer file \"kit.\\setup.exe\" of Kit is not a path to a file; "
                               "the section is refused."));
}
