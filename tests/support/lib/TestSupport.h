// Helpers for the tests that run under Wine: scratch folders, files, logs, processes, and a
// watcher that finds a process's dialogs and message boxes, reads them, saves a screenshot and
// answers them as a user would.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace test {

// The value of an environment variable, or "" when it is not set.
std::string Env(const char* name);
// A Unix path (as the build passes them) in the form Wine's programs use (Z:\...).
std::string WinPath(const std::string& unixPath);
// A product of the build: bin folder + name, in Windows form.
std::string BinFile(const char* name);
// The build tree's folder for screenshots, in Windows form.
std::string ScreenshotDir();

// A folder of its own under the temporary folder, removed with everything in it at scope end.
// Its name has no "-" or "/", which would start a new option on the package's command line.
class ScratchDir {
 public:
  explicit ScratchDir(const char* tag = "t");
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

 private:
  std::string m_path;
};

bool FileExists(const std::string& path);
// UTF-8 as Windows' wide functions take it, for names in any script.
std::wstring Utf8ToWide(const std::string& utf8);

// Runs a script of the Unix shell, as another program of the machine would: Wine's programs
// cannot make links, and a rename from the Unix side ignores Wine's share modes. Windows paths
// in it go through UnixPath, in single quotes. True when it ran and succeeded.
bool RunUnixShell(const std::string& script);
// Starts such a script and does not wait for it (it may wait for a file the package makes).
bool StartUnixShell(const std::string& script);
// A Windows path as the Unix side names it, in single quotes for the shell.
std::string UnixPath(const std::string& path);
std::string ReadFile(const std::string& path);
bool WriteFile(const std::string& path, const std::string& contents);
void RemoveTree(const std::string& path);
// Names of the files directly in a folder.
std::vector<std::string> ListFiles(const std::string& folder);
// The user's temporary folder, long form, with its trailing backslash.
std::string TempFolder();
// The working folders of package runs ("Pendrix-" and 32 hex digits) in the folders where the
// engine makes them: the Windows folder's Temp (elevated), the user's temporary folder and
// `other`, each as a full path.
std::vector<std::string> WorkFolders(const std::string& other = "");

// The messages of a log file: each line's text after the time stamp, without " \r\n".
std::vector<std::string> LogMessages(const std::string& logPath);
// True when a log line has the documented shape "Y/M/D - h:m:s:ms - message \r\n".
bool IsWellFormedLogLine(const std::string& rawLine);

// What a watched window showed.
struct SeenWindow {
  std::string windowClass;
  std::string caption;
  std::vector<std::pair<int, std::string>> controls;  // control id and text, in z-order
  std::string screenshot;                               // saved bitmap, or ""
  std::string Text(int controlId) const;                // text of one control, or ""
  std::string AllText() const;                          // every control's text, joined by '\n'
};

// Decides how to answer a window: return the command id to send (IDOK, IDCANCEL, a button id),
// or 0 to leave the window alone for now.
using Answerer = std::function<int(const SeenWindow&)>;

struct ProcessResult {
  bool started = false;
  bool finished = false;  // false: killed after the time-out
  DWORD exitCode = 0;
  std::vector<SeenWindow> windows;  // dialogs and message boxes in the order they appeared
};

// Within its scope RunProcess starts programs on a desktop of a window station of their own, which
// nobody sees (as a service's session): a window shown there waits for ever, unseen.
struct UnseenStation {
  UnseenStation();
  ~UnseenStation();
};

// Runs a command line (program and arguments), answering the dialogs of its process with
// `answer` (by default each is closed with IDCANCEL after it was read) until it exits. With a
// primary token the process runs as that token's user (CreateProcessAsUserA).
ProcessResult RunProcess(const std::string& commandLine, const std::string& currentFolder = "",
                         Answerer answer = nullptr, DWORD timeoutMs = 60000, const char* shotTag = "window",
                         HANDLE token = nullptr);

// The same for a command line and folder that the ANSI code page cannot spell.
ProcessResult RunProcessWide(const std::wstring& commandLine, const std::wstring& currentFolder = L"",
                             Answerer answer = nullptr, DWORD timeoutMs = 60000, const char* shotTag = "window",
                             HANDLE token = nullptr);

// One pass over the visible dialogs and message boxes of a process: each window not met before
// is read, photographed into the screenshot folder and answered with the command `answer`
// returns (0: none). Both the watcher of a child process and the in-process answerer use it.
class DialogSweep {
 public:
  using Answer = std::function<int(HWND, const SeenWindow&)>;
  void Sweep(DWORD processId, const std::string& shotTag, const Answer& answer, std::vector<SeenWindow>& seen);

 private:
  std::vector<HWND> m_answered;
};

// Presses and releases a key in a window as the keyboard would: the key goes to the control that
// has the focus in the window's thread (for a message box, Escape is then its Cancel).
void PressKey(HWND window, UINT virtualKey);

// Saves a screenshot of a window as a bitmap; returns the file written or "".
std::string SaveScreenshot(HWND window, const std::string& path);
// True when a screenshot saved by SaveScreenshot shows a drawn window: several colours, and text
// in dark pixels that cover neither nothing nor most of it. A window captured before it was
// painted, or off the screen, gives one flat colour or black.
bool LooksDrawn(const std::string& bitmapPath);
// Reads a window as SeenWindow (without screenshot).
SeenWindow ReadWindow(HWND window);

}  // namespace test
