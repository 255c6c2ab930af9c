// An answerer for the dialogs and message boxes of the test's own process: a thread of its own
// finds each visible "#32770" window of this process, reads it, saves a screenshot and answers
// it, while the test's thread sits in the modal loop of the box it opened. The answerer is
// handed the window too, so that it can look at what SeenWindow does not hold (its owner, a
// selection).
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace test {

// Decides how to answer a window of this process: the command id to post, or 0 to leave it.
// Runs on the answerer's thread: it may look at the window, but must not use doctest.
using WindowAnswerer = std::function<int(HWND, const SeenWindow&)>;

class InProcessAnswerer {
 public:
  // By default each window is answered with IDOK after it was read.
  explicit InProcessAnswerer(WindowAnswerer answer = nullptr, const char* shotTag = "inproc");
  ~InProcessAnswerer();
  InProcessAnswerer(const InProcessAnswerer&) = delete;
  InProcessAnswerer& operator=(const InProcessAnswerer&) = delete;

  // Stops the thread and returns what it saw, in the order the windows appeared.
  std::vector<SeenWindow> Stop();

 private:
  static DWORD WINAPI ThreadProc(void* self);
  void Watch();

  WindowAnswerer m_answer;
  std::string m_shotTag;
  std::vector<SeenWindow> m_seen;
  HANDLE m_stop = nullptr;
  HANDLE m_thread = nullptr;
};

// The text of a message box (its static text control), or "".
std::string MessageBoxText(const SeenWindow& box);

}  // namespace test
