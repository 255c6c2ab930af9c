// The Welcome step of a real package, heard through the test run's sound sink: the Welcome
// dialog speaks its welcome until the user answers it with a key, Insert+B and Ctrl repeat and
// silence it, a screen reader's window or silent mode keeps the package quiet, and without the
// dialog the whole welcome is spoken before anything is installed.
#include <doctest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Keyboard.h"
#include "LogLines.h"
#include "PackageSupport.h"
#include "ScreenReaderWindow.h"
#include "SoundCapture.h"
#include "TestSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

namespace {

const char kCaption[] = "Vellora Setup Package";
constexpr double kAudible = 0.2;   // speech levelled to -1 dBFS peaks far above this
constexpr double kSilent = 0.02;  // silence reads 0
constexpr double kKeyLatency = 0.8;  // from a key press to the sound's stop, with room to spare

std::string Settings(const char* welcomeDialog, const char* type = "default") {
  return std::string("[") + type + "]\r\nName=Vellora\r\nMainInstall=Main\r\nWelcomeDlg=" + welcomeDialog +
         "\r\nWelcomeWave=yes\r\n[Main]\r\nName=Main\r\nFile=fake-msiexec.exe\r\nArguments=exit=7\r\n"
         "DoNotExtract=yes\r\n";
}

// A package whose one installer is a stand-in for msiexec (so it gets the Windows Installer
// properties), with its journal and the run's log in the package folder.
struct WelcomePackage {
  test::PackageFolder folder;
  std::string journal = folder.dir / "journal.txt";
  std::string log = folder.dir / "welcome.log";
  test::ScopedEnvironment journalVariable{"FAKE_INSTALLER_JOURNAL", journal};
  // The stand-in is named by its full path: a bare msiexec name is started from the system folder.
  explicit WelcomePackage(std::string settings) : folder(settings, {"fake-msiexec.exe"}) {
    std::string standIn = folder.dir / "fake-msiexec.exe";
    CharLowerA(&standIn[0]);
    settings.replace(settings.find("fake-msiexec.exe"), 16, standIn);
    test::WriteFile(folder.dir / "Settings.ini", settings);
  }
  test::ProcessResult Run(const std::string& arguments, test::Answerer answer = nullptr) {
    return folder.Run("/Log \"" + log + "\"" + (arguments.empty() ? "" : " " + arguments), answer, "welcome", 90000);
  }
  std::vector<std::string> Log() const { return test::LogMessages(log); }
};

// The length of the language DLL's spoken welcome.
double WelcomeSeconds() {
  for (const test::ResourceInfo& wave : test::ReadResources(test::BinFile("PendrixLang.dll"), "WAVE"))
    if (wave.name == "IDR_WELCOME_WAV") return test::WaveSeconds(wave.bytes);
  return 0;
}

size_t Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// Milliseconds of the day at which each line of the log was written.
// Milliseconds since the first line's midnight: a run that crosses midnight keeps counting up.
std::vector<long> LogTimes(const std::string& path) {
  const long kDay = 24L * 60 * 60 * 1000;
  std::vector<long> times;
  long days = 0;
  for (const std::string& line : test::Lines(test::ReadFile(path))) {
    int year, month, day, hour, minute, second, ms;
    if (sscanf(line.c_str(), "%d/%d/%d - %d:%d:%d:%d - ", &year, &month, &day, &hour, &minute, &second, &ms) != 7)
      continue;
    long time = ((hour * 60L + minute) * 60 + second) * 1000 + ms;
    if (!times.empty() && time + days * kDay < times.back()) ++days;
    times.push_back(time + days * kDay);
  }
  return times;
}

}  // namespace

TEST_CASE("the Welcome dialog speaks until a key answers it: Enter and Alt+S install, Escape cancels") {
  const double welcome = WelcomeSeconds();
  REQUIRE(welcome > 3.0);
  struct Case {
    int line;
    const char* name;
    std::vector<WORD> keys;
    double waitSeconds;  // how long the user listens before answering
    DWORD exitCode;
    bool installs, suppressesSpeech;
    const char* logLine;
  } cases[] = {
      // Listens to the whole welcome: the capture is kept for the speech recogniser.
      {__LINE__, "welcome-dialog", {VK_RETURN}, welcome + 1.0, 7, true, false,
       "InstallMain - Installing the main product Main."},
      {__LINE__, "welcome-silent-install", {VK_MENU, 'S'}, 2.0, 7, true, true,
       "WelcomeDlgProc - User selected IDNO.  Suppressing speech."},
      {__LINE__, "welcome-escape", {VK_ESCAPE}, 2.0, kExitSuccess, false, false,
       "DoSettings_Install - User chose Cancel at the Welcome dialog."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    WelcomePackage package(Settings("yes"));
    test::SoundCapture capture(c.name);
    REQUIRE(capture.Live());
    double opened = -1, answered = -1;
    test::SeenWindow welcomeDialog;
    test::ProcessResult result = package.Run("", [&](const test::SeenWindow& window) {
      if (window.caption != kCaption) return IDCANCEL;
      welcomeDialog = window;
      opened = capture.Now();
      Sleep(static_cast<DWORD>(c.waitSeconds * 1000));
      answered = capture.Now();
      test::PressKeys(c.keys);
      return 0;
    });
    Sleep(1000);
    REQUIRE(capture.Stop());
    INFO("audible: ", test::Describe(capture.Audible()), "; opened ", opened, " s, answered ", answered, " s");

    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);
    REQUIRE(result.windows.size() == 1);
    CHECK(welcomeDialog.Text(IDC_PACKAGE_WELCOME_TITLE) == "Welcome to the Vellora setup package.");
    CHECK(welcomeDialog.Text(IDOK) == "&Talking Install");
    CHECK(welcomeDialog.Text(IDC_SILENT_INSTALL) == "&Silent Install");
    // Heard while the dialog is open, silent from the moment it is answered.
    CHECK(capture.Peak(opened, answered) > kAudible);
    CHECK(capture.Peak(answered + kKeyLatency) < kSilent);
    if (c.waitSeconds > welcome) {
      std::vector<test::AudibleSpan> spans = capture.Audible();
      REQUIRE(spans.size() == 1);
      CHECK(spans[0].Seconds() > welcome - 0.3);
    }

    std::vector<test::JournalLine> journal = test::ReadJournal(package.journal);
    REQUIRE(journal.size() == (c.installs ? 1u : 0u));
    if (c.installs)
      CHECK((journal[0].arguments.find(" SUPPRESS_RUNTIME_SPEECH=1") != std::string::npos) == c.suppressesSpeech);
    std::vector<std::string> log = package.Log();
    CAPTURE(test::JoinLines(log));
    CHECK(Count(log, c.logLine) == 1);
  }
}

TEST_CASE("Insert+B hears the welcome again from its start, and Ctrl silences it") {
  const double welcome = WelcomeSeconds();
  REQUIRE(welcome > 3.0);
  WelcomePackage package(Settings("yes"));
  test::SoundCapture capture("welcome-keys");
  REQUIRE(capture.Live());
  double opened = -1, silenced = -1, repeated = -1, cancelled = -1;
  test::ProcessResult result = package.Run("", [&](const test::SeenWindow& window) {
    if (window.caption != kCaption) return IDCANCEL;
    opened = capture.Now();
    Sleep(1500);
    silenced = capture.Now();
    test::PressKeys({VK_CONTROL});
    Sleep(2000);
    repeated = capture.Now();
    test::PressKeys({VK_INSERT, 'B'});
    Sleep(static_cast<DWORD>(welcome * 1000) + 1000);
    cancelled = capture.Now();
    test::PressKeys({VK_ESCAPE});
    return 0;
  });
  REQUIRE(capture.Stop());
  std::vector<test::AudibleSpan> spans = capture.Audible();
  INFO("audible: ", test::Describe(spans), "; opened ", opened, ", Ctrl ", silenced, ", Insert+B ", repeated,
       ", Escape ", cancelled, " s");
  REQUIRE(result.finished);
  CHECK(result.exitCode == kExitSuccess);  // cancelled
  REQUIRE(result.windows.size() == 1);

  CHECK(capture.Peak(opened, silenced) > kAudible);
  CHECK(capture.Peak(silenced + kKeyLatency, repeated) < kSilent);
  // Two stretches of speech: the start that Ctrl cut off, and the whole welcome after Insert+B.
  REQUIRE(spans.size() == 2);
  CHECK(spans[0].end < silenced + kKeyLatency);
  CHECK(spans[1].start > repeated - 0.1);
  CHECK(spans[1].start < repeated + kKeyLatency);
  CHECK(spans[1].Seconds() > welcome - 0.3);
}

TEST_CASE("while a screen reader's window is open the package shows no Welcome dialog and says nothing") {
  test::ScreenReaderWindow reader("ORVIKUI");
  REQUIRE(reader.Exists());
  WelcomePackage package(Settings("yes"));
  test::SoundCapture capture("welcome-screen-reader");
  REQUIRE(capture.Live());
  test::ProcessResult result = package.Run("");
  Sleep(500);
  REQUIRE(capture.Stop());
  INFO("audible: ", test::Describe(capture.Audible()));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 7);
  CHECK(result.windows.empty());
  CHECK(capture.Peak() < kSilent);
  std::vector<std::string> log = package.Log();
  CAPTURE(test::JoinLines(log));
  CHECK(Count(log, "PlayWelcomeWave - Skipped Welcome wave file because an ZR product is running.") == 1);
  CHECK(Count(log, "SetListSection - WelcomeWave key: yes.") == 1);
}

TEST_CASE("in silent mode the Welcome dialog is shown and nothing is heard") {
  WelcomePackage package(Settings("yes", "my_silent"));
  test::SoundCapture capture("welcome-silent-mode");
  REQUIRE(capture.Live());
  test::ProcessResult result = package.Run("/Type my_silent", [&](const test::SeenWindow& window) {
    if (window.caption != kCaption) return IDCANCEL;
    Sleep(2000);
    test::PressKeys({VK_RETURN});
    return 0;
  });
  REQUIRE(capture.Stop());
  INFO("audible: ", test::Describe(capture.Audible()));
  REQUIRE(result.finished);
  CHECK(result.exitCode == 7);
  CHECK(result.windows.size() == 1);
  CHECK(capture.Peak() < kSilent);
  // Both the start at the dialog's opening and the stop at its answer are skipped.
  CHECK(Count(package.Log(), "PlayWelcomeWave - Skipped Welcome wave file because Silent mode is on.") == 2);
}

TEST_CASE("without the dialog the whole welcome is spoken before the install starts") {
  const double welcome = WelcomeSeconds();
  REQUIRE(welcome > 3.0);
  struct Case {
    int line;
    const char* welcomeDialog;
    const char* arguments;
    bool spoken;
    bool packed;  // built by PendrixPack, with its built-in language only
  } cases[] = {
      {__LINE__, "no", "", true, false},
      {__LINE__, "yes", "/NoWelcomeDlg", true, false},
      {__LINE__, "no", "/NoWelcomeWave", false, false},
      {__LINE__, "no", "", true, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    WelcomePackage package(Settings(c.welcomeDialog));
    test::Package packed;
    if (c.packed) {
      packed.Payload("main.exe");
      packed.Build("[default]\r\nName=Vellora\r\nMainInstall=Main\r\nWelcomeWave=yes\r\n[Main]\r\nName=Main\r\n"
                   "File=main.exe\r\nArguments=exit=7\r\n",
                   true);
    }
    const std::string logPath = c.packed ? packed.log : package.log;
    test::SoundCapture capture("welcome-without-dialog");
    REQUIRE(capture.Live());
    test::ProcessResult result = c.packed ? packed.Run("/Log " + test::Quote(logPath)) : package.Run(c.arguments);
    REQUIRE(capture.Stop());
    std::vector<test::AudibleSpan> spans = capture.Audible();
    INFO("audible: ", test::Describe(spans));
    REQUIRE(result.finished);
    CHECK(result.exitCode == 7);
    CHECK(result.windows.empty());

    // The main installer starts only after the time the recording takes.
    std::vector<std::string> log = test::LogMessages(logPath);
    std::vector<long> times = LogTimes(logPath);
    REQUIRE(times.size() == log.size());
    size_t install = static_cast<size_t>(
        std::find(log.begin(), log.end(), "InstallMain - Installing the main product Main.") - log.begin());
    REQUIRE(install < log.size());
    REQUIRE(install > 0);
    double waited = (times[install] - times[install - 1]) / 1000.0;
    CAPTURE(waited);
    if (c.spoken) {
      REQUIRE(spans.size() == 1);
      CHECK(spans[0].Seconds() > welcome - 0.3);
      CHECK(waited > welcome - 0.3);
    } else {
      CHECK(spans.empty());
      CHECK(waited < 1.0);
    }
  }
}
