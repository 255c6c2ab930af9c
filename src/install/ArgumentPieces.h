// What the engine adds to an installer's Arguments, in this order, each under its own condition:
// the package's folder as SOURCE_DIR, the reinstall properties, REMOVESHARED, ALLOWXDDM and
// IGNOREERROR (for Windows Installer runs whose Arguments do not set them already), the user's
// pass-through commands for this installer, a verbose Windows Installer log, and
// SUPPRESS_RUNTIME_SPEECH. A piece goes in whole or the installer does not run: cut,
// "REINSTALLMODE=vomus" could reach msiexec as "REINSTALLMODE=vo", which means something else.
// Portable: the engine's log and its Windows Installer log file are reached through
// ArgumentsEngine.
#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct ArgumentConditions {
  bool msi = false;                 // a Windows Installer run
  bool addSourceDir = false;        // the section adds the package's folder
  bool reinstall = false;
  bool removeShared = false;
  bool allowXddm = false;
  bool quiet = false;
  // Every /passthru command with the installer section it is for (escapes still encoded), and
  // the section being run.
  const std::vector<std::pair<std::string, std::string>>* passThrough = nullptr;
  const char* section = "";
  bool log = false;  // the package logs (/Log)
  bool speechSuppressed = false;
};

class ArgumentsEngine {
 public:
  // One line of the engine's log: `format` holds at most one "%s", for `text`.
  virtual void Log(const char* format, const char* text) = 0;
  // The package's folder, asked for only when it is added.
  virtual const char* SourceDir() = 0;
  // Prepares the verbose Windows Installer log beside the package's own and logs how that went;
  // false when there is none.
  virtual bool PrepareMsiLogPath(char (&path)[260]) = 0;

 protected:
  ~ArgumentsEngine() = default;
};

// Appends the pieces to `arguments`, a terminated text in a buffer of `size` characters. False
// when one did not fit; what came before it stays, and nothing after it is added.
bool AddArgumentPieces(char* arguments, size_t size, const ArgumentConditions& conditions, ArgumentsEngine& engine);
