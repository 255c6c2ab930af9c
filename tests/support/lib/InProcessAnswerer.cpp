#include "InProcessAnswerer.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

namespace test {

namespace {

struct OwnWindows {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectOwnWindows(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<OwnWindows*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
  char className[64] = {};
  GetClassNameA(window, className, sizeof(className));
  if (strcmp(className, "#32770") == 0) search->found.push_back(window);
  return TRUE;
}

std::string ShotNamePart(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (isalnum(static_cast<unsigned char>(c))) out += c;
    else if (!out.empty() && out.back() != '-') out += '-';
    if (out.size() >= 40) break;
  }
  return out;
}

}  // namespace

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
  static unsigned shotCounter = 0;
  std::set<HWND> answered;
  while (WaitForSingleObject(m_stop, 50) == WAIT_TIMEOUT) {
    OwnWindows search{GetCurrentProcessId(), {}};
    EnumWindows(CollectOwnWindows, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
      if (answered.count(window)) continue;
      Sleep(300);  // let the window paint before it is read and photographed
      if (!IsWindow(window)) continue;
      SeenWindow seen = ReadWindow(window);
      char name[MAX_PATH];
      snprintf(name, sizeof(name), "%s\\%s-%02u-%s.bmp", ScreenshotDir().c_str(), m_shotTag.c_str(), shotCounter++,
               ShotNamePart(seen.caption).c_str());
      seen.screenshot = SaveScreenshot(window, name);
      int command = m_answer ? m_answer(window, seen) : IDOK;
      m_seen.push_back(seen);
      answered.insert(window);
      if (command != 0) PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    }
    // A closed window's handle may be given to a new one.
    for (auto it = answered.begin(); it != answered.end();) it = IsWindow(*it) ? std::next(it) : answered.erase(it);
  }
}

std::string MessageBoxText(const SeenWindow& box) {
  // The static text of a message box has the control id 0xFFFF.
  return box.Text(0xFFFF);
}

OptionSafeDir::OptionSafeDir() {
  static unsigned counter = 0;
  for (;;) {
    char name[MAX_PATH];
    snprintf(name, sizeof(name), "%spendrix_opt_%lu_%u", TempFolder().c_str(), GetCurrentProcessId(), counter++);
    if (CreateDirectoryA(name, nullptr)) {
      m_path = name;
      return;
    }
  }
}

OptionSafeDir::~OptionSafeDir() { RemoveTree(m_path); }

}  // namespace test
