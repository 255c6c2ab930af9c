// The refusal and reinstall prompts, read from the real boxes by an answerer thread: caption,
// text, buttons, log lines, the answer, and silence in silent mode.
#include <doctest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"
#include "ScreenReaderWindow.h"
#include "SoundCapture.h"

namespace {

using Call = std::function<void(Bootstrapper&)>;

bool HasControl(const test::SeenWindow& box, int id) {
  for (const auto& control : box.controls)
    if (control.first == id) return true;
  return false;
}

std::string Replace(std::string format, const std::string& value) {
  size_t at = format.find("%s");
  if (at != std::string::npos) format.replace(at, 2, value);
  return format;
}

}  // namespace

TEST_CASE("each prompt shows its caption and text with its buttons, and logs its line") {
  const std::string display = "Vellora";
  const std::string caption = Replace(test::LanguageString(IDS_SETUP_PACKAGE_CAPTION), display);
  const std::string errorCaption = Replace(test::LanguageString(IDS_SETUP_PACKAGE_ERROR_CAPTION), display);
  struct Case {
    int line;
    Call call;
    std::string caption;
    std::string text;
    bool cancel;  // has a Cancel button besides OK
    std::string log;
  } cases[] = {
      {__LINE__, [](Bootstrapper& b) { b.ShowReinstall("Runtime"); }, errorCaption,
       Replace(test::LanguageString(IDS_REINSTALL), "Runtime"), true,
       "ShowReinstall - Prompting user to reinstall the component."},
      {__LINE__, [](Bootstrapper& b) { b.ShowFailure("Runtime"); }, errorCaption,
       Replace(Replace(test::LanguageString(IDS_COMPONENT_FAILED), display), "Runtime"), false,
       "ShowFailure - Notifying user of installation failure."},
      {__LINE__, [](Bootstrapper& b) { b.ShowOSError(); }, caption, test::LanguageString(IDS_OS_REFUSED), false,
       "ShowOSError - Prompting user that OS is not supported."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPlatformError(); }, caption, test::LanguageString(IDS_PLATFORM_REFUSED),
       false, "ShowPlatformError - Prompting user that Platform is not supported."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPermissionsError(kAdministratorLevel); }, errorCaption,
       test::LanguageString(IDS_ADMINISTRATOR_REQUIRED), false,
       "ShowPermissionsError - Notifying user of permissions error."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPermissionsError(kPowerUserLevel); }, errorCaption,
       test::LanguageString(IDS_POWER_USER_REQUIRED), false,
       "ShowPermissionsError - Notifying user of permissions error."},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    REQUIRE(c.text.find("%s") == std::string::npos);
    test::BootstrapperFixture f("", {"", true, false});
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    CopyCut(f.b.m_szDisplayName, display.c_str());
    size_t mark = f.Mark();
    test::InProcessAnswerer watcher(nullptr, "prompt");
    c.call(f.b);
    std::vector<test::SeenWindow> seen = watcher.Stop();

    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == c.caption);
    CHECK(test::MessageBoxText(seen[0]) == c.text);
    CHECK(HasControl(seen[0], IDOK));
    CHECK(HasControl(seen[0], IDCANCEL) == c.cancel);
    std::vector<std::string> log = f.Since(mark);
    INFO(test::JoinLines(log));
    REQUIRE_FALSE(log.empty());
    CHECK(log[0] == c.log);
  }
}

TEST_CASE("the reinstall prompt answers yes only for OK") {
  struct Case {
    int line;
    int answer;
    bool reinstall;
  } cases[] = {{__LINE__, IDOK, true}, {__LINE__, IDCANCEL, false}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    test::BootstrapperFixture f("", {"", true, false});
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    test::InProcessAnswerer watcher([&](HWND, const test::SeenWindow&) { return c.answer; }, "reinstall");
    CHECK(f.b.ShowReinstall("Runtime") == c.reinstall);
    CHECK(watcher.Stop().size() == 1);
    CHECK(f.Logged("ShowReinstall - User decision: " + std::to_string(c.answer) + "."));
  }
}

TEST_CASE("a long display name and component are cut at the caption's and the text's size") {
  test::BootstrapperFixture f("", {"", true, false});
  REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
  std::string display(99, 'D');
  CopyCut(f.b.m_szDisplayName, display.c_str());
  std::string component(600, 'c');
  test::InProcessAnswerer watcher(nullptr, "longprompt");
  f.b.ShowReinstall(component.c_str());
  std::vector<test::SeenWindow> seen = watcher.Stop();
  REQUIRE(seen.size() == 1);
  CHECK(seen[0].caption == Replace(test::LanguageString(IDS_SETUP_PACKAGE_ERROR_CAPTION), display).substr(0, 99));
  CHECK(test::MessageBoxText(seen[0]) == Replace(test::LanguageString(IDS_REINSTALL), component).substr(0, 499));
}

TEST_CASE("in silent mode no prompt shows or logs anything, and a reinstall is agreed to") {
  test::BootstrapperFixture f("");
  REQUIRE(f.b.m_bSilent);
  REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
  size_t mark = f.Mark();
  test::InProcessAnswerer watcher;
  CHECK(f.b.ShowReinstall("Runtime"));
  f.b.ShowFailure("Runtime");
  f.b.ShowOSError();
  f.b.ShowPlatformError();
  f.b.ShowPermissionsError(kAdministratorLevel);
  CHECK(watcher.Stop().empty());
  CHECK(f.Since(mark).empty());
}

TEST_CASE("the reinstall, OS and platform prompts speak while open, and a screen reader keeps them silent") {
  struct Case {
    int line;
    Call call;
    const char* capture;
    const char* reader;  // a window of the maker's screen reader, or none
  } cases[] = {
      {__LINE__, [](Bootstrapper& b) { b.ShowReinstall("Runtime"); }, "prompt-reinstall", nullptr},
      {__LINE__, [](Bootstrapper& b) { b.ShowOSError(); }, "prompt-os", nullptr},
      {__LINE__, [](Bootstrapper& b) { b.ShowPlatformError(); }, "prompt-platform", nullptr},
      {__LINE__, [](Bootstrapper& b) { b.ShowReinstall("Runtime"); }, "prompt-reinstall-reader", "ORVIKUI"},
      {__LINE__, [](Bootstrapper& b) { b.ShowOSError(); }, "prompt-os-reader", "ORVIKUI2"},
      {__LINE__, [](Bootstrapper& b) { b.ShowPlatformError(); }, "prompt-platform-reader", "LUMORAUI"},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::unique_ptr<test::ScreenReaderWindow> reader;
    if (c.reader != nullptr) reader.reset(new test::ScreenReaderWindow(c.reader));
    test::BootstrapperFixture f("", {"", true, false});
    REQUIRE(test::UseBuiltLanguage(f.b) != nullptr);
    test::SoundCapture capture(c.capture);
    REQUIRE(capture.Live());
    double opened = -1, closed = -1;
    // The box stays open for two seconds, less than any recording lasts.
    test::InProcessAnswerer watcher(
        [&](HWND, const test::SeenWindow&) {
          opened = capture.Now();
          Sleep(2000);
          closed = capture.Now();
          return IDOK;
        },
        "spoken");
    c.call(f.b);
    CHECK(watcher.Stop().size() == 1);
    Sleep(1000);
    REQUIRE(capture.Stop());
    INFO("audible: ", test::Describe(capture.Audible()), "; opened ", opened, " s, closed ", closed, " s");
    std::vector<std::string> log = f.Log();
    size_t skipped = static_cast<size_t>(
        std::count(log.begin(), log.end(), "PlayWave - Skipped wave file because an ZR product is running."));
    if (reader) {
      CHECK(capture.Peak() < 0.02);
      CHECK(skipped == 2);  // the start and the stop
    } else {
      CHECK(capture.Peak(opened, closed) > 0.2);
      // Stopped at the close: a recording left playing runs on for seconds (each lasts 6 s or more).
      CHECK(capture.Peak(closed + 1.5) < 0.02);
      CHECK(skipped == 0);
    }
  }
}
