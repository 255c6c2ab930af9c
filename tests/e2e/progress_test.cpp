// The progress dialog and the restore point around the prerequisites, as a user and their
// screen reader meet them. The fake installers wait for gates that the test opens, so the bar
// is read from this process at known moments.
#include <doctest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LogLines.h"
#include "PackageSupport.h"
#include "RunOnceSupport.h"
#include "core/PackageExitCodes.h"
#include "ui/language/resource.h"

namespace {

const long long kSequence = 0x100000000LL + 4242;  // the stand-in's answer to a beginning
const std::string kSequenceText = std::to_string(kSequence);

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 30000) {
  for (DWORD waited = 0; !condition(); waited += 20) {
    if (waited >= timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

HWND FindProgressDialog() { return FindWindowA("#32770", "Please wait"); }

// The dialog once it is shown with its controls in place, or null.
HWND WaitForProgressDialog() {
  HWND dialog = nullptr;
  return WaitFor([&] { return (dialog = FindProgressDialog()) != nullptr && IsWindowVisible(dialog); }) ? dialog
                                                                                                         : nullptr;
}

// Asked as a screen reader asks a control of another process; -1 without an answer.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, message, wParam, 0, SMTO_ABORTIFHUNG, 2000, &answer) ? answer : -1;
}

// The position once it reads `expected` (a posted step takes a moment), or what it reads then.
LRESULT PositionOnceAt(HWND bar, LRESULT expected) {
  WaitFor([&] { return Ask(bar, PBM_GETPOS) == expected; }, 5000);
  return Ask(bar, PBM_GETPOS);
}

size_t InstallersStarted(const test::Package& p) { return test::ReadJournal(p.journal).size(); }
void Open(const std::string& gate) { test::WriteFile(gate, ""); }
// Set once the watcher of the run has read (and photographed) the progress dialog.
volatile LONG g_progressDialogRead = 0;

test::ProcessResult RunLogged(test::Package& p, const std::string& options = "") {
  InterlockedExchange(&g_progressDialogRead, 0);
  return p.Run(options + "/Log \"" + p.log + "\"", [](const test::SeenWindow& window) {
    if (window.caption != "Please wait") return IDOK;
    InterlockedExchange(&g_progressDialogRead, 1);
    return 0;
  });
}

// What the test does beside the running package, on a thread of its own. It only records what
// it sees (the checks follow the run), and it ends by opening every gate, so nothing waits for ever.
class Beside {
 public:
  Beside(std::function<void()> work, std::vector<std::string> gates) : m_work(work), m_gates(gates) {
    m_thread = CreateThread(nullptr, 0, Start, this, 0, nullptr);
  }
  ~Beside() { Join(); }
  void Join() {
    if (m_thread != nullptr) WaitForSingleObject(m_thread, INFINITE), CloseHandle(m_thread);
    m_thread = nullptr;
  }

 private:
  static DWORD WINAPI Start(void* self) {
    auto* beside = static_cast<Beside*>(self);
    beside->m_work();
    for (const std::string& gate : beside->m_gates) Open(gate);
    return 0;
  }
  std::function<void()> m_work;
  std::vector<std::string> m_gates;
  HANDLE m_thread;
};

// The recording stand-in for System Restore's client library (tests/fixtures/fake_srclient.cpp).
// The package's process prefers a native library of that name over Wine's own, as Windows' own
// search would, so a copy the engine looked for in the wrong folder would be loaded.
struct FakeSrclient {
  explicit FakeSrclient(const test::Package& p) : journal(p.dir / "srclient.txt") {}
  std::string journal;
  test::ScopedEnvironment journalVariable{"FAKE_SRCLIENT_JOURNAL", journal};
  test::ScopedEnvironment preferNative{"WINEDLLOVERRIDES", test::Env("WINEDLLOVERRIDES") + ";srclient=n,b"};
  static std::string File() { return test::BinFile("fixtures\\srclient.dll"); }
  // Each call: event type, restore point type, sequence number, description, module file.
  std::vector<std::vector<std::string>> Calls() const {
    std::vector<std::vector<std::string>> calls;
    for (const std::string& line : test::Lines(test::ReadFile(journal))) {
      calls.emplace_back(1);
      for (char c : line) {
        if (c == '\t') calls.back().emplace_back();
        else calls.back().back().push_back(c);
      }
    }
    return calls;
  }
};

// The stand-in in the system folder in place of Wine's own library for the scope; Wine's is put
// back afterwards, also after a failed check or a test run that died on the way.
class InSystemFolder {
 public:
  InSystemFolder() {
    PutBack();
    MoveFileA(path.c_str(), m_wine.c_str());
    REQUIRE(CopyFileA(FakeSrclient::File().c_str(), path.c_str(), FALSE));
  }
  ~InSystemFolder() { PutBack(); }
  const std::string path = SystemFolder() + "\\srclient.dll";

 private:
  static std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
  }
  void PutBack() {
    if (test::FileExists(m_wine)) DeleteFileA(path.c_str()), MoveFileA(m_wine.c_str(), path.c_str());
  }
  const std::string m_wine = path + ".wine";
};

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
}

// The log lines of the progress dialog, of the restore point or of the restart, in order.
std::vector<std::string> LinesOf(const std::vector<std::string>& log, const char* part, const char* other = "\n") {
  std::vector<std::string> lines;
  for (const std::string& line : log)
    if (line.find(part) != std::string::npos || line.find(other) != std::string::npos) lines.push_back(line);
  return lines;
}

}  // namespace

TEST_CASE("the bar steps once per prerequisite, is full before the dialog closes, and is gone before the main "
          "installer; the restore point is begun before the prerequisites and ended after them") {
  test::Package p;
  FakeSrclient srclient(p);
  InSystemFolder installed;
  const std::vector<std::string> gates = {p.dir / "a", p.dir / "b", p.dir / "c", p.dir / "end", p.dir / "m"};
  test::ScopedEnvironment endGate{"FAKE_SRCLIENT_GATE", gates[3]};
  for (const char* name : {"a.exe", "b.exe", "c.exe", "m.exe"}) p.Payload(name);
  p.Build("[default]\r\nName=Vellora Suite\r\nPreInstall=A|B|C\r\nMainInstall=M\r\nShowProgressBar=yes\r\n"
          "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=gate=" + gates[0] + "\r\n"
          "[B]\r\nName=B\r\nFile=b.exe\r\nArguments=gate=" + gates[1] + "\r\n"
          "[C]\r\nName=C\r\nFile=c.exe\r\nArguments=gate=" + gates[2] + "\r\n"
          "[M]\r\nName=M\r\nFile=m.exe\r\nArguments=exit=7 gate=" + gates[4] + "\r\n");

  std::vector<LRESULT> readings;  // range, then the position while A, B and C run, then at the end
  bool shownWhenFull = false, goneBeforeMain = false;
  Beside beside(
      [&] {
        HWND dialog = WaitForProgressDialog();
        // The prerequisites go on only once the run's watcher has read the dialog: on a quick
        // machine they would otherwise end before it looks.
        WaitFor([] { return g_progressDialogRead != 0; }, 10000);
        HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
        readings = {Ask(bar, PBM_GETRANGE, TRUE), Ask(bar, PBM_GETRANGE, FALSE)};
        for (LRESULT n = 0; n < 3; n++) {
          if (!WaitFor([&] { return InstallersStarted(p) == static_cast<size_t>(n + 1); })) return;
          readings.push_back(PositionOnceAt(bar, n));
          Open(gates[n]);
        }
        // C has ended, and the restore point is being ended while the dialog still shows.
        if (!WaitFor([&] { return srclient.Calls().size() == 2; })) return;
        readings.push_back(PositionOnceAt(bar, 3));
        shownWhenFull = IsWindowVisible(dialog) != FALSE;
        Open(gates[3]);
        if (WaitFor([&] { return InstallersStarted(p) == 4; }))
          goneBeforeMain = !IsWindow(dialog) && FindProgressDialog() == nullptr;
      },
      gates);
  test::ProcessResult result = RunLogged(p);
  beside.Join();

  REQUIRE(result.finished);
  CHECK(result.exitCode == 7);
  CHECK(readings == std::vector<LRESULT>{0, 3, 0, 1, 2, 3});
  CHECK(shownWhenFull);
  CHECK(goneBeforeMain);
  REQUIRE(result.windows.size() == 1);
  CHECK(result.windows[0].Text(IDC_PROGRESS_TEXT) == "Please wait while your system is configured for Vellora Suite.");
  const std::vector<std::vector<std::string>> calls = {
      {"100", "0", "0", "Vellora Suite Restore Point", installed.path},
      {"101", "0", kSequenceText, "", installed.path},
  };
  CHECK(srclient.Calls() == calls);

  std::vector<std::string> log = p.Log();
  INFO(test::JoinLines(log));
  std::vector<size_t> order = {
      IndexOf(log, "CreateSystemRestorePoint - Restore point created; number=" + kSequenceText + ".\n"),
      IndexOf(log, "StartProgressDialog - The progress dialog is shown."),
      IndexOf(log, "InstallPrerequisite - Installing the prerequisite A."),
      IndexOf(log, "EndSystemRestorePoint - Restore point ended; number=" + kSequenceText + "."),
      IndexOf(log, "CloseProgressDialog - The progress dialog is closed."),
      IndexOf(log, "InstallMain - Installing the main product M."),
  };
  CHECK(std::is_sorted(order.begin(), order.end()));
  CHECK(order.back() < log.size());
}

TEST_CASE("prerequisites that end before the dialog could come up are counted, and no dialog is left behind") {
  // A prerequisite that its existence rule skips ends at once, without a box.
  struct Case {
    int line;
    const char* preInstall;
    bool shown;
    LRESULT positionDuringC;  // -1: no C
  } cases[] = {
      {__LINE__, "", false, -1},
      // Every prerequisite ends at once: the dialog is still waited for before the first and
      // closed before the main installer, and none is left on the screen.
      {__LINE__, "Skip1|Skip2", true, -1},
      // Two end at once, then C runs with their two steps on the bar.
      {__LINE__, "Skip1|Skip2|C", true, 2},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::Package p;
    const std::string cGate = p.dir / "c", mainGate = p.dir / "m";
    for (const char* name : {"c.exe", "m.exe", "s.exe"}) p.Payload(name);
    const std::string sections = "[C]\r\nName=C\r\nFile=c.exe\r\nArguments=gate=" + cGate +
                                 "\r\n[M]\r\nName=M\r\nFile=m.exe\r\nArguments=exit=9 gate=" + mainGate +
                                 "\r\n[Skip1]\r\nName=S\r\nFile=s.exe\r\nCheckExistence=OS|0|5.0"
                                 "\r\n[Skip2]\r\nName=S\r\nFile=s.exe\r\nCheckExistence=OS|0|5.0\r\n";
    p.Build("[fast_silent]\r\nPreInstall=Skip1|Skip2|C\r\nMainInstall=M\r\n" + sections);
    test::WriteFile(p.folder + "\\Settings.ini", std::string("[fast_silent]\r\nPreInstall=") + c.preInstall +
                                                     "\r\nMainInstall=M\r\nShowProgressBar=yes\r\n" + sections);
    LRESULT positionDuringC = -1;
    bool goneBeforeMain = false;
    Beside beside(
        [&] {
          if (c.positionDuringC >= 0) {
            HWND dialog = WaitForProgressDialog();
            if (!WaitFor([&] { return InstallersStarted(p) == 1; })) return;
            positionDuringC = PositionOnceAt(GetDlgItem(dialog, IDC_PROGRESS_BAR), c.positionDuringC);
            Open(cGate);
          }
          size_t beforeMain = c.positionDuringC >= 0 ? 1 : 0;
          if (WaitFor([&] { return InstallersStarted(p) == beforeMain + 1; }))
            goneBeforeMain = FindProgressDialog() == nullptr;
        },
        {cGate, mainGate});
    test::ProcessResult result = RunLogged(p, "/Type fast_silent ");
    beside.Join();
    REQUIRE(result.finished);
    CHECK(result.exitCode == 9);
    CHECK(positionDuringC == c.positionDuringC);
    CHECK(goneBeforeMain);

    std::vector<std::string> log = p.Log();
    INFO(test::JoinLines(log));
    std::vector<std::string> dialogLines, restoreLines;
    if (c.shown) {
      dialogLines = {"StartProgressDialog - The progress dialog is shown.",
                     "CloseProgressDialog - The progress dialog is closed."};
      // Wine's own System Restore is present but fails: nothing was begun, so nothing is ended.
      restoreLines = {"CreateSystemRestorePoint - Failure to create the restore point with error: 0."};
      CHECK(IndexOf(log, dialogLines[0]) < IndexOf(log, "InstallPrerequisite - Installing the prerequisite Skip1."));
      CHECK(IndexOf(log, dialogLines[1]) < IndexOf(log, "InstallMain - Installing the main product M."));
    }
    CHECK(LinesOf(log, "ProgressDialog - ") == dialogLines);
    CHECK(LinesOf(log, "SystemRestorePoint - ") == restoreLines);
  }
}

TEST_CASE("Escape closes the progress dialog early and the install goes on") {
  test::Package p;
  const std::string gate = p.dir / "a";
  for (const char* name : {"a.exe", "b.exe", "m.exe"}) p.Payload(name);
  p.Build("[default]\r\nPreInstall=A|B\r\nMainInstall=M\r\nShowProgressBar=yes\r\n"
          "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=gate=" + gate + "\r\n[B]\r\nName=B\r\nFile=b.exe\r\n"
          "[M]\r\nName=M\r\nFile=m.exe\r\nArguments=exit=4\r\n");
  bool closedWhileARuns = false;
  Beside beside(
      [&] {
        HWND dialog = WaitForProgressDialog();
        if (!WaitFor([&] { return InstallersStarted(p) == 1; })) return;
        SetForegroundWindow(dialog);
        WaitFor([&] { return GetForegroundWindow() == dialog; }, 5000);
        keybd_event(VK_ESCAPE, 0, 0, 0);
        keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
        closedWhileARuns = WaitFor([&] { return !IsWindow(dialog); }, 10000) && InstallersStarted(p) == 1;
      },
      {gate});
  test::ProcessResult result = RunLogged(p);
  beside.Join();
  REQUIRE(result.finished);
  CHECK(closedWhileARuns);
  CHECK(result.exitCode == 4);
  CHECK(InstallersStarted(p) == 3);
  CHECK(test::HasLine(p.Log(), "CloseProgressDialog - The progress dialog is closed."));
}

TEST_CASE("System Restore's client library comes from the system folder only") {
  const std::string longName(55, 'N');
  struct Case {
    int line;
    bool inSystemFolder;  // the stand-in there; a copy is always planted beside the package
    const char* status;   // the stand-in's answer to a beginning
    std::string name;
    const char* arguments;
    DWORD exitCode;
    std::vector<std::string> calls;  // event type and sequence number of each call
    std::vector<std::string> lines;  // of the restore point and the restart
  } cases[] = {
      // Ended with its number also when the prerequisite fails; a long description is cut.
      {__LINE__, true, "0", longName, "exit=5\r\nFailCodes=5", 5, {"100 0", "101 " + kSequenceText},
       {"CreateSystemRestorePoint - Restore point created; number=" + kSequenceText + ".\n",
        "EndSystemRestorePoint - Restore point ended; number=" + kSequenceText + "."}},
      // Ended before the restart is asked for: the process may not outlive the request.
      {__LINE__, true, "0", "Vellora", "exit=3010\r\nReboot=immediate\r\nRebootCodes=3010", kExitRestartInitiated,
       {"100 0", "101 " + kSequenceText},
       {"CreateSystemRestorePoint - Restore point created; number=" + kSequenceText + ".\n",
        "EndSystemRestorePoint - Restore point ended; number=" + kSequenceText + ".",
        "RestartComputer - Asking Windows to restart the computer."}},
      {__LINE__, true, "1058", "Vellora", "exit=5", 5, {"100 0"},
       {"CreateSystemRestorePoint - System Restore is turned off."}},
      // Only the planted copy: Wine's own library in the system folder answers, and fails.
      {__LINE__, false, "0", "Vellora", "exit=5", 5, {},
       {"CreateSystemRestorePoint - Failure to create the restore point with error: 0."}},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::Package p;
    FakeSrclient srclient(p);
    test::ScopedEnvironment status{"FAKE_SRCLIENT_STATUS", c.status};
    std::unique_ptr<InSystemFolder> installed(c.inSystemFolder ? new InSystemFolder : nullptr);
    REQUIRE(CopyFileA(FakeSrclient::File().c_str(), (p.folder + "\\srclient.dll").c_str(), FALSE));
    p.Payload("a.exe");
    p.Build("[default]\r\nName=" + c.name + "\r\nPreInstall=A\r\nShowProgressBar=yes\r\n"
            "[A]\r\nName=A\r\nFile=a.exe\r\nArguments=" + c.arguments + "\r\n");
    test::RunOnceValueGuard runOnce(c.name + "_SetupPackage");
    test::ProcessResult result = RunLogged(p);
    REQUIRE(result.finished);
    CHECK(result.exitCode == c.exitCode);

    std::vector<std::string> calls;
    for (const std::vector<std::string>& call : srclient.Calls()) {
      REQUIRE(call.size() == 5);
      calls.push_back(call[0] + " " + call[2]);
      CHECK((installed && call[4] == installed->path));
      if (call[0] == "100") CHECK(call[3] == (c.name + " Restore Point").substr(0, 63));
    }
    CHECK(calls == c.calls);
    std::vector<std::string> log = p.Log();
    INFO(test::JoinLines(log));
    CHECK(LinesOf(log, "SystemRestorePoint - ", "RestartComputer - ") == c.lines);
  }
}
