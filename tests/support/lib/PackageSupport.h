// Helpers for the tests that build packages with PendrixPack and run them: console programs
// with their output, the resources of a built file, the fake installer's journal, and the
// products Windows Installer knows.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace test {

struct ConsoleResult {
  bool started = false;
  bool finished = false;
  DWORD exitCode = 0;
  std::string out;  // what it wrote to stdout
  std::string err;  // what it wrote to stderr
};

// Runs a console program with stdout and stderr captured, until it exits (or is killed after
// the time-out).
ConsoleResult RunConsole(const std::string& commandLine, const std::string& currentFolder = "",
                         DWORD timeoutMs = 120000);

// Runs the built PendrixPack.exe with these arguments.
ConsoleResult RunPack(const std::string& arguments);

// Text split at CR LF or LF, without empty last line.
std::vector<std::string> Lines(const std::string& text);

// A resource of a built file, read by the loader.
struct ResourceInfo {
  std::string name;
  std::string bytes;
};
// The resources of one type in a program file, in the loader's order; empty when there are none.
std::vector<ResourceInfo> ReadResources(const std::string& file, const char* type);

// The checksum in the file's headers and the one Windows computes for it; false when the file
// cannot be read.
bool ReadChecksums(const std::string& file, DWORD& stored, DWORD& computed);

// One line of the fake installer's journal.
struct JournalLine {
  std::string arguments;
  std::string folder;
  std::string module;
};
std::vector<JournalLine> ReadJournal(const std::string& path);

// Windows Installer's state of a product (INSTALLSTATE_DEFAULT 5 when installed, -1 unknown).
int MsiProductState(const char* productCode);
// Removes a product quietly if it is installed; true when it is not installed afterwards.
bool UninstallMsiProduct(const char* productCode);

// The Program Files folder that a 32-bit installer writes into.
std::string ProgramFilesFolder();

// Sets an environment variable of this process for the scope (children inherit it).
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string m_name;
  std::string m_old;
  bool m_had;
};

// The bytes of the fake installer, the stand-in for every installer of a package.
const std::string& FakeInstallerBytes();
std::string Quote(const std::string& path);

// A package built from payload\ and Settings.ini into package\Setup.exe, with the fake
// installers' journal and the run's log in the same scratch folder.
struct Package {
  ScratchDir dir{"inst"};
  std::string payload = dir / "payload";
  std::string folder = dir / "package";
  std::string exe = folder + "\\Setup.exe";
  std::string settings = dir / "Settings.ini";
  std::string journal = dir / "journal.txt";
  std::string log = dir / "setup.log";
  ScopedEnvironment journalVariable{"FAKE_INSTALLER_JOURNAL", journal};
  // A stand-in for msiexec, named by its full path (as a File value, lower case): the engine
  // treats any File that contains "msiexec" as a Windows Installer run and starts a bare
  // msiexec.exe only from the system folder; the stand-in records the command line it is given.
  std::string msiexec;
  // The package's temporary folder, with its trailing backslash: the user's, unless
  // UsePrivateTemp gave the package one of its own.
  std::string temp = TempFolder();
  // Whether Run checks that the temporary folder holds the same files afterwards.
  bool checkTemp = true;

  Package();
  void Payload(const std::string& name, const std::string& bytes = FakeInstallerBytes());
  // Packs the settings; without embedding they are also put beside the package.
  void Build(const std::string& text, bool embed = false);
  // The package's temporary folder (TEMP and TMP) becomes dir\temp, so that a test can plant
  // files in it and watch it without meeting other programs' files.
  void UsePrivateTemp();
  // Runs the package from `from` (by default its own folder), pressing OK on every box.
  ProcessResult Run(const std::string& arguments, const std::string& from = "");
  std::vector<std::string> Log() const { return LogMessages(log); }

 private:
  std::vector<std::unique_ptr<ScopedEnvironment>> m_tempVariables;
};

// Ends every process whose program file lies in the folder (an installer left running); true
// when there was one.
bool EndProcessesRunningFrom(const std::string& folder);

}  // namespace test
