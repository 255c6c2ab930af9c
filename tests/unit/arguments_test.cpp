// The installer's command line completed by AddToArguments: each step under its condition, the
// "Did not add" lines, the pass-through commands, the verbose log switch and the 999-character cut.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "LogLines.h"

using test::BootstrapperFixture;
using test::BootstrapperFixtureOptions;

namespace {

constexpr const char* kSettings =
    "[AnInstaller]\r\nName=AI\r\nFile=msiexec.exe\r\nArguments=/i AI.msi\r\n"
    "[AnotherInstaller]\r\nName=AnI\r\nFile=AnI.exe\r\n"
    "[Msi]\r\nName=Two Words\r\nFile=msiexec.exe\r\nArguments=/i a.msi\r\nAddSourceDir=yes\r\n"
    "[MsiNoSource]\r\nName=M\r\nFile=msiexec.exe\r\nArguments=/i m.msi\r\n"
    "[Exe]\r\nName=E\r\nFile=setup.exe\r\nArguments=/s\r\nAddSourceDir=yes\r\n"
    "[Present]\r\nName=P\r\nFile=msiexec.exe\r\nAddSourceDir=yes\r\nArguments=/i p.msi SOURCE_DIR=x REINSTALL=ALL "
    "REINSTALLMODE=a REMOVESHARED=0 ALLOWXDDM=0 IGNOREERROR=0 SUPPRESS_RUNTIME_SPEECH=0\r\n"
    "[ReinstallSet]\r\nName=R\r\nFile=msiexec.exe\r\nArguments=/i r.msi REINSTALL=ALL\r\n"
    "[UpperLog]\r\nName=U\r\nFile=msiexec.exe\r\nArguments=/i u.msi /L*v u.log\r\n"
    "[LowerLog]\r\nName=L\r\nFile=msiexec.exe\r\nArguments=/i l.msi /lv l.log\r\n"
    "[LogWord]\r\nName=W\r\nFile=msiexec.exe\r\nArguments=/i w.msi /log\r\n";

// What the installer's command line becomes after AddToArguments, with the object set up as
// the earlier steps of a run leave it.
struct Setup {
  std::string commandLine;  // options besides /Log
  bool log = true;
  int reinstall = 0;
  bool removeShared = false;
  bool speechSuppressed = false;
};

struct Outcome {
  std::string arguments;
  std::vector<std::string> lines;  // AddToArguments lines only
  std::string logFolder;  // where msiexec writes its log: the working folder
  std::string sourceDir;
};

Outcome Complete(const char* section, const Setup& setup) {
  BootstrapperFixtureOptions options;
  options.commandLine = setup.commandLine;
  options.log = setup.log;
  BootstrapperFixture f(kSettings, options);
  REQUIRE(f.b.SetInstallerSection(section) == 0);
  char output[260];
  f.b.GetOutputFileName(output, sizeof(output));
  if (setup.removeShared) f.b.ListSection.dwFlags |= kRemoveShared;
  f.b.m_bSpeechSuppressed = setup.speechSuppressed;
  size_t mark = f.Mark();
  f.b.AddToArguments(setup.reinstall);
  const std::string work = f.b.m_szTempFolder;
  Outcome outcome{f.b.InstallerSection.Arguments, {}, work.substr(0, work.size() - 1), f.b.m_szSourceDir};
  // The Windows Installer log's name has a test of its own.
  for (const std::string& line : f.Since(mark))
    if (line.rfind("AddToArguments - ", 0) == 0 && line.rfind("AddToArguments - Windows Installer log: ", 0) != 0)
      outcome.lines.push_back(line);
  return outcome;
}

std::string Fill(std::string text, const Outcome& outcome) {
  for (size_t at; (at = text.find("{LOG}")) != std::string::npos;) text.replace(at, 5, outcome.logFolder);
  for (size_t at; (at = text.find("{SRC}")) != std::string::npos;) text.replace(at, 5, outcome.sourceDir);
  return text;
}

Setup Everything() {
  Setup setup;
  setup.commandLine = "/allowxddm /q";
  setup.reinstall = 1;
  setup.removeShared = true;
  setup.speechSuppressed = true;
  return setup;
}

}  // namespace

TEST_CASE("each step adds its piece only under its condition, in order") {
  Setup nothing;
  Setup noLog;
  noLog.log = false;
  Setup everything = Everything();
  Setup reinstallOnly;
  reinstallOnly.reinstall = 1;
  struct Case {
    int line;
    const char* section;
    Setup setup;
    const char* arguments;
    std::vector<std::string> lines;
  } cases[] = {
      {__LINE__, "Msi", everything,
       "/i a.msi SOURCE_DIR=\"{SRC}\" REINSTALL=ALL REINSTALLMODE=vomus REMOVESHARED=1 ALLOWXDDM=1 IGNOREERROR=1 "
       "/l*v \"{LOG}\\Two Words.log\" SUPPRESS_RUNTIME_SPEECH=1",
       {"AddToArguments - Added the SUPPRESS_RUNTIME_SPEECH property."}},
      // Not run through msiexec: no property, and a "Did not add" line for each step that applies.
      {__LINE__, "Exe", everything, "/s",
       {"AddToArguments - Did not add the REINSTALL property.",
        "AddToArguments - Did not add the REINSTALLMODE property.",
        "AddToArguments - Did not add the REMOVESHARED property.",
        "AddToArguments - Did not add the ALLOWXDDM property.",
        "AddToArguments - Did not add the IGNOREERROR property.",
        "AddToArguments - Did not add the SUPPRESS_RUNTIME_SPEECH property."}},
      {__LINE__, "Present", everything,
       "/i p.msi SOURCE_DIR=x REINSTALL=ALL REINSTALLMODE=a REMOVESHARED=0 ALLOWXDDM=0 IGNOREERROR=0 "
       "SUPPRESS_RUNTIME_SPEECH=0 /l*v \"{LOG}\\P.log\"",
       {"AddToArguments - Did not add bootstrapper source directory.",
        "AddToArguments - Did not add the REINSTALL property.",
        "AddToArguments - Did not add the REINSTALLMODE property.",
        "AddToArguments - Did not add the REMOVESHARED property.",
        "AddToArguments - Did not add the ALLOWXDDM property.",
        "AddToArguments - Did not add the IGNOREERROR property.",
        "AddToArguments - Did not add the SUPPRESS_RUNTIME_SPEECH property."}},
      {__LINE__, "ReinstallSet", reinstallOnly, "/i r.msi REINSTALL=ALL REINSTALLMODE=vomus /l*v \"{LOG}\\R.log\"",
       {"AddToArguments - Did not add the REINSTALL property."}},
      // Only the verbose log: /Log was given and the installer is an MSI run.
      {__LINE__, "MsiNoSource", nothing, "/i m.msi /l*v \"{LOG}\\M.log\"", {}},
      {__LINE__, "MsiNoSource", noLog, "/i m.msi", {}},
      {__LINE__, "Msi", nothing, "/i a.msi SOURCE_DIR=\"{SRC}\" /l*v \"{LOG}\\Two Words.log\"", {}},
      {__LINE__, "Exe", nothing, "/s", {}},
      // The search for "/l" is case-sensitive and matches inside longer switches.
      {__LINE__, "UpperLog", nothing, "/i u.msi /L*v u.log /l*v \"{LOG}\\U.log\"", {}},
      {__LINE__, "LowerLog", nothing, "/i l.msi /lv l.log", {}},
      {__LINE__, "LogWord", nothing, "/i w.msi /log", {}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Outcome outcome = Complete(c.section, c.setup);
    CHECK(outcome.arguments == Fill(c.arguments, outcome));
    CHECK(test::JoinLines(outcome.lines) == test::JoinLines(c.lines));
  }
}

TEST_CASE("pass-through commands reach the installers named exactly, decoded, in order") {
  struct Case {
    int line;
    const char* commandLine;
    const char* section;
    const char* arguments;
  } cases[] = {
      // The worked example of the help text: /l is then present, so no verbose log is added.
      {__LINE__, "/passthru AnInstaller,AnotherInstaller@#2l", "AnInstaller", "/i AI.msi /l"},
      {__LINE__, "/passthru AnInstaller,AnotherInstaller@#2l", "AnotherInstaller", " /l"},
      {__LINE__, "/passthru aninstaller@#2l", "AnInstaller", "/i AI.msi /l*v \"{LOG}\\AI.log\""},
      // A command keeps the blank before the next option, as the command line gives it.
      {__LINE__, "/passthru AnInstaller@#2qn /passthru AnInstaller@#2norestart", "AnInstaller",
       "/i AI.msi /qn  /norestart /l*v \"{LOG}\\AI.log\""},
      {__LINE__, "/passthru AnotherInstaller@##abc", "AnotherInstaller", " abc"},
      {__LINE__, "/passthru AnotherInstaller@#0#1#2", "AnotherInstaller", " #-/"},
      {__LINE__, "/passthru AnotherInstaller@#9x", "AnotherInstaller", " x"},
      {__LINE__, "/passthru AnotherInstaller@end#", "AnotherInstaller", " end#"},
      {__LINE__, "/passthru AnInstaller@#2lv", "AnInstaller", "/i AI.msi /lv"},
      {__LINE__, "/passthru AnInstaller, AnotherInstaller@x", "AnotherInstaller", ""},
      {__LINE__, "/passthru AnInstaller@one@two", "AnInstaller", "/i AI.msi /l*v \"{LOG}\\AI.log\""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Setup setup;
    setup.commandLine = c.commandLine;
    Outcome outcome = Complete(c.section, setup);
    CHECK(outcome.arguments == Fill(c.arguments, outcome));
    CHECK(outcome.lines.empty());
  }
}

TEST_CASE("a pass-through command that sets a property comes after the property a step added") {
  Setup setup;
  setup.commandLine = "/passthru AnInstaller@REINSTALL=#1x";
  setup.reinstall = 1;
  Outcome outcome = Complete("AnInstaller", setup);
  CHECK(outcome.arguments ==
        Fill("/i AI.msi REINSTALL=ALL REINSTALLMODE=vomus REINSTALL=-x /l*v \"{LOG}\\AI.log\"", outcome));
}

// Cut, "REINSTALLMODE=vomus" would reach msiexec as "REINSTALLMODE=vo", which means something else.
TEST_CASE("a piece that does not fit whole in 999 characters is not added, and the installer must not run") {
  struct Case {
    int line;
    size_t length;  // of the section's Arguments
    bool addSourceDir;
    std::string passThrough;
    bool fits;
    std::string refused;  // the first piece left out
  } cases[] = {
      {__LINE__, 800, true, "", true, ""},
      {__LINE__, 998 - 29, false, "", false, " REINSTALLMODE=vomus"},  // REINSTALL=ALL fits, its mode does not
      {__LINE__, 998, true, "", false, " SOURCE_DIR="},
      {__LINE__, 900, false, std::string(120, 'p'), false, " ppp"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    BootstrapperFixtureOptions options;
    if (!c.passThrough.empty()) options.commandLine = "/passthru Long@" + c.passThrough;
    std::string arguments = "/i a.msi " + std::string(c.length - 9, 'x');
    BootstrapperFixture f("[Long]\r\nName=L\r\nFile=msiexec.exe\r\nArguments=" + arguments + "\r\n"
                          "AddSourceDir=" + (c.addSourceDir ? "yes" : "no") + "\r\n", options);
    REQUIRE(f.b.SetInstallerSection("Long") == 0);
    char output[260];
    f.b.GetOutputFileName(output, sizeof(output));
    size_t mark = f.Mark();
    CHECK(f.b.AddToArguments(1) == c.fits);
    std::string got = f.b.InstallerSection.Arguments;
    CHECK(got.size() <= 999);
    if (c.fits) continue;
    CHECK(got.find(c.refused.substr(0, 11)) == std::string::npos);
    std::vector<std::string> lines = f.Since(mark);
    REQUIRE(lines.size() == 1);
    CHECK(lines[0].rfind("AddToArguments - There is no room for \"" + c.refused, 0) == 0);
  }
}
