// Helpers for the tests that build packages with PendrixPack and run them: console programs
// with their output, the resources of a built file, the fake installer's journal, and the
// products Windows Installer knows.
#pragma once
#include <windows.h>

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

// A package folder of its own, as a user unpacks one: a copy of the engine, the fake installer
// under each name given, and a Settings.ini beside them (installer sections use DoNotExtract to
// run them from there).
struct PackageFolder {
  ScratchDir dir{"pkg"};
  explicit PackageFolder(const std::string& settings,
                         const std::vector<std::string>& installers = {"fakeinstaller.exe"});
  // Starts Pendrix.exe from the folder and answers its windows (see RunProcess).
  ProcessResult Run(const std::string& arguments, Answerer answer = nullptr, const char* shotTag = "package",
                    DWORD timeoutMs = 60000);
};

}  // namespace test
