// Helpers for the tests that build packages with PendrixPack and run them: console programs
// with their output, the resources of a built file, the fake installer's journal, and the
// products Windows Installer knows.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

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

// Product codes of the MSI fixtures (tests/fixtures/msi): Gamma has one for all its versions.
constexpr char kGammaProductCode[] = "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}";
constexpr char kAlpha123ProductCode[] = "{6F1D6E3A-2B7C-4C59-9A4E-3D5B8A7C1123}";
constexpr char kBetaProductCode[] = "{3B0A58C2-91E4-4F0D-8C36-5E2F7D9A4B10}";
// A built MSI fixture, in Windows form.
std::string MsiFixture(const char* name);

// Windows Installer's state of a product (INSTALLSTATE_DEFAULT 5 when installed, -1 unknown).
int MsiProductState(const char* productCode);
// Removes a product quietly if it is installed; true when it is not installed afterwards.
bool UninstallMsiProduct(const char* productCode);
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

}  // namespace test
