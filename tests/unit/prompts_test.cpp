// The refusal and reinstall prompts, read from the real boxes by an answerer thread: caption,
// text, buttons, log lines, the answer, and silence in silent mode.
#include <doctest.h>

#include <functional>
#include <string>
#include <vector>

#include "BootstrapperFixture.h"
#include "EngineTestSupport.h"
#include "InProcessAnswerer.h"
#include "LanguageStrings.h"
#include "LogLines.h"

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
  struct Case {
    int line;
    Call call;
    std::string caption;
    std::string text;
    bool cancel;  // has a Cancel button besides OK
    std::string log;
  } cases[] = {
      {__LINE__, [](Bootstrapper& b) { b.ShowReinstall("Runtime"); }, Replace(test::LanguageString(59), display),
       Replace(test::LanguageString(61), "Runtime"), true, "ShowReinstall - Prompting user to reinstall the component."},
      {__LINE__, [](Bootstrapper& b) { b.ShowFailure("Runtime"); }, Replace(test::LanguageString(59), display),
       Replace(Replace(test::LanguageString(60), display), "Runtime"), false,
       "ShowFailure - Notifying user of installation failure."},
      {__LINE__, [](Bootstrapper& b) { b.ShowOSError(); }, Replace(test::LanguageString(55), display),
       test::LanguageString(20), false, "ShowOSError - Prompting user that OS is not supported."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPlatformError(); }, Replace(test::LanguageString(55), display),
       test::LanguageString(22), false, "ShowPlatformError - Prompting user that Platform is not supported."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPermissionsError(1); }, Replace(test::LanguageString(59), display),
       test::LanguageString(62), false, "ShowPermissionsError - Notifying user of permissions error."},
      {__LINE__, [](Bootstrapper& b) { b.ShowPermissionsError(2); }, Replace(test::LanguageString(59), display),
       test::LanguageString(63), false, "ShowPermissionsError - Notifying user of permissions error."},
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
  CHECK(seen[0].caption == Replace(test::LanguageString(59), display).substr(0, 99));
  CHECK(test::MessageBoxText(seen[0]) == Replace(test::LanguageString(61), component).substr(0, 499));
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
  f.b.ShowPermissionsError(1);
  CHECK(watcher.Stop().empty());
  CHECK(f.Since(mark).empty());
}
