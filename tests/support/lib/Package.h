// A package built with PendrixPack from payload\ and Settings.ini into <folder>\Setup.exe, with
// the fake installers' journal and the run's log in the same scratch folder, run as a user runs
// it. The end-to-end tests share it.
#pragma once
#include <string>
#include <vector>

#include "PackageSupport.h"
#include "TestSupport.h"

namespace test {

std::string Quote(const std::string& path);
// The bytes of the built fake installer.
const std::string& FakeInstaller();

class Package {
 public:
  // folderName: the package's folder under the scratch folder (it may hold blanks).
  explicit Package(const std::string& folderName = "package");
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  void Payload(const std::string& name, const std::string& bytes = FakeInstaller());
  // Packs the settings; without embedding they are also put beside the package.
  void Build(const std::string& text, bool embed = false);
  // Runs the package from its folder, answering every box with `answer` (by default OK); the
  // temporary folder must be the same afterwards.
  ProcessResult Run(const std::string& arguments, Answerer answer = nullptr);
  // Runs a whole command line from a folder, with the same answers and the same check.
  ProcessResult RunCommandLine(const std::string& commandLine, const std::string& currentFolder,
                               Answerer answer = nullptr);
  std::vector<std::string> Log() const { return LogMessages(log); }

  ScratchDir dir{"inst"};
  std::string payload = dir / "payload";
  std::string folder;
  std::string exe;
  std::string settings = dir / "Settings.ini";
  std::string journal = dir / "journal.txt";
  std::string log = dir / "setup.log";
  // A stand-in for msiexec on the search path: the engine treats any File that contains
  // "msiexec" as a Windows Installer run, and the stand-in shows the command line it was given.
  std::string tools = dir / "tools";
  std::string msiexec = "fake-msiexec.exe";

 private:
  ScopedEnvironment m_journalVariable{"FAKE_INSTALLER_JOURNAL", journal};
  ScopedEnvironment m_path{"PATH", tools + ";" + Env("PATH")};
};

bool Contains(const std::vector<std::string>& lines, const std::string& line);
size_t IndexOf(const std::vector<std::string>& lines, const std::string& line);

}  // namespace test
