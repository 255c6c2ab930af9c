// Message boxes and error reports, read from the real boxes by an answerer thread; the hidden
// owner; the centring of a window.
#include <doctest.h>

#include <string>
#include <vector>

#include "InProcessAnswerer.h"
#include "EngineTestSupport.h"
#include "LanguageStrings.h"
#include "TestSupport.h"

namespace {

const char kOwnerClass[] = "ZRInstallationUtility_HiddenWnd";
const char kGeneralText[] = "There was an error during the installation process.";

bool OwnerClassRegistered() {
  WNDCLASSEXA info = {};
  info.cbSize = sizeof(info);
  return GetClassInfoExA(GetModuleHandleA(nullptr), kOwnerClass, &info) != FALSE ||
         GetClassInfoExA(nullptr, kOwnerClass, &info) != FALSE;
}

// What the answerer saw of a box's owner while the box was open.
struct OwnerSeen {
  std::string ownerClass;
  bool ownerVisible = true;
  bool ownerEnabled = true;
};

}  // namespace

TEST_CASE("ShowError formats the message of the language module with its arguments") {
  struct Case {
    int line;
    UINT id;
    const char* first;
    const char* second;
    std::string text;
  } cases[] = {
      {__LINE__, IDS_KEY_MISSING, "File", "AnInstaller",
       "There is an error in the settings file.  The \"File\" key was not found under the AnInstaller section.  "
       "This key is required."},
      {__LINE__, IDS_SECTION_MISSING, "NoSuchSection", nullptr,
       "There is an error in the settings file.  The section \"NoSuchSection\" does not exist."},
      {__LINE__, IDS_SETTINGS_EXTRACT_FAILED, nullptr, nullptr, "Failed to extract the settings file from resources."},
      // An argument is text, not a format: its "%s" is shown as it is.
      {__LINE__, IDS_REPLACE_SETTINGS_MISSING, "C:\\100%s sure.ini", nullptr,
       "The file \"C:\\100%s sure.ini\" could not be found."},
      // A number the language module lacks gives the general text, under the module's caption.
      {__LINE__, 40, nullptr, nullptr, kGeneralText},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bootstrapper bootstrapper("");
    REQUIRE(test::UseBuiltLanguage(bootstrapper) != nullptr);
    test::InProcessAnswerer watcher(nullptr, "showerror");
    ShowError(&bootstrapper, c.id, c.first, c.second);
    std::vector<test::SeenWindow> seen = watcher.Stop();

    REQUIRE(seen.size() == 1);
    CHECK(seen[0].windowClass == "#32770");
    CHECK(seen[0].caption == "Tarrowind Installation Error");
    CHECK(test::MessageBoxText(seen[0]) == c.text);
  }
}

TEST_CASE("ShowError without a language module shows the built-in text under the display name") {
  struct Case {
    int line;
    const char* displayName;
    std::string caption;
  } cases[] = {
      {__LINE__, "", " Setup Package Error"},
      {__LINE__, "Vellora", "Vellora Setup Package Error"},
      // The caption holds 99 characters: a display name of 99 loses the suffix.
      {__LINE__, "", ""},
  };
  std::string longName(99, 'N');
  cases[2].displayName = longName.c_str();
  cases[2].caption = longName;
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bootstrapper bootstrapper("");
    CopyCut(bootstrapper.m_szDisplayName, c.displayName);
    test::InProcessAnswerer watcher(nullptr, "fallback");
    ShowError<IDS_KEY_MISSING>(&bootstrapper, "File", "AnInstaller");
    std::vector<test::SeenWindow> seen = watcher.Stop();

    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == c.caption);
    CHECK(test::MessageBoxText(seen[0]) == kGeneralText);
  }
}

TEST_CASE("ShowError shows nothing in silent mode") {
  struct Case {
    int line;
    bool language;
  } cases[] = {{__LINE__, true}, {__LINE__, false}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    Bootstrapper bootstrapper("/Type my_silent");
    REQUIRE(bootstrapper.m_bSilent);
    if (c.language) REQUIRE(test::UseBuiltLanguage(bootstrapper) != nullptr);
    test::InProcessAnswerer watcher;
    // A shown box would block here until the watcher answered it.
    ShowError<IDS_KEY_MISSING>(&bootstrapper, "File", "AnInstaller");
    CHECK(watcher.Stop().empty());
  }
}

TEST_CASE("a formatted message is cut at 999 characters") {
  // "Failed to extract the settings file to "%s".": 42 characters around the path.
  const std::string before = "Failed to extract the settings file to \"";
  const std::string after = "\".";
  REQUIRE(test::LanguageString(IDS_EXTRACT_SETTINGS_FAILED) == before + "%s" + after);
  struct Case {
    int line;
    size_t argument;
  } cases[] = {
      {__LINE__, 956},   // 998 characters: whole
      {__LINE__, 957},   // 999: whole
      {__LINE__, 958},   // 1,000: the final full stop is cut
      {__LINE__, 1200},  // past the buffer: cut inside the argument
      {__LINE__, 5000},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    std::string argument(c.argument, 'x');
    // Words of ten, so that the box wraps the text and stays on the screen.
    for (size_t i = 0; i < argument.size(); i += 10) argument[i] = ' ';
    std::string whole = before + argument + after;
    Bootstrapper bootstrapper("");
    REQUIRE(test::UseBuiltLanguage(bootstrapper) != nullptr);
    test::InProcessAnswerer watcher(nullptr, "longmessage");
    ShowError<IDS_EXTRACT_SETTINGS_FAILED>(&bootstrapper, argument.c_str());
    std::vector<test::SeenWindow> seen = watcher.Stop();

    REQUIRE(seen.size() == 1);
    CHECK(test::MessageBoxText(seen[0]) == whole.substr(0, 999));
  }
}

TEST_CASE("a box without an owner gets a hidden one, which is gone with its class afterwards") {
  struct Case {
    int line;
    UINT style;
    int answer;
  } cases[] = {
      {__LINE__, MB_OK | MB_ICONEXCLAMATION, IDOK},
      {__LINE__, MB_OKCANCEL, IDCANCEL},
      {__LINE__, MB_YESNO | MB_ICONQUESTION, IDNO},
      {__LINE__, MB_YESNO, IDYES},
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    OwnerSeen owner;
    test::InProcessAnswerer watcher(
        [&](HWND box, const test::SeenWindow&) {
          HWND hidden = GetWindow(box, GW_OWNER);
          char className[64] = {};
          GetClassNameA(hidden, className, sizeof(className));
          owner.ownerClass = className;
          owner.ownerVisible = IsWindowVisible(hidden) != FALSE;
          owner.ownerEnabled = IsWindowEnabled(hidden) != FALSE;
          return c.answer;
        },
        "owner");
    int result = SystemUtility::ShowMessageBox(nullptr, "A question for the user.", "Unit Box", c.style);
    std::vector<test::SeenWindow> seen = watcher.Stop();

    CHECK(result == c.answer);
    REQUIRE(seen.size() == 1);
    CHECK(seen[0].caption == "Unit Box");
    CHECK(test::MessageBoxText(seen[0]) == "A question for the user.");
    CHECK(owner.ownerClass == kOwnerClass);
    CHECK_FALSE(owner.ownerVisible);
    CHECK_FALSE(owner.ownerEnabled);
    CHECK(FindWindowA(kOwnerClass, nullptr) == nullptr);
    CHECK_FALSE(OwnerClassRegistered());
  }
}

TEST_CASE("a box with an owner of the caller's keeps it and makes no hidden owner") {
  HWND mine = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, nullptr, nullptr, nullptr,
                              nullptr);
  REQUIRE(mine != nullptr);
  HWND ownerSeen = nullptr;
  bool hiddenClassDuringBox = true;
  test::InProcessAnswerer watcher([&](HWND box, const test::SeenWindow&) {
    ownerSeen = GetWindow(box, GW_OWNER);
    hiddenClassDuringBox = FindWindowA(kOwnerClass, nullptr) != nullptr;
    return IDOK;
  });
  CHECK(SystemUtility::ShowMessageBox(mine, "Owned.", "Unit Box", MB_OK) == IDOK);
  watcher.Stop();
  CHECK(ownerSeen == mine);
  CHECK_FALSE(hiddenClassDuringBox);
  DestroyWindow(mine);
}

TEST_CASE("ForceForegroundWindow brings a window of this process to the front") {
  HWND first = CreateWindowExA(0, "STATIC", "first", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, nullptr, nullptr, nullptr,
                               nullptr);
  HWND second = CreateWindowExA(0, "STATIC", "second", WS_POPUP | WS_VISIBLE, 50, 0, 40, 40, nullptr, nullptr,
                                nullptr, nullptr);
  REQUIRE(first != nullptr);
  REQUIRE(second != nullptr);
  struct Case {
    int line;
    HWND target;
  } cases[] = {{__LINE__, first}, {__LINE__, second}, {__LINE__, first}};
  for (const Case& c : cases) {
    CAPTURE(c.line);
    CHECK(SystemUtility::ForceForegroundWindow(c.target));
    CHECK(GetForegroundWindow() == c.target);
  }
  DestroyWindow(first);
  DestroyWindow(second);
}

TEST_CASE("CenterWindow centres on the primary screen, halving toward zero") {
  int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  struct Case {
    int line;
    int width, height;
  } cases[] = {
      {__LINE__, 300, 200},
      {__LINE__, 301, 201},  // an odd remainder is dropped
      {__LINE__, screenWidth, screenHeight},
      {__LINE__, screenWidth + 101, screenHeight + 51},  // larger than the screen: negative position
  };
  for (const Case& c : cases) {
    CAPTURE(c.line);
    HWND window = CreateWindowExA(0, "STATIC", "centre", WS_POPUP, 7, 9, c.width, c.height, nullptr, nullptr, nullptr,
                                  nullptr);
    REQUIRE(window != nullptr);
    CenterWindow(window);
    RECT rect;
    GetWindowRect(window, &rect);
    CHECK(rect.left == (screenWidth - c.width) / 2);
    CHECK(rect.top == (screenHeight - c.height) / 2);
    CHECK(rect.right - rect.left == c.width);
    CHECK(rect.bottom - rect.top == c.height);
    DestroyWindow(window);
  }
}
