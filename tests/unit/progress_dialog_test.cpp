// A progress dialog that cannot be shown holds nothing back: the prerequisites and the main
// installer run as they would without one, and no thread or handle is left behind. One that
// does not close in time is left to end by itself, with nothing freed under it.
#include <doctest.h>

#include <string>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "LogLines.h"

TEST_CASE("without a dialog to show, the install goes on") {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  struct Case {
    int line;
    const char* languageModule;  // loaded as data; nullptr: none
    const char* logged;
  } cases[] = {
      {__LINE__, nullptr, "StartProgressDialog - No language module; the progress dialog is not shown."},
      // A module without the dialog's template: the dialog cannot be created.
      {__LINE__, self, "StartProgressDialog - The progress dialog could not be shown."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f(
        "[default]\r\nPreInstall=A\r\nMainInstall=Main\r\nShowProgressBar=yes\r\n"
        "[A]\r\nName=Unit Fake\r\nFile=a-setup.exe\r\nArguments=exit=0\r\n"
        "[Main]\r\nName=Unit Fake\r\nFile=main-setup.exe\r\nArguments=exit=7\r\n");
    if (c.languageModule != nullptr) {
      f.b.m_hLanguageModule = LoadLibraryExA(c.languageModule, nullptr, LOAD_LIBRARY_AS_DATAFILE);
      REQUIRE(f.b.m_hLanguageModule != nullptr);
    }
    CHECK(f.b.DoSettings_Install() == 7);
    std::vector<std::string> log = f.Log();
    INFO(test::JoinLines(log));
    CHECK(test::HasLine(log, c.logged));
    CHECK(test::HasLine(log, "InstallMain - Installation exit code: 7"));
    CHECK(f.b.m_hProgressThread == nullptr);
    CHECK(f.b.m_pProgressShare == nullptr);
  }
}

namespace {
WNDPROC g_dialogProc = nullptr;
// Holds the dialog's thread up on the close request for longer than the close is waited for.
LRESULT CALLBACK SlowToClose(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) Sleep(14000);
  return CallWindowProcA(g_dialogProc, window, message, wParam, lParam);
}
}  // namespace

TEST_CASE("a dialog that does not close in time is left behind with what it uses, and ends on its own") {
  const std::string language = test::BinFile("PendrixLang.dll");
  HANDLE thread = nullptr;
  {
    test::BootstrapperFixture f("");
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    f.b.m_dwPrerequisiteCount = 1;
    f.b.StartProgressDialog();
    HWND dialog = f.b.m_hProgressDlg;
    REQUIRE(dialog != nullptr);
    thread = OpenThread(SYNCHRONIZE, FALSE, GetWindowThreadProcessId(dialog, nullptr));
    REQUIRE(thread != nullptr);
    g_dialogProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SlowToClose)));
    f.b.CloseProgressDialog();
    CHECK(f.Logged("CloseProgressDialog - The progress dialog did not close in 10 seconds; going on without it."));
    CHECK(f.b.m_hProgressThread == nullptr);
  }
  // The teardown has let go of the object and its module; the thread still holds the module,
  // and lets go of it when it ends.
  CHECK(GetModuleHandleA(language.c_str()) != nullptr);
  CHECK(WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0);
  CloseHandle(thread);
  CHECK(GetModuleHandleA(language.c_str()) == nullptr);
}
