// Photographs the windows of a program as its user meets them, for the pictures of the
// documentation (scripts/pictures.sh): each dialog and message box is saved as a bitmap in the
// screenshot folder (PENDRIX_SCREENSHOTS), beside a list of its controls, then answered as a user
// answers it: OK where it has an OK, otherwise Cancel; a window with neither (the progress
// window) is left to close by itself.
// Usage: Photograph TAG PROGRAM [ARGUMENTS]. The list, <bitmap>.txt, has a line for the window,
// "window WIDTH HEIGHT CAPTION-HEIGHT", and one for each control, "control ID LEFT TOP RIGHT
// BOTTOM", in the picture's pixels.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace {

// The words of the command line after this program's name and the tag.
const char* AfterTwoWords(const char* commandLine) {
  const char* p = commandLine;
  for (int word = 0; word < 2; word++) {
    bool quoted = false;
    while (*p != '\0' && (quoted || (*p != ' ' && *p != '\t'))) quoted ^= *p++ == '"';
    while (*p == ' ' || *p == '\t') p++;
  }
  return p;
}

void ListControls(HWND window, const std::string& bitmap) {
  RECT frame = {};
  GetWindowRect(window, &frame);
  POINT client = {0, 0};
  ClientToScreen(window, &client);
  std::string list = "window " + std::to_string(frame.right - frame.left) + " " +
                     std::to_string(frame.bottom - frame.top) + " " + std::to_string(client.y - frame.top) + "\n";
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    list += "control " + std::to_string(GetDlgCtrlID(child)) + " " + std::to_string(rect.left - frame.left) + " " +
            std::to_string(rect.top - frame.top) + " " + std::to_string(rect.right - frame.left) + " " +
            std::to_string(rect.bottom - frame.top) + "\n";
  }
  test::WriteFile(bitmap + ".txt", list);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: Photograph TAG PROGRAM [ARGUMENTS]\n");
    return ERROR_INVALID_PARAMETER;
  }
  std::string commandLine = AfterTwoWords(GetCommandLineA());
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    fprintf(stderr, "Photograph: %s cannot be started (error %lu)\n", commandLine.c_str(), GetLastError());
    return 1;
  }
  CloseHandle(process.hThread);
  test::DialogSweep sweep;
  std::vector<test::SeenWindow> seen;
  auto answer = [](HWND window, const test::SeenWindow& read) {
    if (!read.screenshot.empty()) ListControls(window, read.screenshot);
    if (GetDlgItem(window, IDOK) != nullptr) return IDOK;
    return GetDlgItem(window, IDCANCEL) != nullptr ? IDCANCEL : 0;
  };
  for (int waited = 0; WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
    if (waited > 120000) {
      TerminateProcess(process.hProcess, 1);
      break;
    }
    sweep.Sweep(process.dwProcessId, argv[1], answer, seen);
  }
  CloseHandle(process.hProcess);
  printf("Photograph: %lu window(s) of %s\n", static_cast<unsigned long>(seen.size()), argv[2]);
  return seen.empty() ? 1 : 0;
}
