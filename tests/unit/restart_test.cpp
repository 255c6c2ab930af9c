// The restart of the computer through its stand-in system calls, the reboot prompt and its
// recording, and the restart-product notice.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "FakeRestartCalls.h"
#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"

using test::FakeRestartCalls;

TEST_CASE("the restart asks the extended call once, and the exit call only when that one cannot restart") {
  using Initiate = FakeRestartCalls::Initiate;
  struct Case {
    int line;
    DWORD platform;
    FakeRestartCalls::Options options;
    int initiateCalls;
    int exitCalls;
    int privilegeDisabled;
    DWORD result;
  } cases[] = {
      {__LINE__, VER_PLATFORM_WIN32_NT, {false, Initiate::kSucceeds, false}, 1, 0, 1, 0},
      // The restart is under way although the privilege step failed: no second, forced request.
      {__LINE__, VER_PLATFORM_WIN32_NT, {true, Initiate::kSucceeds, false}, 1, 0, 0, 0},
      {__LINE__, VER_PLATFORM_WIN32_NT, {false, Initiate::kFails, false}, 1, 1, 1, 0},
      {__LINE__, VER_PLATFORM_WIN32_NT, {false, Initiate::kFails, true}, 1, 1, 1, FakeRestartCalls::kExitError},
      {__LINE__, VER_PLATFORM_WIN32_NT, {false, Initiate::kMissing, false}, 0, 1, 1, 0},
      {__LINE__, VER_PLATFORM_WIN32_NT, {true, Initiate::kMissing, true}, 0, 1, 0, FakeRestartCalls::kExitError},
      // Windows 9x knows no privileges.
      {__LINE__, VER_PLATFORM_WIN32_WINDOWS, {false, Initiate::kMissing, false}, 0, 1, 0, 0},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("");
    f.b.m_OSVersion.dwPlatformId = c.platform;
    FakeRestartCalls restart(c.options);
    CHECK(f.b.RestartComputer() == c.result);
    const FakeRestartCalls::Calls& calls = restart.calls();
    CHECK(calls.initiate == c.initiateCalls);
    CHECK(calls.exitWindows == c.exitCalls);
    CHECK(calls.privilegeEnabled == (c.platform == VER_PLATFORM_WIN32_NT ? 1 : 0));
    CHECK(calls.privilegeDisabled == c.privilegeDisabled);
    CHECK(calls.initiateArgumentsRight);
    CHECK(calls.exitArgumentsRight);
  }
}

TEST_CASE("the reboot prompt: caption and text of the language module, or an empty box with OK only") {
  struct Case {
    int line;
    bool language;
    int answer;
    bool agreed;
  } cases[] = {
      {__LINE__, true, IDOK, true},
      {__LINE__, true, IDCANCEL, false},
      {__LINE__, false, IDOK, true},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("", {"", true, false});
    if (c.language) REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    CopyCut(f.b.m_szDisplayName, "Vellora");
    size_t mark = f.Mark();
    test::InProcessAnswerer answerer([&](HWND, const test::SeenWindow&) { return c.answer; }, "reboot");
    CHECK(f.b.ShowReboot(kRebootPromptDeferred, FALSE) == c.agreed);
    std::vector<test::SeenWindow> seen = answerer.Stop();
    REQUIRE(seen.size() == 1);
    std::string caption = test::LanguageString(IDS_SETUP_PACKAGE_CAPTION);
    caption.replace(caption.find("%s"), 2, "Vellora");
    CHECK(seen[0].caption == (c.language ? caption : ""));
    CHECK(test::MessageBoxText(seen[0]) == (c.language ? test::LanguageString(IDS_REBOOT) : ""));
    CHECK((seen[0].Text(IDCANCEL) != "") == c.language);
    const std::vector<std::string> expected = {
        "ShowReboot - Prompting user to reboot the system. Reboot mode: 1",
        "ShowReboot - User decision: " + std::to_string(c.answer) + ".",
    };
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
  }
}

TEST_CASE("the reboot recording stays silent while a screen reader runs, and logs that twice") {
  test::BootstrapperFixture f("", {"", true, false});
  REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
  f.b.ListSection.dwFlags |= kRebootWave;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.lpszClassName = "ORVIKUI";
  RegisterClassA(&windowClass);
  HWND reader = CreateWindowA("ORVIKUI", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  REQUIRE(reader != nullptr);
  size_t mark = f.Mark();
  test::InProcessAnswerer answerer(nullptr, "reboot-reader");
  CHECK(f.b.ShowReboot(kRebootPromptForce, TRUE));
  CHECK(answerer.Stop().size() == 1);
  DestroyWindow(reader);
  UnregisterClassA("ORVIKUI", nullptr);
  const std::string skipped = "PlayRebootWave - Skipped Reboot wave file because an ZR product is running.";
  const std::vector<std::string> expected = {
      skipped, "ShowReboot - Prompting user to reboot the system. Reboot mode: 5", skipped,
      "ShowReboot - User decision: 1."};
  CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
  // With RebootWave off there is nothing to play or to skip.
  f.b.ListSection.dwFlags &= ~kRebootWave;
  CHECK_FALSE(f.b.PlayRebootWave(TRUE, SND_ASYNC, kRebootOk1WaveName));
}

TEST_CASE("the restart-product notice shows when asked for, in silent mode too") {
  struct Case {
    int line;
    bool asked;
    bool silent;
  } cases[] = {{__LINE__, true, false}, {__LINE__, true, true}, {__LINE__, false, false}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("", {"", true, c.silent});
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    if (c.asked) f.b.ListSection.dwFlags |= kRestartProductDlg;
    size_t mark = f.Mark();
    test::InProcessAnswerer answerer(nullptr, "restart-product");
    f.b.ShowRestartProduct();
    std::vector<test::SeenWindow> seen = answerer.Stop();
    REQUIRE(seen.size() == (c.asked ? 1u : 0u));
    if (c.asked) CHECK(test::MessageBoxText(seen[0]) == test::LanguageString(IDS_RESTART_PRODUCT));
    CHECK(f.Since(mark) == (c.asked ? std::vector<std::string>{"ShowReboot - Prompting user to restart product."}
                                    : std::vector<std::string>{}));
  }
}
