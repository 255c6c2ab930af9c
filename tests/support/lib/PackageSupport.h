// Helpers for the tests that build packages with PendrixPack and run them: console programs
// with their output, the resources of a built file, the fake installer's journal, and the
// products Windows Installer knows.
#pragma once
#include <windows.h>
#include <msi.h>

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
// the time-out). The command line and the folder are UTF-8, so that they may name files in any
// script.
ConsoleResult RunConsole(const std::string& commandLine, const std::string& currentFolder = "",
                         DWORD timeoutMs = 120000);

// Runs the built PendrixPack.exe with these arguments.
ConsoleResult RunPack(const std::string& arguments);

// Runs the built PendrixPack.exe as on a Windows of another language: started from the Unix side
// in the Unix locale given ("en_US.UTF-8"), from which Wine takes the program's UI language and
// ANSI code page, whatever this program's own are. The arguments are UTF-8, each one word.
ConsoleResult RunPackInLocale(const std::string& locale, const std::vector<std::string>& arguments);

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

// Product codes of the MSI fixtures (tests/fixtures/msi): Gamma has one for all its versions.
constexpr char kGammaProductCode[] = "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}";
constexpr char kAlpha123ProductCode[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";
constexpr char kBetaProductCode[] = "{3B0A58C2-91E4-4F0D-8C36-5E2F7D9A4B10}";
// A built MSI fixture, in Windows form.
std::string MsiFixture(const char* name);

// Windows Installer's state of a product (INSTALLSTATE_DEFAULT when installed, INSTALLSTATE_UNKNOWN
// when not).
int MsiProductState(const char* productCode);
// A product's property as MsiGetProductInfoA gives it ("VersionString", "LocalPackage"), or "".
std::string MsiProductInfo(const char* productCode, const char* property);
// Removes a product quietly if it is installed; true when it is not installed afterwards.
bool UninstallMsiProduct(const char* productCode);
// Installs an MSI fixture of the build (bin\fixtures) quietly, with extra properties; true when
// msiexec succeeded.
bool InstallMsiFixture(const char* fileName, const std::string& properties = "");
// The products Windows Installer lists for an upgrade code (MsiEnumRelatedProductsA).
std::vector<std::string> MsiRelatedProducts(const char* upgradeCode);
// The products Windows Installer lists as clients of a component (MsiEnumClientsA).
std::vector<std::string> MsiComponentClients(const char* componentCode);
// Installs a package quietly with msiexec and these properties; msiexec's exit code.
DWORD InstallMsiPackage(const std::string& package, const std::string& properties = "");
// The installed version of a product as Windows Installer reports it, or "".
std::string MsiProductVersion(const char* productCode);

// Removes a product when the scope begins (a leftover of an earlier run) and when it ends.
class MsiProductGuard {
 public:
  explicit MsiProductGuard(const char* productCode) : m_productCode(productCode) { UninstallMsiProduct(productCode); }
  ~MsiProductGuard() { UninstallMsiProduct(m_productCode); }
  MsiProductGuard(const MsiProductGuard&) = delete;
  MsiProductGuard& operator=(const MsiProductGuard&) = delete;

 private:
  const char* m_productCode;
};

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

std::string Quote(const std::string& path);
// The bytes of the fake installer of the bin folder.
const std::string& FakeInstaller();

// A package built from payload\ and Settings.ini into <folder name>\<exe name>, with the fake
// installers' journal and the run's log in the same scratch folder.
struct Package {
  ScratchDir dir{"inst"};
  std::string payload = dir / "payload";
  std::string folder;
  std::string exe;
  std::string settings = dir / "Settings.ini";
  std::string journal = dir / "journal.txt";
  std::string log = dir / "setup.log";
  ScopedEnvironment journalVariable{"FAKE_INSTALLER_JOURNAL", journal};
  // A stand-in for msiexec, named by its full path (as a File value, lower case): the engine
  // treats any File that contains "msiexec" as a Windows Installer run and starts a bare
  // msiexec.exe only from the system folder; the stand-in records the command line it is given.
  std::string tools = dir / "tools";
  std::string msiexec;
  // The package's temporary folder, with its trailing backslash: the user's, unless
  // UsePrivateTemp gave the package one of its own.
  std::string temp = TempFolder();
  // Whether a run checks that the temporary folder holds the same files afterwards.
  bool checkTemp = true;
  // More of PendrixPack's options for Build, such as its languages.
  std::string packOptions;

  // The folder name may hold blanks, as under Program Files.
  explicit Package(const std::string& folderName = "package", const std::string& exeName = "Setup.exe");
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;
  void Payload(const std::string& name, const std::string& bytes = FakeInstaller());
  // Packs the settings; without embedding they are also put beside the package.
  void Build(const std::string& text, bool embed = false);
  // The package's temporary folder (TEMP and TMP) becomes dir\temp, so that a test can plant
  // files in it and watch it without meeting other programs' files.
  void UsePrivateTemp();
  // Runs the package from its folder, answering its boxes (by default OK on every one); the
  // temporary folder must be the same afterwards. With a primary token the package runs as that
  // token's user.
  ProcessResult Run(const std::string& arguments, Answerer answer = nullptr, HANDLE token = nullptr);
  // Runs a whole command line from a folder, with the same answers and the same check.
  ProcessResult RunCommandLine(const std::string& commandLine, const std::string& currentFolder,
                               Answerer answer = nullptr, HANDLE token = nullptr);
  // Runs the package from another current folder.
  ProcessResult RunFrom(const std::string& from, const std::string& arguments, Answerer answer = nullptr);
  std::vector<std::string> Log() const { return LogMessages(log); }

 private:
  std::vector<std::unique_ptr<ScopedEnvironment>> m_tempVariables;
};

// Ends every process whose program file lies in the folder (an installer left running); true
// when there was one.
bool EndProcessesRunningFrom(const std::string& folder);

// Makes Wine report another Windows version ("win2k", "winxp", "vista", "win7") to every
// program of this file name started within the scope.
class ScopedWindowsVersion {
 public:
  ScopedWindowsVersion(const std::string& exeName, const char* version);
  ~ScopedWindowsVersion();
  ScopedWindowsVersion(const ScopedWindowsVersion&) = delete;
  ScopedWindowsVersion& operator=(const ScopedWindowsVersion&) = delete;
  bool ok() const { return m_ok; }

 private:
  std::string m_key;
  bool m_ok = false;
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
