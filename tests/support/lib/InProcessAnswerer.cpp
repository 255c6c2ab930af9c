#include "InProcessAnswerer.h"


namespace test {


InProcessAnswerer::InProcessAnswerer(WindowAnswerer answer, const char* shotTag)
    : m_answer(std::move(answer)), m_shotTag(shotTag) {
  m_stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

InProcessAnswerer::~InProcessAnswerer() { Stop(); }

std::vector<SeenWindow> InProcessAnswerer::Stop() {
  if (m_thread != nullptr) {
    SetEvent(m_stop);
    WaitForSingleObject(m_thread, INFINITE);
    CloseHandle(m_thread);
    m_thread = nullptr;
  }
  if (m_stop != nullptr) {
    CloseHandle(m_stop);
    m_stop = nullptr;
  }
  return m_seen;
}

DWORD WINAPI InProcessAnswerer::ThreadProc(void* self) {
  static_cast<InProcessAnswerer*>(self)->Watch();
  return 0;
}

void InProcessAnswerer::Watch() {
  DialogSweep sweep;
  auto answer = [this](HWND window, const SeenWindow& seen) { return m_answer ? m_answer(window, seen) : IDOK; };
  while (WaitForSingleObject(m_stop, 50) == WAIT_TIMEOUT) sweep.Sweep(GetCurrentProcessId(), m_shotTag, answer, m_seen);
}

std::string MessageBoxText(const SeenWindow& box) {
  // The static text of a message box has the control id 0xFFFF.
  return box.Text(0xFFFF);
}

}  // namespace test
