// A stand-in for the maker's screen reader or magnifier while it runs: a top-level window of one
// of the classes the package looks for ("ORVIKUI", "LUMORAUI", ...), for the scope.
#pragma once
#include <windows.h>

#include <string>

namespace test {

class ScreenReaderWindow {
 public:
  explicit ScreenReaderWindow(const char* windowClass);
  ~ScreenReaderWindow();
  ScreenReaderWindow(const ScreenReaderWindow&) = delete;
  ScreenReaderWindow& operator=(const ScreenReaderWindow&) = delete;
  bool Exists() const { return m_window != nullptr; }

 private:
  std::string m_class;
  HWND m_window = nullptr;
};

}  // namespace test
