// A real Bootstrapper for the unit tests: built from a command line, reading a Settings.ini
// that the test writes into a scratch folder of its own, and (unless told otherwise) logging
// there with /Log so that the test can read every decision.
// Header-only: only unit tests, which link the engine, include it.
#pragma once
#include <string>
#include <vector>

#include "RunOnceSupport.h"
#include "TestSupport.h"
#include "core/Bootstrapper.h"
#include "core/BoundedString.h"

namespace test {

struct BootstrapperFixtureOptions {
  std::string commandLine;  // options besides /Log
  bool log = true;          // add "/Log <scratch>\test.log"
  bool silent = true;       // no message boxes unless a test watches them
};

class BootstrapperFixture {
 public:
  explicit BootstrapperFixture(const std::string& settings, const BootstrapperFixtureOptions& options = {})
      : m_dir("unit"),
        m_logPath(m_dir / "test.log"),
        m_settingsPath(m_dir / "Settings.ini"),
        m_bootstrapper(CommandLine(options, m_logPath).c_str()),
        b(m_bootstrapper) {
    b.OpenWorkFolder();  // as a run does once it holds the single-instance mutex
    WriteFile(m_settingsPath, settings);
    CopyCut(b.m_szSettingsPath, m_settingsPath.c_str());
    b.m_bSilent = options.silent;
  }
  // An install that began its prerequisites may leave its RunOnce value (a restart was agreed
  // to, or the test failed half-way); the test prefix would run it at its next start.
  ~BootstrapperFixture() { DeleteRunOnceValue((std::string(b.m_szDisplayName) + "_SetupPackage").substr(0, 109)); }
  BootstrapperFixture(const BootstrapperFixture&) = delete;
  BootstrapperFixture& operator=(const BootstrapperFixture&) = delete;

  const ScratchDir& dir() const { return m_dir; }
  const std::string& settingsPath() const { return m_settingsPath; }
  // The messages logged since construction (the start banner included).
  std::vector<std::string> Log() const { return LogMessages(m_logPath); }
  // The messages logged from now on, for Since() below.
  size_t Mark() const { return Log().size(); }
  std::vector<std::string> Since(size_t mark) const {
    std::vector<std::string> all = Log();
    return mark < all.size() ? std::vector<std::string>(all.begin() + mark, all.end()) : std::vector<std::string>();
  }
  bool Logged(const std::string& message) const {
    for (const std::string& line : Log())
      if (line == message) return true;
    return false;
  }

 private:
  static std::string CommandLine(const BootstrapperFixtureOptions& options, const std::string& logPath) {
    // /Log first: the value of the last option keeps no blank that a later one would leave.
    if (!options.log) return options.commandLine;
    return "/Log " + logPath + (options.commandLine.empty() ? "" : " " + options.commandLine);
  }

  ScratchDir m_dir;
  std::string m_logPath;
  std::string m_settingsPath;
  Bootstrapper m_bootstrapper;

 public:
  Bootstrapper& b;
};

}  // namespace test
