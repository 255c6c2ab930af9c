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
#include "SpokenPrompts.h"

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

TEST_CASE("each reboot box shows the text and plays the recording of its buttons and further work, which agree") {
  struct Case {
    int line;
    int mode;
    BOOL furtherWork;
    bool language;
    int answer;
    unsigned text;     // 0: an empty box with OK only
    const char* wave;
    const char* notResumed = "";  // the package, when it will not resume by itself
  } cases[] = {
      {__LINE__, kRebootPromptDeferred, TRUE, true, IDOK, IDS_REBOOT_NOW_OR_LATER_RESUME, kRebootOkCancel1WaveName},
      {__LINE__, kRebootPromptDeferred, FALSE, true, IDCANCEL, IDS_REBOOT_NOW_OR_LATER, kRebootOkCancel2WaveName},
      {__LINE__, kRebootPromptImmediateForce, TRUE, true, IDOK, IDS_REBOOT_NOW_RESUME, kRebootOk1WaveName},
      {__LINE__, kRebootPromptDeferredForce, FALSE, true, IDOK, IDS_REBOOT_NOW, kRebootOk2WaveName},
      {__LINE__, kRebootPromptDeferred, FALSE, false, IDOK, 0, ""},
      // Nothing resumes: the box promises nothing, and, agreed to, tells the user to start the package again.
      {__LINE__, kRebootPromptImmediateForce, TRUE, true, IDOK, IDS_REBOOT_NOW, kRebootOk2WaveName, "C:\\kits\\Setup.exe"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("", {"", true, false});
    if (c.language) REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    f.b.ListSection.dwFlags |= kRebootWave;
    CopyCut(f.b.m_szDisplayName, "Vellora");
    CopyCut(f.b.m_szNotResumed, c.notResumed);
    size_t mark = f.Mark();
    test::InProcessAnswerer answerer([&](HWND, const test::SeenWindow&) { return c.answer; }, "reboot");
    CHECK(f.b.ShowReboot(c.mode, c.furtherWork) == (c.answer == IDOK));
    std::vector<test::SeenWindow> seen = answerer.Stop();
    REQUIRE(seen.size() == (c.notResumed[0] != '\0' ? 2u : 1u));
    std::string caption = test::LanguageString(IDS_SETUP_PACKAGE_CAPTION);
    caption.replace(caption.find("%s"), 2, "Vellora");
    CHECK(seen[0].caption == (c.language ? caption : ""));
    const std::string text = c.text != 0 ? test::LanguageString(c.text) : "";
    CHECK(test::MessageBoxText(seen[0]) == text);
    CHECK((seen[0].Text(IDCANCEL) != "") == (c.language && c.mode == kRebootPromptDeferred));
    std::vector<std::string> expected = {
        c.language ? "PlayRebootWave - Playing the reboot wave file " + std::string(c.wave) + "."
                   : "PlayRebootWave - Failed to find Reboot wave file .",
        "ShowReboot - Prompting user to reboot the system. Reboot mode: " + std::to_string(c.mode),
        "ShowReboot - User decision: " + std::to_string(c.answer) + ".",
    };
    if (c.notResumed[0] != '\0') {
      expected.push_back("ShowStartAgain - Nothing resumes after the restart: the user is told to start " +
                         std::string(c.notResumed) + " again after it.");
      std::string notice = test::LanguageString(IDS_START_AGAIN_AFTER_RESTART);
      CHECK(test::MessageBoxText(seen[1]) == notice.replace(notice.find("%s"), 2, c.notResumed));
    }
    CHECK(test::JoinLines(f.Since(mark)) == test::JoinLines(expected));
    if (!c.language) continue;
    // The recording played says that text, and the language DLL carries it under that name.
    test::SpokenPrompt prompt = test::SpokenPromptOf(c.wave);
    CHECK(prompt.text == text);
    HRSRC found = FindResourceA(f.b.m_hLanguageModule, c.wave, "WAVE");
    REQUIRE(found != nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(f.b.m_hLanguageModule, found)));
    CHECK(std::string(bytes, SizeofResource(f.b.m_hLanguageModule, found)) ==
          test::ReadFile(test::WinPath(test::Env("PENDRIX_BUILD")) + "\\src\\ui\\language\\speech\\" + prompt.file));
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
