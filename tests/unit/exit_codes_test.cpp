// Exit codes judged by a section's own rules, with the boxes read and answered as a user would,
// the deferred-restart bits and the restart requests counted; and the cleanup before a reinstall.
#include <doctest.h>

#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "FakeRestartCalls.h"
#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"

namespace {

const char kAbsentProduct[] = "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A5F}";

enum Answer { kNoBox, kOk, kCancel, kEscape };
enum Box { kNone, kReboot, kFailure, kReinstall };

// 3010 stands in the lists named by letters (R reboot, F fail, I reinstall); the other lists
// hold another code, so that they are not empty.
std::string Section(const char* reboot, const std::string& lists) {
  auto list = [&](char letter) { return lists.find(letter) != std::string::npos ? "1641|3010" : "1641"; };
  std::string section = "[S]\r\nName=Unit Fake\r\nFile=s.exe\r\n";
  if (reboot != nullptr) section += std::string("Reboot=") + reboot + "\r\n";
  return section + "RebootCodes=" + list('R') + "\r\nFailCodes=" + list('F') + "\r\nReinstallCodes=" + list('I') +
         "\r\n";
}

std::string Replace(std::string format, const std::string& value) {
  size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, value);
  return format;
}

// The reboot boxes of the exit-code rules always have setup going on after the restart.
std::string BoxText(Box box, int mode) {
  switch (box) {
    case kReboot:
      return test::LanguageString(mode == kRebootPromptImmediate ? IDS_REBOOT_NOW_OR_LATER_RESUME
                                                                 : IDS_REBOOT_NOW_RESUME);
    case kFailure: return Replace(Replace(test::LanguageString(IDS_COMPONENT_FAILED), "Vellora"), "S");
    case kReinstall: return Replace(test::LanguageString(IDS_REINSTALL), "S");
    default: return "";
  }
}

int Answering(Answer answer, HWND box) {
  if (answer == kEscape) test::PressKey(box, VK_ESCAPE);
  return answer == kOk ? IDOK : answer == kCancel ? IDCANCEL : 0;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  for (const std::string& l : lines)
    if (l == line) return true;
  return false;
}

}  // namespace

TEST_CASE("the reboot rules, then the fail codes, then the reinstall codes decide the return action") {
  const std::string rebootLine = "ShowReboot - Prompting user to reboot the system. Reboot mode: ";
  struct Case {
    int line;
    const char* reboot;  // nullptr: no Reboot key ("defer")
    const char* lists;
    bool silent;
    Answer answer;
    BOOL reinstalling;
    DWORD action;
    WORD bits;
    int restarts;
    int mode;  // of the reboot prompt, 0 for none
    Box box;
    const char* checkLine;  // the line of CheckExitCode itself, or ""
    bool restartFails = false;  // Windows starts no restart: the extended and the older call fail
  } cases[] = {
      // "force" asks whatever the code. Its box has OK only, so Escape agrees too: Windows answers
      // Escape there with OK, Wine with Cancel, and the engine takes either as agreement.
      {__LINE__, "force", "", false, kOk, FALSE, kActionRestarting, 0, 1, kRebootPromptForce, kReboot, ""},
      {__LINE__, "force", "", false, kEscape, FALSE, kActionRestarting, 0, 1, kRebootPromptForce, kReboot, ""},
      {__LINE__, "force", "", true, kNoBox, FALSE, kActionRestartDeclined, 0, 0, 0, kNone, ""},
      {__LINE__, "return", "RFI", false, kNoBox, FALSE, kActionReturn, 0, 0, 0, kNone, ""},
      {__LINE__, nullptr, "RF", false, kNoBox, FALSE, kActionContinue, kDeferReboot, 0, 0, kNone, ""},
      {__LINE__, "DeferForce", "R", false, kNoBox, FALSE, kActionContinue, kDeferForceReboot, 0, 0, kNone, ""},
      {__LINE__, "defer", "F", false, kOk, FALSE, kActionFailed, 0, 0, 0, kFailure, ""},
      {__LINE__, "immediate", "R", false, kOk, FALSE, kActionRestarting, 0, 1, kRebootPromptImmediate, kReboot, ""},
      {__LINE__, "immediate", "RF", false, kCancel, FALSE, kActionContinue, 0, 0, kRebootPromptImmediate, kReboot, ""},
      {__LINE__, "immediate", "R", false, kEscape, FALSE, kActionContinue, 0, 0, kRebootPromptImmediate, kReboot, ""},
      {__LINE__, "immediate", "R", true, kNoBox, FALSE, kActionContinue, 0, 0, 0, kNone, ""},
      {__LINE__, "immediateforce", "R", false, kEscape, FALSE, kActionRestarting, 0, 1, kRebootPromptImmediateForce,
       kReboot, ""},
      {__LINE__, "immediateforce", "R", true, kNoBox, FALSE, kActionRestartDeclined, 0, 0, 0, kNone, ""},
      // Agreed, but it cannot start: as declined, never a restart under way.
      {__LINE__, "immediateforce", "R", false, kOk, FALSE, kActionRestartDeclined, 0, 2, kRebootPromptImmediateForce,
       kReboot, "", true},
      // "none" and unknown words pass the reboot codes by.
      {__LINE__, "none", "RF", false, kOk, FALSE, kActionFailed, 0, 0, 0, kFailure, ""},
      {__LINE__, "later", "RI", false, kOk, FALSE, kActionReinstall, 0, 0, 0, kReinstall, ""},
      {__LINE__, "none", "FI", true, kNoBox, FALSE, kActionFailed, 0, 0, 0, kNone, ""},
      {__LINE__, "none", "I", false, kCancel, FALSE, kActionFailed, 0, 0, 0, kReinstall,
       "CheckExitCode - The user decided to cancel the installation."},
      {__LINE__, "none", "I", false, kEscape, FALSE, kActionFailed, 0, 0, 0, kReinstall,
       "CheckExitCode - The user decided to cancel the installation."},
      {__LINE__, "none", "I", true, kNoBox, FALSE, kActionReinstall, 0, 0, 0, kNone,
       "CheckExitCode - S asks for a reinstall, which a silent run does without asking: cleaning up the product "
       "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A5F}, then installing it once more."},
      // The user who agreed to the reinstall is told that it cannot be done.
      {__LINE__, "none", "I", false, kOk, TRUE, kActionFailed, 0, 0, 0, kFailure, "CheckExitCode - Already reinstalling."},
      {__LINE__, "defer", "", false, kNoBox, FALSE, kActionContinue, 0, 0, 0, kNone, ""},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixtureOptions options;
    options.silent = c.silent;
    test::BootstrapperFixture f(Section(c.reboot, c.lists), options);
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    CopyCut(f.b.m_szDisplayName, "Vellora");
    REQUIRE(f.b.SetInstallerSection("S") == 0);
    // A product that is not installed: the cleanup tool, which fails without one, has nothing to do.
    CopyCut(f.b.InstallerSection.ProductCode, kAbsentProduct);
    test::FakeRestartCalls restart({false, c.restartFails ? test::FakeInitiate::kFails : test::FakeInitiate::kSucceeds,
                                    c.restartFails});
    size_t mark = f.Mark();
    test::InProcessAnswerer answerer([&](HWND box, const test::SeenWindow&) { return Answering(c.answer, box); },
                                     "exitcode");
    CHECK(f.b.CheckExitCode("S", 3010, c.reinstalling) == c.action);
    std::vector<test::SeenWindow> seen = answerer.Stop();

    CHECK(f.b.m_wDeferredReboot == c.bits);
    CHECK(restart.Requests() == c.restarts);
    REQUIRE(seen.size() == (c.box == kNone ? 0u : 1u));
    if (c.box != kNone) CHECK(test::MessageBoxText(seen[0]) == BoxText(c.box, c.mode));
    std::vector<std::string> log = f.Since(mark);
    INFO(test::JoinLines(log));
    CHECK(Has(log, rebootLine + std::to_string(c.mode)) == (c.mode != 0));
    if (c.checkLine[0] != '\0') CHECK(Has(log, c.checkLine));
    // A reinstall comes only after the cleanup.
    CHECK(Has(log, "RunCleanup - File name: " + std::string(f.b.m_szTempFolder) + "MsiZap.exe.") ==
          (c.action == kActionReinstall));
  }
}

TEST_CASE("the cleanup tool comes from the executable, runs hidden in the working folder and is deleted") {
  test::BootstrapperFixture f("[S]\r\nName=Unit Fake\r\nFile=s.exe\r\nReinstallCodes=1603\r\n");
  REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
  REQUIRE(f.b.SetInstallerSection("S") == 0);
  CopyCut(f.b.InstallerSection.ProductCode, "{9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}");
  std::string temp = f.b.m_szTempFolder;
  char before[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, before);
  size_t mark = f.Mark();

  CHECK(f.b.RunCleanup());
  std::vector<std::string> log = f.Since(mark);
  INFO(test::JoinLines(log));
  CHECK(Has(log, "RunCleanup - File name: " + temp + "MsiZap.exe."));
  CHECK(Has(log, "RunCleanup - Set current directory to " + temp.substr(0, temp.size() - 1) + "."));
  CHECK(Has(log, "Run - Launching file \"" + temp + "MsiZap.exe\" with arguments \"TW! {9C4E2A71-5D3B-4F86-A0E7-2B6D1C8F3A50}\"."));
  CHECK(Has(log, "Run - Exit code: 0."));
  CHECK(log.back() == "RunCleanup - Set current directory to " + std::string(before) + ".");
  CHECK_FALSE(test::FileExists(temp + "MsiZap.exe"));

  // The executable carries the tool for every language: it is there without a language module.
  HMODULE language = f.b.m_hLanguageModule;
  f.b.m_hLanguageModule = nullptr;
  CHECK(f.b.RunCleanup());
  f.b.m_hLanguageModule = language;  // freed by the teardown
}
