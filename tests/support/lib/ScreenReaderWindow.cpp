#include "ScreenReaderWindow.h"

namespace test {

ScreenReaderWindow::ScreenReaderWindow(const char* windowClass) : m_class(windowClass) {
  WNDCLASSA registration = {};
  registration.lpfnWndProc = DefWindowProcA;
  registration.hInstance = GetModuleHandleA(nullptr);
  registration.lpszClassName = m_class.c_str();
  RegisterClassA(&registration);
  m_window = CreateWindowExA(0, m_class.c_str(), "Screen reader", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             registration.hInstance, nullptr);
}

ScreenReaderWindow::~ScreenReaderWindow() {
  if (m_window != nullptr) DestroyWindow(m_window);
  UnregisterClassA(m_class.c_str(), GetModuleHandleA(nullptr));
}

}  // namespace test
